#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace corvid {

// Message boxes and questions. Injected so tests can script the answers and read the texts.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box with one OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // A modal Yes/No question. Only No cancels: closing the question counts as Yes.
    virtual bool Confirm(const std::string& text) = 0;
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
    // Pauses for ms milliseconds. Windows keep painting and timers keep firing, but user input
    // is held until the pause ends, so no second exchange with the pedal can start.
    virtual void Sleep(int ms) = 0;
    // A short wait between two looks at the pedal inside a longer wait; the same as a pause,
    // but not one of the protocol's own.
    virtual void Poll(int ms) { Sleep(ms); }
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
