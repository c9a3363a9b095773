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

std::string FrameLogLine(std::span<const std::uint8_t> report) {
    static constexpr char DIGITS[] = "0123456789ABCDEF";
    std::string line;
    for (std::uint8_t byte : report) {
        line += DIGITS[byte >> 4];
        line += DIGITS[byte & 0x0F];
        line += ' ';
    }
    return line + '\n';
}

ReplyFrame VerdictReply(std::uint8_t verdict) {
    return MakeReply(FRAME_MAGIC[0], FRAME_MAGIC[1], verdict);
}

ReplyFrame TouchReport(std::uint8_t reportId, std::uint16_t sequence) {
    ReplyFrame report = MakeReply(reportId, FRAME_MAGIC[1], VERDICT_SUCCESS);
    report[3] = static_cast<std::uint8_t>(sequence & 0xFF);
    report[4] = static_cast<std::uint8_t>(sequence >> 8);
    return report;
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
        OnPointFrame(report, now);
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
    if (model_) {
        model_->BeginCalibration(progress_.screenWidth, progress_.screenHeight,
                                 progress_.pointCount);
    }
}

void SimulatedController::OnPointFrame(std::span<const std::uint8_t> report,
                                       Clock::time_point now) {
    const int number = report[FRAME_COMMAND_OFFSET];
    if (progress_.calibrationsStarted == 0) {
        violations_.push_back("point frame before any set-up frame");
    } else if (number != progress_.lastPointNumber + 1) {
        violations_.push_back("point frame " + std::to_string(number) + " after " +
                              std::to_string(progress_.lastPointNumber));
    } else if (number > progress_.pointCount) {
        violations_.push_back("point frame " + std::to_string(number) + " beyond the count");
    }
    progress_.lastPointNumber = number;
    if (model_) {
        model_->Announce(number, Le16At(report, FRAME_X_OFFSET), Le16At(report, FRAME_Y_OFFSET));
    }
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
    if (model_) {
        model_->Reset();
    }
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

void SimulatedController::FingerDown(Clock::time_point now) {
    // A finger landing sets the digitizer reporting at once.
    if (stream_) {
        ScheduleTouchBurst(now);
    }
    if (awaitingFinalTouch_) {
        fingerDownOnLastTarget_ = true;
    }
}

void SimulatedController::FingerUp(Clock::time_point now) {
    if (!awaitingFinalTouch_ || !fingerDownOnLastTarget_) {
        return;
    }
    awaitingFinalTouch_ = false;
    std::optional<bool> fitted;
    if (model_) {
        fitted = model_->Finish();
    }
    SendVerdict(now + calibration_.delay, fitted);
}

void SimulatedController::FingerDownAt(GlassPoint /*glass*/, Clock::time_point now) {
    // Only the lift-off's reading enters the calibration; the touch-down is as without a model.
    FingerDown(now);
}

void SimulatedController::FingerUpAt(GlassPoint glass, Clock::time_point now) {
    if (model_) {
        model_->LiftOff(glass);
    }
    FingerUp(now);
}

DigitizerPoint SimulatedController::ReportedPosition(GlassPoint glass) const {
    if (model_) {
        return model_->Reported(glass);
    }
    return ScreenModel(Distortion{}).Reported(glass);
}

void SimulatedController::SendVerdict(Clock::time_point due, std::optional<bool> fitted) {
    if (progress_.verdictSent) {
        return;
    }
    progress_.verdictSent = true;
    awaitingFinalTouch_ = false;
    for (const ReplyFrame& report : calibration_.reportsBeforeVerdict) {
        Schedule(due, report);
    }
    if (fitted) {
        Schedule(due, VerdictReply(*fitted ? VERDICT_SUCCESS : VERDICT_FAILURE));
        return;
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

void SimulatedController::StartTouchStream(const TouchStream& stream, Clock::time_point now) {
    stream_ = stream;
    nextStreamReport_ = now + stream.interval;
    ScheduleTouchBurst(now);
}

void SimulatedController::ScheduleTouchBurst(Clock::time_point due) {
    for (std::size_t i = 0; i < stream_->burst; ++i) {
        Schedule(due, NextTouchReport());
    }
}

ReplyFrame SimulatedController::NextTouchReport() {
    return TouchReport(stream_->reportId, static_cast<std::uint16_t>(touchReportsMade_++));
}

std::optional<Clock::time_point> SimulatedController::NextStreamTime() const {
    if (!stream_ || stream_->interval <= Milliseconds::zero()) {
        return std::nullopt;
    }
    return nextStreamReport_;
}

std::optional<ReplyFrame> SimulatedController::TakeDueReport(Clock::time_point now) {
    const std::optional<Clock::time_point> stream = NextStreamTime();
    const bool queuedFirst = !pending_.empty() && (!stream || pending_.front().due <= *stream);
    if (queuedFirst && pending_.front().due <= now) {
        ReplyFrame report = pending_.front().report;
        pending_.pop_front();
        return report;
    }
    if (!queuedFirst && stream && *stream <= now) {
        nextStreamReport_ += stream_->interval;
        return NextTouchReport();
    }
    return std::nullopt;
}

std::optional<Clock::time_point> SimulatedController::NextDueTime() const {
    std::optional<Clock::time_point> next = NextStreamTime();
    if (!pending_.empty() && (!next || pending_.front().due < *next)) {
        next = pending_.front().due;
    }
    return next;
}

}  // namespace norvessa::sim
