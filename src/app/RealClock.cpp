#include "app/RealClock.h"

#include <QEventLoop>
#include <QTimer>

namespace corvid {

namespace {

class QtClockTimer : public ClockTimer {
public:
    QtClockTimer(int intervalMs, std::function<void()> onTimeout) {
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, std::move(onTimeout));
    }
    void Start() override { timer_.start(); }
    void Stop() override { timer_.stop(); }
    bool IsActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace

void RealClock::Sleep(int ms) {
    QEventLoop loop;
    QTimer::singleShot(std::max(ms, 0), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

std::unique_ptr<ClockTimer> RealClock::CreateTimer(int intervalMs,
                                                   std::function<void()> onTimeout) {
    return std::make_unique<QtClockTimer>(intervalMs, std::move(onTimeout));
}

} // namespace corvid
