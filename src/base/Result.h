#pragma once

#include <string>
#include <utility>

namespace corvid {

// How an operation ended: done (with its value), or refused or failed with the reason the user
// was shown, or why nothing was done.
template <typename T = void> struct Result {
    bool done = false;
    std::string reason;
    // Meaningful only when done.
    T value{};

    static Result Done(T value) { return {true, {}, std::move(value)}; }
    static Result Refused(std::string why) { return {false, std::move(why), T{}}; }
    explicit operator bool() const { return done; }
};

template <> struct Result<void> {
    bool done = false;
    std::string reason;

    static Result Done() { return {true, {}}; }
    static Result Refused(std::string why) { return {false, std::move(why)}; }
    explicit operator bool() const { return done; }
};

// The same ending without a value: what a failure was, whatever the value would have been.
template <typename T> Result<> Ending(const Result<T>& result) {
    return {result.done, result.reason};
}

} // namespace corvid
