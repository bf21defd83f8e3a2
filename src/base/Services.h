#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace corvid {

// What an open or save dialog shows: its title, the file filter ("Preset files (*.txt)"), the
// extension added to a name typed without one, and the folder it starts in.
struct FileDialogRequest {
    std::string title;
    std::string filter;
    std::string defaultSuffix;
    std::filesystem::path folder;
};

// What a question is for, so that a front end without windows knows whether to ask it.
enum class QuestionKind {
    // Confirms the step the user's own button or command asked for ("Save Parameters to
    // pedal?"): a command typed on a command line is already its answer.
    Confirm,
    // Warns of a step that cannot be taken back or may not be what was meant (an erase, a restore
    // across algorithm versions): asked on a terminal, and given only by --yes elsewhere.
    Risk,
};

// A Yes/No question with the exact text the windows show.
struct Question {
    QuestionKind kind = QuestionKind::Confirm;
    std::string text;
};

// How far a long job has come: `done` of `total` steps (values, blocks).
using JobProgress = std::function<void(std::size_t done, std::size_t total)>;

// Message boxes, questions and file dialogs. Injected so tests can script the answers and read
// the texts.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box with one OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // A modal Yes/No question: true only for Yes. Escape or closing it counts as No.
    virtual bool Confirm(const Question& question) = 0;
    // The file the user chose to open or to save to; empty when the dialog was cancelled.
    virtual std::filesystem::path OpenFileName(const FileDialogRequest& request) = 0;
    virtual std::filesystem::path SaveFileName(const FileDialogRequest& request) = 0;
};

// A repeating timer driven by the clock that created it.
class ClockTimer {
public:
    virtual ~ClockTimer() = default;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
};

// Every pause and every wait for the pedal goes through the clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t NowMs() const = 0;
    // The same clock in microseconds (a clock that counts milliseconds only multiplies).
    virtual std::int64_t NowUs() const { return NowMs() * 1000; }
    // One of the protocol's own pauses: ms milliseconds. Windows keep painting and timers keep
    // firing, but user input is held until the pause ends, so no second exchange can start.
    virtual void Sleep(int ms) = 0;
    // A pause of `us` microseconds, for schedules finer than a millisecond (a clock that counts
    // milliseconds only rounds it up).
    virtual void SleepUs(std::int64_t us) { Sleep(static_cast<int>((us + 999) / 1000)); }
    // Waits, holding input as Sleep does, until Wake is called or limitMs have passed. A Wake
    // that came while nobody waited ends the next wait at once, so no signal is lost between a
    // look at the pedal and the wait that follows it.
    virtual void Wait(int limitMs) = 0;
    // Ends the wait under way (the driver calls it when bytes arrived or left).
    virtual void Wake() = 0;
    virtual std::unique_ptr<ClockTimer> CreateTimer(int intervalMs,
                                                    std::function<void()> onTimeout) = 0;
};

// The debug console's log.
class Log {
public:
    virtual ~Log() = default;
    // Appends one line and, while auto-scroll is on, scrolls to it.
    virtual void PrintToConsole(const std::string& text) = 0;
    // Appends one line without the scroll step.
    virtual void PlainLine(const std::string& text) = 0;
};

} // namespace corvid
