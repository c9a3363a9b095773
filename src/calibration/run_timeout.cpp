#include "calibration/run_timeout.h"

namespace norvessa {
namespace {

constexpr std::int64_t MS_PER_SECOND = 1000;

}  // namespace

RunTimeout::RunTimeout(std::int64_t timeoutMs, std::int64_t countdownMs)
    : timeoutMs_(timeoutMs), countdownMs_(countdownMs) {}

void RunTimeout::Start(std::int64_t nowMs) {
    phase_ = Phase::WaitingForContact;
    deadlineMs_ = nowMs + timeoutMs_;
}

void RunTimeout::SetContactDown(bool down, std::int64_t nowMs) {
    if (phase_ == Phase::NotStarted || phase_ == Phase::WaitingForVerdict || TimedOut(nowMs)) {
        return;
    }
    if (down) {
        phase_ = Phase::ContactDown;
    } else if (phase_ == Phase::ContactDown) {
        Start(nowMs);
    }
}

void RunTimeout::LastTargetAccepted(std::int64_t nowMs) {
    if (phase_ == Phase::WaitingForVerdict || phase_ == Phase::NotStarted) {
        return;
    }
    phase_ = Phase::WaitingForVerdict;
    deadlineMs_ = nowMs + timeoutMs_;
}

bool RunTimeout::TimedOut(std::int64_t nowMs) const {
    const bool running = phase_ == Phase::WaitingForContact || phase_ == Phase::WaitingForVerdict;
    return running && nowMs >= deadlineMs_;
}

std::optional<std::int64_t> RunTimeout::CountdownSeconds(std::int64_t nowMs) const {
    const bool running = phase_ == Phase::WaitingForContact || phase_ == Phase::WaitingForVerdict;
    const std::int64_t left = deadlineMs_ - nowMs;
    if (!running || left <= 0 || left > countdownMs_) {
        return std::nullopt;
    }
    return (left + MS_PER_SECOND - 1) / MS_PER_SECOND;
}

std::optional<std::int64_t> RunTimeout::NextChange(std::int64_t nowMs) const {
    const bool running = phase_ == Phase::WaitingForContact || phase_ == Phase::WaitingForVerdict;
    if (!running || TimedOut(nowMs)) {
        return std::nullopt;
    }
    const std::int64_t left = deadlineMs_ - nowMs;
    if (left > countdownMs_) {
        return deadlineMs_ - countdownMs_;
    }
    // The shown number drops when the time left falls to the next lower whole second.
    const std::int64_t shown = (left + MS_PER_SECOND - 1) / MS_PER_SECOND;
    return deadlineMs_ - (shown - 1) * MS_PER_SECOND;
}

}  // namespace norvessa
