// File: platform/pptx/office_renderer.cpp
// The headless office helper: a Python UNO script (started with its own
// process group) that starts LibreOffice on a private profile, opens each
// metafile read-only in Draw and exports its page as PNG at the asked pixel
// size. Requests and answers are one line each over a socket pair, so a
// helper that died raises no SIGPIPE and one that hangs is noticed by poll.
#include "platform/pptx/office_renderer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

namespace quillmax::pptx::office_renderer {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kOffice = "/usr/lib/libreoffice/program/soffice";
constexpr const char* kUno = "/usr/lib/python3/dist-packages/uno.py";
// A helper killed this many times in one run is not started again.
constexpr int kMaxStarts = 4;

// argv[1]: profile folder, argv[2]: pipe name, argv[3]: the office program.
// Says "ready" once connected, then answers each "src<TAB>dst<TAB>w<TAB>h"
// line with "ok" or "fail <why>" (dst "-": "ok <w> <h>", the picture's
// size in pixels at 96 dpi). The metafile is opened as a drawing (the
// office's own metafile import), its page made exactly the picture's frame,
// and the page exported at exactly w x h: no margins, drawn as the office
// draws it on a slide (anti-aliased), and what the metafile leaves undrawn
// stays transparent. On end of input (the program closed its end, or died) it
// stops the office process and removes the profile.
constexpr const char* kScript = R"PY(
import os, sys, time, signal, shutil, subprocess
profile, pipe = sys.argv[1], sys.argv[2]
office = subprocess.Popen([sys.argv[3], "--headless", "--invisible", "--norestore", "--nologo",
    "--nodefault", "--nolockcheck", "--nofirststartwizard",
    "-env:UserInstallation=file://" + profile, "--accept=pipe,name=%s;urp;" % pipe],
    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
signal.signal(signal.SIGTERM, signal.SIG_IGN)
def say(text):
    sys.stdout.write(text + "\n"); sys.stdout.flush()
def leave():
    try: os.killpg(0, signal.SIGTERM)
    except Exception: pass
    try: office.wait(3)
    except Exception: pass
    shutil.rmtree(profile, ignore_errors=True)
    os._exit(0)
try:
    import uno
    from com.sun.star.beans import PropertyValue
except Exception as e:
    say("fail python3-uno: %s" % e); leave()
def pv(n, v):
    p = PropertyValue(); p.Name = n; p.Value = v; return p
local = uno.getComponentContext()
resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
while True:
    if office.poll() is not None:
        say("fail the office program ended"); leave()
    try:
        ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe); break
    except Exception:
        time.sleep(0.05)
desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
exporter = ctx.ServiceManager.createInstanceWithContext("com.sun.star.drawing.GraphicExportFilter", ctx)
filters = {".emf": "EMF - MS Windows Metafile", ".wmf": "WMF - MS Windows Metafile"}
say("ready")
while True:
    line = sys.stdin.readline()
    if not line: break
    try:
        src, dst, w, h = line.rstrip("\n").split("\t")
        doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(src), "_blank", 0,
            (pv("Hidden", True), pv("FilterName", filters[src[-4:]])))
        if doc is None: raise RuntimeError("the metafile could not be read")
        try:
            page = doc.DrawPages.getByIndex(0)
            if page.getCount() != 1: raise RuntimeError("the metafile was not read as one picture")
            shape = page.getByIndex(0)
            if dst == "-":  # only the size the office gives it, in pixels at 96 dpi
                say("ok %d %d" % (round(shape.Size.Width * 96 / 2540), round(shape.Size.Height * 96 / 2540)))
                continue
            # The page becomes the picture's frame: no margins, and the
            # picture's pixels fall on the page's grid (exporting the shape
            # alone shifts it by a pixel).
            page.BorderLeft = page.BorderRight = page.BorderTop = page.BorderBottom = 0
            page.Width, page.Height = shape.Size.Width, shape.Size.Height
            shape.Position = uno.createUnoStruct("com.sun.star.awt.Point", 0, 0)
            exporter.setSourceDocument(page)
            # Translucent must be a number: the office reads a boolean as
            # opaque. The PNG is read at once: light compression is faster.
            fd = uno.Any("[]com.sun.star.beans.PropertyValue", (pv("PixelWidth", int(w)),
                pv("PixelHeight", int(h)), pv("Translucent", 1), pv("Compression", 1)))
            exporter.filter((pv("URL", uno.systemPathToFileUrl(dst)), pv("MediaType", "image/png"),
                pv("FilterData", fd)))
        finally:
            doc.close(True)
        say("ok")
    except Exception as e:
        say("fail " + str(e).replace("\n", " ")[:300])
