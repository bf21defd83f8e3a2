#pragma once

#include "base/Services.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvid::testing {

// Virtual time: a pause advances the clock at once and is recorded; timers fire as time passes.
class VirtualClock : public Clock {
public:
    std::int64_t NowMs() const override { return now_; }
    // A protocol pause: recorded, then time moves on at once.
    void Sleep(int ms) override;
    // Time moves on until a timer's callback wakes the wait, or the limit; not recorded.
    void Wait(int limitMs) override;
    void Wake() override { woken_ = true; }
    std::unique_ptr<ClockTimer> CreateTimer(int intervalMs,
                                            std::function<void()> onTimeout) override;

    std::vector<int> pauses;
    // Runs at each protocol pause, as the user's input would be taken then.
    std::function<void()> onSleep;

private:
    struct Timer;
    // Fires the timers due up to `to` in time order; stops early, at the timer's time, once a
    // callback has woken the clock and wakeable is set.
    void Advance(std::int64_t to, bool wakeable = false);

    std::int64_t now_ = 1000;
    bool woken_ = false;
    std::vector<Timer*> timers_;
};

// Records every message and question; questions are answered from a script, Yes by default.
class ScriptedDialogs : public Dialogs {
public:
    void ShowMessage(const std::string& text) override;
    bool Confirm(const Question& question) override;
    // The next scripted file name (an empty path cancels; none left cancels too).
    std::filesystem::path OpenFileName(const FileDialogRequest& request) override;
    std::filesystem::path SaveFileName(const FileDialogRequest& request) override;

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<QuestionKind> questionKinds;
    std::deque<bool> answers;
    std::vector<FileDialogRequest> fileDialogs;
    std::deque<std::filesystem::path> fileNames;
    // Runs inside each message box, as a user could act while it is open.
    std::function<void(const std::string&)> onMessage;
};

// Keeps every line logged.
class RecordingLog : public Log {
public:
    void PrintToConsole(const std::string& text) override { lines.push_back(text); }
    void PlainLine(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

} // namespace corvid::testing
