#include "base/RealClock.h"

#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <thread>
#include <utility>

namespace corvid {

namespace {

class QtClockTimer : public ClockTimer {
public:
    QtClockTimer(int intervalMs, std::function<void()> onTimeout) {
        timer_.setInterval(intervalMs);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, std::move(onTimeout));
    }
    void Start() override { timer_.start(); }
    void Stop() override { timer_.stop(); }
    bool IsActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

void RunFor(int ms, QEventLoop& loop) {
    QTimer limit;
    limit.setSingleShot(true);
    limit.setTimerType(Qt::PreciseTimer);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(std::max(ms, 0));
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

void RealClock::Sleep(int ms) {
    QEventLoop loop;
    RunFor(ms, loop);
}

void RealClock::SleepUs(std::int64_t us) {
    const std::int64_t until = NowUs() + us;
    if (us >= 2000) {
        Sleep(static_cast<int>(us / 1000) - 1);
    }
    if (const std::int64_t left = until - NowUs(); left > 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(left));
    }
}

void RealClock::Wait(int limitMs) {
    if (std::exchange(woken_, false)) {
        return;
    }
    QEventLoop loop;
    QEventLoop* outer = std::exchange(waiting_, &loop);
    RunFor(limitMs, loop);
    waiting_ = outer;
    woken_ = false;
}

void RealClock::Wake() {
    if (waiting_ != nullptr) {
        waiting_->quit();
    } else {
        woken_ = true;
    }
}

std::unique_ptr<ClockTimer> RealClock::CreateTimer(int intervalMs,
                                                   std::function<void()> onTimeout) {
    return std::make_unique<QtClockTimer>(intervalMs, std::move(onTimeout));
}

} // namespace corvid