leave()
)PY";

struct Helper {
    pid_t pid = 0;       // the script; also its process group
    int fd = -1;         // our end of the socket pair
    std::string buffer;  // read but not yet consumed
    fs::path dir;        // profile and exchange files
    int starts = 0;
    bool broken = false; // refused to start: not tried again this run
    long long serial = 0;
    double lastStart = 0;
    bool starting = false;          // launched, "ready" not read yet
    Clock::time_point launchedAt{};
};

std::mutex gLock;
Helper gHelper;
Limits gLimits;
std::atomic<bool> gAtExit{false};

void Stop(Helper& h) {
    h.starting = false;
    if (h.fd >= 0) {
        ::close(h.fd); // end of input: the script stops the office and leaves
        h.fd = -1;
    }
    if (h.pid > 0) {
        // Give the script a moment to shut the office down, then end what is left.
        const auto until = Clock::now() + std::chrono::seconds(3);
        int status = 0;
        while (::waitpid(h.pid, &status, WNOHANG) == 0 && Clock::now() < until) ::usleep(20000);
        ::kill(-h.pid, SIGKILL);
        ::waitpid(h.pid, &status, WNOHANG);
        h.pid = 0;
    }
    std::error_code ec;
    if (!h.dir.empty()) fs::remove_all(h.dir, ec);
    h.dir.clear();
    h.buffer.clear();
}

// Kills at once: the helper did not answer in time.
void Kill(Helper& h) {
    if (h.pid > 0) {
        ::kill(-h.pid, SIGKILL);
        int status = 0;
        ::waitpid(h.pid, &status, 0);
        h.pid = 0;
    }
    Stop(h);
}

