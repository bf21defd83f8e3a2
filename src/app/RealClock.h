#pragma once

#include "app/Services.h"

#include <QElapsedTimer>

namespace corvid {

// Wall-clock time. Pauses run a local event loop that keeps windows painting and timers firing
// but holds user input back until the pause ends.
class RealClock : public Clock {
public:
    RealClock() { elapsed_.start(); }
    std::int64_t NowMs() const override { return elapsed_.elapsed(); }
    void Sleep(int ms) override;
    std::unique_ptr<ClockTimer> CreateTimer(int intervalMs,
                                            std::function<void()> onTimeout) override;

private:
    QElapsedTimer elapsed_;
};

} // namespace corvid
