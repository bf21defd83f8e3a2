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
    void Sleep(int ms) override;
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
