#pragma once
// The calibration window's way out without a keyboard: a run that sees no contact start for
// 30 s, or no verdict within 30 s after its last target, ends as Escape ends it. In the last
// 10 s a countdown shows. A state machine fed with the time; it asks for no timer of its own,
// it only says when it next changes, so the window wakes for it at those moments alone.

#include <cstdint>
#include <optional>

namespace norvessa {

inline constexpr std::int64_t RUN_TIMEOUT_MS = 30000;
inline constexpr std::int64_t COUNTDOWN_MS = 10000;

class RunTimeout {
  public:
    // Times are milliseconds of one monotonic clock.
    explicit RunTimeout(std::int64_t timeoutMs = RUN_TIMEOUT_MS,
                        std::int64_t countdownMs = COUNTDOWN_MS);

    // The window is shown: the run waits for its first contact from `nowMs`.
    void Start(std::int64_t nowMs);
    // Contacts hold the clock while they are down; the wait starts again when the last lifts.
    // Once every target was accepted they no longer count: the verdict is awaited.
    void SetContactDown(bool down, std::int64_t nowMs);
    // The last target was accepted: the verdict is due within the time-out from now.
    void LastTargetAccepted(std::int64_t nowMs);

    bool TimedOut(std::int64_t nowMs) const;
    // Whole seconds left, rounded up, while the countdown shows; none otherwise.
    std::optional<std::int64_t> CountdownSeconds(std::int64_t nowMs) const;
    // When the time-out or the countdown next changes: the window looks again then. None while
    // a contact holds the clock, before Start and after the time-out.
    std::optional<std::int64_t> NextChange(std::int64_t nowMs) const;

  private:
    enum class Phase { NotStarted, WaitingForContact, ContactDown, WaitingForVerdict };

    std::int64_t timeoutMs_;
    std::int64_t countdownMs_;
    Phase phase_ = Phase::NotStarted;
    std::int64_t deadlineMs_ = 0;
};

}  // namespace norvessa
