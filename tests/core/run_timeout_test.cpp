#include "calibration/run_timeout.h"

#include <gtest/gtest.h>

#include <vector>

namespace norvessa {
namespace {

struct Check {
    std::int64_t nowMs;
    bool timedOut;
    std::optional<std::int64_t> countdown;
    std::optional<std::int64_t> nextChange;
};

enum class Action { None, ContactDown, ContactUp, LastTarget };
struct Step {
    std::int64_t nowMs;
    Action action;
};

struct TimeoutCase {
    const char* name;
    std::vector<Step> steps;  // after Start(0)
    std::vector<Check> checks;
};

class Timeout : public ::testing::TestWithParam<TimeoutCase> {};

TEST_P(Timeout, EndsAfterThirtySecondsWithACountdownInTheLastTen) {
    const TimeoutCase& c = GetParam();
    RunTimeout timeout;
    timeout.Start(0);
    for (const Step& step : c.steps) {
        if (step.action == Action::ContactDown || step.action == Action::ContactUp)
            timeout.SetContactDown(step.action == Action::ContactDown, step.nowMs);
        else if (step.action == Action::LastTarget)
            timeout.LastTargetAccepted(step.nowMs);
    }
    for (const Check& check : c.checks) {
        SCOPED_TRACE(check.nowMs);
        EXPECT_EQ(timeout.TimedOut(check.nowMs), check.timedOut);
        EXPECT_EQ(timeout.CountdownSeconds(check.nowMs), check.countdown);
        EXPECT_EQ(timeout.NextChange(check.nowMs), check.nextChange);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, Timeout,
    ::testing::Values(
        TimeoutCase{"NoContact",
                    {},
                    {{0, false, {}, 20000},
                     {19999, false, {}, 20000},
                     {20000, false, 10, 21000},
                     {20001, false, 10, 21000},
                     {28500, false, 2, 29000},
                     {29999, false, 1, 30000},
                     {30000, true, {}, {}}}},
        // A contact holds the clock; the wait starts afresh when it lifts.
        TimeoutCase{"ContactHoldsTheClock",
                    {{25000, Action::ContactDown}},
                    {{25000, false, {}, {}}, {90000, false, {}, {}}}},
        TimeoutCase{"LiftRestartsTheWait",
                    {{25000, Action::ContactDown}, {26000, Action::ContactUp}},
                    {{46000, false, 10, 47000}, {55999, false, 1, 56000}, {56000, true, {}, {}}}},
        // After the last target the verdict is due within 30 s, touches or not.
        TimeoutCase{"VerdictDue",
                    {{5000, Action::LastTarget}, {6000, Action::ContactDown}},
                    {{24000, false, {}, 25000}, {34000, false, 1, 35000}, {35000, true, {}, {}}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(TimeoutBeforeStart, NeverEndsARunThatWasNotShown) {
    RunTimeout timeout;
    timeout.SetContactDown(false, 0);
    timeout.LastTargetAccepted(0);
    EXPECT_FALSE(timeout.TimedOut(100000));
    EXPECT_FALSE(timeout.NextChange(100000).has_value());
}

}  // namespace
}  // namespace norvessa
