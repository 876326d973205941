// File: app/console_view.cpp
// The main window's surface on stdout / stderr / stdin.
#include "app/console_view.h"

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
    out_ << text; // bytes as written, CR LF included
    out_.flush();
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

void ConsoleView::InstallInterruptHandler() {
    for (int sig : {SIGINT, SIGTERM}) std::signal(sig, OnInterrupt);
#ifdef SIGHUP
    std::signal(SIGHUP, OnInterrupt);
#endif
}

void ConsoleView::SimulateInterrupt() { interrupted.store(true); }

} // namespace quillmax::app