// One line from the helper, waiting until `deadline`; nullopt on timeout
// or when the helper closed its end.
std::optional<std::string> ReadLine(Helper& h, Clock::time_point deadline) {
    for (;;) {
        if (auto nl = h.buffer.find('\n'); nl != std::string::npos) {
            std::string line = h.buffer.substr(0, nl);
            h.buffer.erase(0, nl + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd p{h.fd, POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return std::nullopt;
        if (r == 0) continue;
        char buf[512];
        ssize_t n = ::recv(h.fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        h.buffer.append(buf, static_cast<size_t>(n));
        if (h.buffer.size() > 65536) return std::nullopt; // not our script talking
    }
}

bool Send(Helper& h, const std::string& line) {
    size_t done = 0;
    while (done < line.size()) {
        ssize_t n = ::send(h.fd, line.data() + done, line.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void AtExit() {
    gAtExit = true;
    std::lock_guard<std::mutex> hold(gLock);
    Stop(gHelper);
}

// Forks the helper; AwaitReady reads its "ready".
bool Launch(Helper& h, std::string& why) {
    if (h.broken) {
        why = "the office helper could not be started earlier in this run";
        return false;
    }
    if (h.starts >= kMaxStarts) {
        why = "the office helper stopped answering too often";
        return false;
    }
    if (!Available()) {
        h.broken = true;
        why = "LibreOffice (libreoffice-draw, python3-uno) is not installed";
        return false;
    }
    static std::once_flag registered;
    std::call_once(registered, [] { std::atexit(AtExit); });
    ++h.starts;

    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillmax-office-XXXXXX";
    std::vector<char> name(templ.begin(), templ.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) {
        h.broken = true;
        why = "no folder for the office helper";
        return false;
    }
    h.dir = name.data();
    const std::string profile = (h.dir / "profile").string();
    const std::string pipe = "quillmax-" + std::to_string(::getpid()) + "-" + std::to_string(h.starts);

    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
        Stop(h);
        why = "no channel to the office helper";
        return false;
    }
    // Everything the child needs is prepared before fork (only exec-safe calls after it).
    std::vector<std::string> args = {kPython, "-c", kScript, profile, pipe, kOffice};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    h.launchedAt = Clock::now();
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(sv[0]);
        ::close(sv[1]);
        Stop(h);
        why = "the office helper could not be started";
        return false;
    }
    if (pid == 0) {
        ::setpgid(0, 0);
        ::dup2(sv[1], 0);
        ::dup2(sv[1], 1);
        int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) ::dup2(devnull, 2);
        // Signals the program ignores must not be ignored by the helper.
        ::signal(SIGPIPE, SIG_DFL);
        ::signal(SIGINT, SIG_IGN); // Ctrl-C stops the batch, not the helper
        ::execv(kPython, argv.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid); // also from here, so a kill right away reaches the group
    ::close(sv[1]);
    h.pid = pid;
    h.fd = sv[0];
    h.starting = true;
    return true;
}

bool AwaitReady(Helper& h, std::string& why) {
    if (!h.starting) return true;
    h.starting = false;
    auto line = ReadLine(h, h.launchedAt + std::chrono::seconds(gLimits.startSeconds));
    h.lastStart = std::chrono::duration<double>(Clock::now() - h.launchedAt).count();
    if (!line || *line != "ready") {
        why = !line ? "the office helper did not start within " + std::to_string(gLimits.startSeconds) + " s"
                    : "the office helper did not start: " + *line;
        Kill(h);
        h.broken = true;
        return false;
    }
    return true;
}

bool Start(Helper& h, std::string& why) { return Launch(h, why) && AwaitReady(h, why); }

} // namespace

bool Available() {
    return ::access(kPython, X_OK) == 0 && ::access(kOffice, X_OK) == 0 && ::access(kUno, R_OK) == 0;
}

namespace {

// Hands the metafile to the helper with `request` (its file names filled
// in) and returns the helper's answer after "ok", or nullopt with `why`.
// `png` receives the picture the helper wrote, if it was asked for one.
std::optional<std::string> Ask(const std::string& bytes, const std::string& ext, bool picture,
                               const std::string& size, std::string& png, std::string& why) {
    if (ext != "emf" && ext != "wmf") {
        why = "not an EMF or WMF picture";
        return std::nullopt;
    }
    std::lock_guard<std::mutex> hold(gLock);
    if (gAtExit) {
        why = "the program is ending";
        return std::nullopt;
    }
    Helper& h = gHelper;
    if (h.pid <= 0 && !Start(h, why)) return std::nullopt;
    if (!AwaitReady(h, why)) return std::nullopt; // started ahead by Prestart

    const std::string stem = (h.dir / ("m" + std::to_string(++h.serial))).string();
    const std::string src = stem + "." + ext, dst = stem + ".png";
    struct Cleanup {
        std::string a, b;
        ~Cleanup() {
            std::error_code ec;
            fs::remove(a, ec);
            fs::remove(b, ec);
        }
    } cleanup{src, dst};
    {
        std::ofstream out(src, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            why = "the metafile could not be handed to the office helper";
            return std::nullopt;
        }
    }
    const auto deadline = Clock::now() + std::chrono::seconds(gLimits.renderSeconds);
    if (!Send(h, src + "\t" + (picture ? dst : std::string("-")) + "\t" + size + "\n")) {
        Kill(h);
        why = "the office helper ended";
        return std::nullopt;
    }
    auto line = ReadLine(h, deadline);
    if (!line) {
        const bool late = Clock::now() >= deadline;
        Kill(h); // the next picture gets a fresh helper
        why = late ? "the office helper took longer than " + std::to_string(gLimits.renderSeconds) + " s"
                   : "the office helper ended";
        return std::nullopt;
    }
    if (line->rfind("ok", 0) != 0) {
        why = line->rfind("fail ", 0) == 0 ? line->substr(5) : *line;
        return std::nullopt;
    }
    if (picture) {
        std::ifstream in(dst, std::ios::binary);
        png.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (png.size() < 8) {
            why = "the office helper wrote no picture";
            return std::nullopt;
        }
    }
    return line->size() > 3 ? line->substr(3) : std::string();
}

} // namespace

std::optional<std::string> RenderPng(const std::string& bytes, const std::string& ext, int widthPx,
                                     int heightPx, std::string& why) {
    if (widthPx <= 0 || heightPx <= 0 || static_cast<double>(widthPx) * heightPx > kMaxPixels) {
        why = "the rendering is too large";
        return std::nullopt;
    }
    std::string png;
    if (!Ask(bytes, ext, true, std::to_string(widthPx) + "\t" + std::to_string(heightPx), png, why))
        return std::nullopt;
    return png;
}

bool NaturalSize(const std::string& bytes, const std::string& ext, int& widthPx, int& heightPx, std::string& why) {
    std::string unused;
    auto answer = Ask(bytes, ext, false, "0\t0", unused, why);
    if (!answer) return false;
    widthPx = heightPx = 0;
    if (std::sscanf(answer->c_str(), "%d %d", &widthPx, &heightPx) != 2 || widthPx <= 0 || heightPx <= 0) {
        why = "the metafile has no size";
        return false;
    }
    return true;
}

namespace {

// Every thread of this process, and those they start, yield to the helper:
// its start (seconds of a core) is what each metafile of the run waits for,
// while the threads here have other pictures to work on. A process cannot
// take a lower priority back, so this lasts the run; a lower one the user
// gave stays.
void YieldToHelper() {
    constexpr int kNice = 10;
    auto lower = [&](id_t thread) {
        errno = 0;
        const int now = ::getpriority(PRIO_PROCESS, thread);
        if (errno == 0 && now < kNice) ::setpriority(PRIO_PROCESS, thread, kNice);
    };
    lower(0); // this thread, whose nice value threads started from now inherit
    try {
        for (const auto& task : fs::directory_iterator("/proc/self/task"))
            lower(static_cast<id_t>(std::strtoul(task.path().filename().c_str(), nullptr, 10)));
    } catch (const fs::filesystem_error&) {
        // without /proc the threads already running keep their priority
    }
}

} // namespace

void Prestart() {
    std::lock_guard<std::mutex> hold(gLock);
    if (gAtExit || gHelper.pid > 0 || gHelper.broken || !Available()) return;
    std::string why;
    // A failure shows again, with its reason, on the first request.
    if (Launch(gHelper, why)) YieldToHelper();
}

void Shutdown() {
    std::lock_guard<std::mutex> hold(gLock);
    Stop(gHelper);
    gHelper = Helper{};
}

void SetLimits(const Limits& limits) {
    std::lock_guard<std::mutex> hold(gLock);
    gLimits = limits;
}

Limits CurrentLimits() {
    std::lock_guard<std::mutex> hold(gLock);
    return gLimits;
}

int HelperPid() {
    std::lock_guard<std::mutex> hold(gLock);
    return gHelper.pid;
}

double LastStartSeconds() {
    std::lock_guard<std::mutex> hold(gLock);
    return gHelper.lastStart;
}

} // namespace quillmax::pptx::office_renderer
