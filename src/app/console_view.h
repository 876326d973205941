// File: app/console_view.h
// The main window's surface on a terminal, for the headless front end:
// stdout receives exactly the text appended to txtLog, message boxes go to
// stderr as "[クイルマックス] text", questions are asked on the terminal
// when there is one (otherwise a Yes/No/Cancel box answers Cancel and an
// input box is cancelled). An interrupt (Ctrl-C, SIGTERM, SIGHUP) during a
// run acts as the stop button at the next yield.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "engine/view.h"

namespace quillmax::app {

class ConsoleView : public engine::MainView {
public:
    // interactive: questions may be asked on `in` (stdin is a terminal).
    ConsoleView(std::ostream& out, std::ostream& err, std::istream& in, bool interactive);

    void AppendLog(const std::string& text) override;
    void ClearLog() override;
    std::string LogText() override;

    void SetStatus(const std::string& text) override;
    std::string Status() override;

    void SetStartEnabled(bool enabled) override;
    void SetStopEnabled(bool enabled) override;
    void ShowWarning(bool visible) override;

    std::string SourceText() override;
    void SetSourceText(const std::string& text) override;
    void HideDropHint() override;
    void SetCaption(const std::string& text) override;

    void MessageBox(const std::string& text, engine::Icon icon) override;
    engine::Answer AskYesNoCancel(const std::string& text, engine::Icon icon) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& preset) override;

    void DoEvents() override;
    void Beep() override;
    void ShowProgress(const engine::BatchProgress& progress) override;

    // A one-line progress on `err`, redrawn in place, for a terminal of
    // that many columns; 0 (the default) shows none. stdout never sees it.
    void EnableProgressLine(int columns) { progressColumns_ = columns; }
    // The progress line's text, cut to fit `columns` display columns.
    static std::string ProgressLine(const engine::BatchProgress& progress, int columns);

    // What the stop button does; run from DoEvents after an interrupt while
    // the stop button is enabled.
    void SetStopHandler(std::function<void()> handler) { stop_ = std::move(handler); }
    // SIGINT, SIGTERM and SIGHUP set a flag that DoEvents looks at; a second
    // one ends the program as usual.
    static void InstallInterruptHandler();
    // For tests: as if an interrupt had arrived.
    static void SimulateInterrupt();

    const std::string& caption() const { return caption_; }
    bool startEnabled() const { return startEnabled_; }
    bool stopEnabled() const { return stopEnabled_; }

private:
    std::optional<std::string> ReadLine();
    void EraseProgress();
    void DrawProgress();

    std::ostream& out_;
    std::ostream& err_;
    std::istream& in_;
    bool interactive_;
    std::string log_, status_, source_, caption_;
    bool startEnabled_ = true, stopEnabled_ = false;
    std::function<void()> stop_;
    int progressColumns_ = 0;
    std::string progressLine_; // the latest; empty when none is to be shown
    bool shown_ = false;       // the line is on the terminal now
};

} // namespace quillmax::app
