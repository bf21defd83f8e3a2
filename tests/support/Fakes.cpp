#include "support/Fakes.h"

#include <algorithm>
#include <utility>

namespace corvid::testing {

struct VirtualClock::Timer : ClockTimer {
    Timer(VirtualClock& clock, int interval, std::function<void()> callback)
        : clock(clock), interval(interval), callback(std::move(callback)) {
        clock.timers_.push_back(this);
    }
    ~Timer() override { std::erase(clock.timers_, this); }
    void Start() override {
        active = true;
        due = clock.now_ + interval;
    }
    void Stop() override { active = false; }
    bool IsActive() const override { return active; }

    VirtualClock& clock;
    int interval;
    std::function<void()> callback;
    bool active = false;
    std::int64_t due = 0;
};

void VirtualClock::Sleep(int ms) {
    pauses.push_back(ms);
    if (onSleep) {
        onSleep();
    }
    Advance(now_ + std::max(ms, 0));
}

void VirtualClock::Wait(int limitMs) {
    if (std::exchange(woken_, false)) {
        return;
    }
    Advance(now_ + std::max(limitMs, 0), true);
    woken_ = false;
}

void VirtualClock::Advance(std::int64_t to, bool wakeable) {
    // Fire due timers in time order; a callback may stop or start timers.
    for (;;) {
        Timer* next = nullptr;
        for (Timer* timer : timers_) {
            if (timer->active && timer->due <= to && (!next || timer->due < next->due)) {
                next = timer;
            }
        }
        if (next == nullptr) {
            break;
        }
        now_ = next->due;
        next->due += next->interval;
        next->callback();
        if (wakeable && woken_) {
            return;
        }
    }
    now_ = to;
}

std::unique_ptr<ClockTimer> VirtualClock::CreateTimer(int intervalMs,
                                                      std::function<void()> onTimeout) {
    return std::make_unique<Timer>(*this, intervalMs, std::move(onTimeout));
}

void ScriptedDialogs::ShowMessage(const std::string& text) {
    messages.push_back(text);
    if (onMessage) {
        onMessage(text);
    }
}

bool ScriptedDialogs::Confirm(const Question& question) {
    questions.push_back(question.text);
    questionKinds.push_back(question.kind);
    if (answers.empty()) {
        return true;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

std::filesystem::path ScriptedDialogs::OpenFileName(const FileDialogRequest& request) {
    fileDialogs.push_back(request);
    if (fileNames.empty()) {
        return {};
    }
    std::filesystem::path name = fileNames.front();
    fileNames.pop_front();
    return name;
}

std::filesystem::path ScriptedDialogs::SaveFileName(const FileDialogRequest& request) {
    return OpenFileName(request);
}

} // namespace corvid::testing
