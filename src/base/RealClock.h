#pragma once

#include "base/Services.h"

#include <QElapsedTimer>

class QEventLoop;

namespace corvid {

// Wall-clock time. Pauses and waits run a local event loop that keeps windows painting and
// timers firing but holds user input back until they end.
class RealClock : public Clock {
public:
    RealClock() { elapsed_.start(); }
    std::int64_t NowMs() const override { return elapsed_.elapsed(); }
    std::int64_t NowUs() const override { return elapsed_.nsecsElapsed() / 1000; }
    void Sleep(int ms) override;
    // The event loop's pause for the milliseconds, then the system's for the rest.
    void SleepUs(std::int64_t us) override;
    void Wait(int limitMs) override;
    void Wake() override;
    std::unique_ptr<ClockTimer> CreateTimer(int intervalMs,
                                            std::function<void()> onTimeout) override;

private:
    QElapsedTimer elapsed_;
    QEventLoop* waiting_ = nullptr;
    bool woken_ = false;
};

} // namespace corvid
