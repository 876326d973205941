// File: app/console_view.cpp
// The main window's surface on stdout / stderr / stdin.
#include "app/console_view.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <istream>
#include <ostream>

#include "base/text.h"

namespace quillmax::app {
namespace {

std::atomic<bool> interrupted{false};

// Ctrl-C, a terminate request and a closed terminal all stop the run
// cleanly; a second one of the same kind ends the program as usual.
extern "C" void OnInterrupt(int sig) {
    interrupted.store(true);
    std::signal(sig, SIG_DFL);
}

} // namespace

ConsoleView::ConsoleView(std::ostream& out, std::ostream& err, std::istream& in, bool interactive)
    : out_(out), err_(err), in_(in), interactive_(interactive) {}

void ConsoleView::AppendLog(const std::string& text) {
    log_ += text;
    // Both may be the same terminal: the log line must not land on the
    // progress line's remains.
    EraseProgress();
    out_ << text; // bytes as written, CR LF included
    out_.flush();
    DrawProgress();
}

void ConsoleView::ClearLog() { log_.clear(); }
std::string ConsoleView::LogText() { return log_; }
void ConsoleView::SetStatus(const std::string& text) { status_ = text; }
std::string ConsoleView::Status() { return status_; }
void ConsoleView::SetStartEnabled(bool enabled) { startEnabled_ = enabled; }
void ConsoleView::SetStopEnabled(bool enabled) { stopEnabled_ = enabled; }
void ConsoleView::ShowWarning(bool) {}
std::string ConsoleView::SourceText() { return source_; }
void ConsoleView::SetSourceText(const std::string& text) { source_ = text; }
void ConsoleView::HideDropHint() {}
void ConsoleView::SetCaption(const std::string& text) { caption_ = text; }

void ConsoleView::MessageBox(const std::string& text, engine::Icon) {
    EraseProgress();
    err_ << "[" << engine::kProgramTitle << "] " << text << "\n";
    err_.flush();
}

std::optional<std::string> ConsoleView::ReadLine() {
    std::string line;
    if (!std::getline(in_, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

engine::Answer ConsoleView::AskYesNoCancel(const std::string& text, engine::Icon) {
    EraseProgress();
    err_ << "[" << engine::kProgramTitle << "] " << text << "\n";
    if (!interactive_) {
        err_ << "  -> キャンセル\n";
        err_.flush();
        return engine::Answer::Cancel;
    }
    for (;;) {
        err_ << "  はい(y) / いいえ(n) / キャンセル(c): ";
        err_.flush();
        std::optional<std::string> line = ReadLine();
        if (!line) {
            err_ << "\n";
            return engine::Answer::Cancel;
        }
        std::string a = util::Trim(*line);
        if (a == "y" || a == "Y" || a == "yes" || a == "はい") return engine::Answer::Yes;
        if (a == "n" || a == "N" || a == "no" || a == "いいえ") return engine::Answer::No;
        if (a == "c" || a == "C" || a == "cancel" || a == "キャンセル") return engine::Answer::Cancel;
    }
}

std::optional<std::string> ConsoleView::InputBox(const std::string& prompt, const std::string& title,
                                                 const std::string& preset) {
    err_ << "[" << (title.empty() ? engine::kProgramTitle : title.c_str()) << "] " << prompt << "\n";
    EraseProgress();
    if (!interactive_) {
        err_ << "  -> キャンセル\n";
        err_.flush();
        return std::nullopt;
    }
    // An empty line takes the preset answer, as OK on the unchanged box does.
    err_ << "  [" << preset << "]: ";
    err_.flush();
    std::optional<std::string> line = ReadLine();
    if (!line) {
        err_ << "\n";
        return std::nullopt;
    }
    return line->empty() ? preset : *line;
}

void ConsoleView::DoEvents() {
    if (stopEnabled_ && stop_ && interrupted.exchange(false)) stop_();
}

void ConsoleView::Beep() {}

namespace {

// Display columns of one UTF-8 character: wide for CJK and full-width
// forms, narrow for half-width katakana.
int Columns(char32_t c) {
    if (c >= 0xFF61 && c <= 0xFF9F) return 1;
    if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
        (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) ||
        c >= 0x20000)
        return 2;
    return 1;
}

// The text cut to `columns`, whole characters only.
std::string Fit(const std::string& text, int columns) {
    int used = 0;
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 1;
        if (i + len > text.size()) len = text.size() - i;
        char32_t c = len == 1 ? b : (b & (0xFF >> (len + 1)));
        for (size_t k = 1; k < len; ++k) c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        const int w = Columns(c);
        if (used + w > columns) break;
        used += w;
        i += len;
    }
    return text.substr(0, i);
}

std::string BaseName(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

} // namespace

std::string ConsoleView::ProgressLine(const engine::BatchProgress& p, int columns) {
    constexpr int kBar = 20;
    const int filled = p.slidesTotal > 0 ? std::min(kBar, p.slidesDone * kBar / p.slidesTotal) : 0;
    std::string line = "ﾌｧｲﾙ " + std::to_string(p.file) + "/" + std::to_string(p.fileCount) + "  ﾍﾟｰｼﾞ " +
                       std::to_string(p.slide) + "/" + std::to_string(p.slideCount) + "  [" +
                       std::string(filled, '#') + std::string(kBar - filled, '.') + "] " +
                       std::to_string(p.slidesDone) + "/" + std::to_string(p.slidesTotal) + "  " +
                       BaseName(p.fileName);
    // One column short of the edge, so the terminal never wraps.
    return Fit(line, std::max(0, columns - 1));
}

void ConsoleView::ShowProgress(const engine::BatchProgress& progress) {
    if (progressColumns_ <= 0) return;
    if (progress.finished || progress.file == 0) {
        EraseProgress();
        progressLine_.clear();
        return;
    }
    progressLine_ = ProgressLine(progress, progressColumns_);
    DrawProgress();
}

void ConsoleView::EraseProgress() {
    if (!shown_) return;
    err_ << "\r\x1b[K";
    err_.flush();
    shown_ = false;
}

void ConsoleView::DrawProgress() {
    if (progressColumns_ <= 0 || progressLine_.empty()) return;
    err_ << "\r" << progressLine_ << "\x1b[K";
    err_.flush();
    shown_ = true;
}


void ConsoleView::InstallInterruptHandler() {
    for (int sig : {SIGINT, SIGTERM}) std::signal(sig, OnInterrupt);
#ifdef SIGHUP
    std::signal(SIGHUP, OnInterrupt);
#endif
}

void ConsoleView::SimulateInterrupt() { interrupted.store(true); }

} // namespace quillmax::app
