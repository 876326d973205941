// File: engine/view.h
// What the batch run, the pass and the engine need from the main window
// frmMain. The Qt window implements it with real widgets, the headless
// console on stdout/stderr/stdin, tests with a recorder. Method names carry
// the controls' names so a reader can map them onto the window.
#pragma once

#include <optional>
#include <string>

namespace quillmax::engine {

enum class Icon { None, Exclamation, Stop, Information, Question };

// Where a batch stands, for a progress bar or line. Counts are 1-based for
// the current file and slide; slidesDone / slidesTotal cover the batch.
struct BatchProgress {
    int file = 0;
    int fileCount = 0;
    std::string fileName; // the current file's path
    int slide = 0;
    int slideCount = 0;
    int slidesDone = 0;
    int slidesTotal = 0;
    bool finished = false; // the batch has ended
};
enum class Answer { Yes, No, Cancel };

class MainView {
public:
    virtual ~MainView() = default;

    // txtLog: caret to the end, text inserted there (the text carries its
    // own CR LF).
    virtual void AppendLog(const std::string& text) = 0;
    virtual void ClearLog() = 0;
    virtual std::string LogText() = 0;

    // lblMsg
    virtual void SetStatus(const std::string& text) = 0;
    virtual std::string Status() = 0;

    // btnStart / btnStop
    virtual void SetStartEnabled(bool enabled) = 0;
    virtual void SetStopEnabled(bool enabled) = 0;

    // txtWarning: moved over combRatio / lblPPTRate and shown for a batch.
    virtual void ShowWarning(bool visible) = 0;

    // txtSource and the drop hint txtBlank
    virtual std::string SourceText() = 0;
    virtual void SetSourceText(const std::string& text) = 0;
    virtual void HideDropHint() = 0;

    // Window caption (title plus mode label).
    virtual void SetCaption(const std::string& text) = 0;

    // Message boxes carry the program title as caption and an OK button.
    virtual void MessageBox(const std::string& text, Icon icon) = 0;
    // Yes / No / Cancel box; closing it counts as Cancel.
    virtual Answer AskYesNoCancel(const std::string& text, Icon icon) = 0;
    // Input box; nullopt when cancelled.
    virtual std::optional<std::string> InputBox(const std::string& prompt,
                                                const std::string& title,
                                                const std::string& preset) = 0;

    // Where the batch stands; shown beside lblMsg, never in the log.
    virtual void ShowProgress(const BatchProgress&) {}

    // Lets pending window messages run once (stop clicks, repaints, close).
    virtual void DoEvents() = 0;
    virtual void Beep() = 0;
};

inline constexpr const char* kProgramTitle = "クイルマックス";

} // namespace quillmax::engine
