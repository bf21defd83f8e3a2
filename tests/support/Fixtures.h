#pragma once

#include "app/Editor.h"
#include "app/TformMain.h"
#include "app/TformPrint.h"
#include "base/Services.h"
#include "emulator/EmulatedDriver.h"

#include <QTemporaryDir>

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
    bool Confirm(const std::string& text) override;
    // The next scripted file name (an empty path cancels; none left cancels too).
    std::filesystem::path OpenFileName(const FileDialogRequest& request) override;
    std::filesystem::path SaveFileName(const FileDialogRequest& request) override;

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::deque<bool> answers;
    std::vector<FileDialogRequest> fileDialogs;
    std::deque<std::filesystem::path> fileNames;
    // Runs inside each message box, as a user could act while it is open.
    std::function<void(const std::string&)> onMessage;
};

// A fresh editor over the emulated pedal, scripted dialogs, a virtual clock and an empty
// Documents folder. `prepare` runs before the program starts (to attach devices, fail calls or
// seed the data folder). The test fails if the pedal received bytes it could not make sense of.
class TestEditor {
public:
    explicit TestEditor(const std::function<void(TestEditor&)>& prepare = {});
    ~TestEditor();

    Session& core() { return *editor->session; }
    TformMain& main() { return *editor->formMain; }
    TformPrint& console() { return *editor->formPrint; }
    EmulatedPedal& pedal() { return driver.pedal; }
    std::vector<std::string> LogLines() const;
    std::string Documents() const { return documents.path().toStdString(); }
    void Connect();

    VirtualClock clock;
    EmulatedDriver driver{clock};
    ScriptedDialogs dialogs;
    QTemporaryDir documents;
    // The web site; set by `prepare` to check it at start-up (empty: no check).
    std::string webBase;
    // Whether the ports are watched (set by `prepare` for the tests about it).
    bool watchDevices = false;
    // The addresses the editor asked the browser to open.
    std::vector<std::string> opened;
    std::unique_ptr<Editor> editor;
};

} // namespace corvid::testing
