#include "simulated_controller.h"

#include <algorithm>

namespace norvessa::sim {
namespace {

std::uint8_t ByteAt(std::span<const std::uint8_t> report, std::size_t offset) {
    return offset < report.size() ? report[offset] : 0;
}

int Le16At(std::span<const std::uint8_t> report, std::size_t offset) {
    return ByteAt(report, offset) | (ByteAt(report, offset + 1) << 8);
}

}  // namespace

ReplyFrame MakeReply(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
    ReplyFrame reply{};
    reply[0] = b0;
    reply[1] = b1;
    reply[2] = b2;
    return reply;
}

ReplyFrame VerdictReply(std::uint8_t verdict) {
    return MakeReply(FRAME_MAGIC[0], FRAME_MAGIC[1], verdict);
}

void SimulatedController::OnOutputReport(std::span<const std::uint8_t> report,
                                         Clock::time_point now) {
    received_.emplace_back(report.begin(), report.end());
    if (report.size() < 3 || report[0] != FRAME_MAGIC[0] || report[1] != FRAME_MAGIC[1]) {
        violations_.push_back("report without the frame magic");
        return;
    }
    const std::uint8_t command = report[FRAME_COMMAND_OFFSET];
    if (command == CMD_SETUP) {
        OnSetupFrame(report);
    } else if (command == CMD_RESET) {
        OnResetFrame(now);
    } else {
        OnPointFrame(command, now);
    }
}

void SimulatedController::OnSetupFrame(std::span<const std::uint8_t> report) {
    // A set-up frame starts a new run, also right after a failed one.
    ++progress_.calibrationsStarted;
    progress_.screenWidth = Le16At(report, FRAME_X_OFFSET);
    progress_.screenHeight = Le16At(report, FRAME_Y_OFFSET);
    progress_.pointCount = ByteAt(report, FRAME_COUNT_OFFSET);
    progress_.lastPointNumber = 0;
    progress_.verdictSent = false;
    awaitingFinalTouch_ = false;
    fingerDownOnLastTarget_ = false;
}

void SimulatedController::OnPointFrame(int number, Clock::time_point now) {
    if (progress_.calibrationsStarted == 0) {
        violations_.push_back("point frame before any set-up frame");
    } else if (number != progress_.lastPointNumber + 1) {
        violations_.push_back("point frame " + std::to_string(number) + " after " +
                              std::to_string(progress_.lastPointNumber));
    } else if (number > progress_.pointCount) {
        violations_.push_back("point frame " + std::to_string(number) + " beyond the count");
    }
    progress_.lastPointNumber = number;
    if (calibration_.earlyVerdictAtPoint == number) {
        SendVerdict(now + calibration_.delay);
        return;
    }
    if (number == progress_.pointCount) {
        awaitingFinalTouch_ = true;
        fingerDownOnLastTarget_ = false;
    }
}

void SimulatedController::OnResetFrame(Clock::time_point now) {
    switch (reset_.answer) {
        case Answer::Success:
            Schedule(now + reset_.delay, VerdictReply(VERDICT_SUCCESS));
            break;
        case Answer::Failure:
            Schedule(now + reset_.delay, VerdictReply(VERDICT_FAILURE));
            break;
        case Answer::Custom:
            Schedule(now + reset_.delay, reset_.customReply);
            break;
        case Answer::Silent:
            break;
    }
}

void SimulatedController::FingerDown(Clock::time_point) {
    if (awaitingFinalTouch_) {
        fingerDownOnLastTarget_ = true;
    }
}

void SimulatedController::FingerUp(Clock::time_point now) {
    if (!awaitingFinalTouch_ || !fingerDownOnLastTarget_) {
        return;
    }
    awaitingFinalTouch_ = false;
    SendVerdict(now + calibration_.delay);
}

void SimulatedController::SendVerdict(Clock::time_point due) {
    if (progress_.verdictSent) {
        return;
    }
    progress_.verdictSent = true;
    awaitingFinalTouch_ = false;
    for (const ReplyFrame& report : calibration_.reportsBeforeVerdict) {
        Schedule(due, report);
    }
    switch (calibration_.answer) {
        case Answer::Success:
            Schedule(due, VerdictReply(VERDICT_SUCCESS));
            break;
        case Answer::Failure:
            Schedule(due, VerdictReply(VERDICT_FAILURE));
            break;
        case Answer::Custom:
            Schedule(due, calibration_.customReply);
            break;
        case Answer::Silent:
            break;
    }
}

void SimulatedController::QueueReport(const ReplyFrame& report, Clock::time_point now) {
    Schedule(now, report);
}

void SimulatedController::Schedule(Clock::time_point due, const ReplyFrame& report) {
    // Keep the queue ordered by due time; reports due together leave in the order given.
    const auto position = std::upper_bound(
        pending_.begin(), pending_.end(), due,
        [](Clock::time_point time, const Scheduled& entry) { return time < entry.due; });
    pending_.insert(position, Scheduled{due, report});
}

std::optional<ReplyFrame> SimulatedController::TakeDueReport(Clock::time_point now) {
    if (pending_.empty() || pending_.front().due > now) {
        return std::nullopt;
    }
    ReplyFrame report = pending_.front().report;
    pending_.pop_front();
    return report;
}

std::optional<Clock::time_point> SimulatedController::NextDueTime() const {
    if (pending_.empty()) {
        return std::nullopt;
    }
    return pending_.front().due;
}

}  // namespace norvessa::sim
