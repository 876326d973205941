// File: tests/support/recorder_view.h
// A main window that records what the system shows and answers questions
// from a script, for tests of the batch, the pass and the engine.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/view.h"

namespace quillmax::test {

struct ShownBox {
    std::string text;
    engine::Icon icon;
};

class RecorderView : public engine::MainView {
public:
    void AppendLog(const std::string& text) override { log += text; }
    void ClearLog() override { log.clear(); }
    std::string LogText() override { return log; }
    void SetStatus(const std::string& text) override {
        status = text;
        statuses.push_back(text);
    }
    std::string Status() override { return status; }
    void SetStartEnabled(bool e) override { startEnabled = e; }
    void SetStopEnabled(bool e) override { stopEnabled = e; }
    void ShowWarning(bool v) override {
        warningVisible = v;
        if (v) warningShown = true;
    }
    std::string SourceText() override { return source; }
    void SetSourceText(const std::string& t) override { source = t; }
    void HideDropHint() override { dropHintVisible = false; }
    void SetCaption(const std::string& t) override { caption = t; }
    void MessageBox(const std::string& text, engine::Icon icon) override { boxes.push_back({text, icon}); }
    engine::Answer AskYesNoCancel(const std::string& text, engine::Icon icon) override {
        questions.push_back(text);
        if (answers.empty()) return engine::Answer::Cancel;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& preset) override {
        inputPrompts.push_back(prompt);
        inputPresets.push_back(preset);
        if (inputs.empty()) return std::nullopt;
        auto a = inputs.front();
        inputs.pop_front();
        return a;
    }
    void ShowProgress(const engine::BatchProgress& p) override { progress.push_back(p); }
    void DoEvents() override {
        ++doEvents;
        if (onDoEvents) onDoEvents(doEvents);
    }
    void Beep() override { ++beeps; }

    std::vector<std::string> boxTexts() const {
        std::vector<std::string> t;
        for (auto& b : boxes) t.push_back(b.text);
        return t;
    }

    std::string log, status, source, caption;
    std::vector<std::string> statuses;
    bool startEnabled = true, stopEnabled = false, warningVisible = false, warningShown = false;
    bool dropHintVisible = true;
    std::vector<ShownBox> boxes;
    std::vector<std::string> questions, inputPrompts, inputPresets;
    std::deque<engine::Answer> answers;                 // scripted Yes/No/Cancel answers
    std::deque<std::optional<std::string>> inputs;   // scripted input-box answers
    std::vector<engine::BatchProgress> progress;
    int doEvents = 0, beeps = 0;
    std::function<void(int)> onDoEvents;             // e.g. press stop on the n-th yield
};

} // namespace quillmax::test
