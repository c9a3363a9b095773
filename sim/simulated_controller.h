#pragma once
// A touch controller in software: it takes output reports exactly as the tool writes them and
// answers with 64-byte input reports, the way a real controller must. It sees the finger the
// way the real one does, directly: whoever plays the finger reports touch-down and lift-off.
// Time is passed in by the caller, so the class is deterministic and needs no thread; serving
// loops (a socket pair on Linux, a named pipe on Windows) wrap it behind a real OS handle.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "protocol/frames.h"
#include "screen_model.h"

namespace norvessa::sim {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

enum class Answer { Success, Failure, Custom, Silent };

struct CalibrationScript {
    Answer answer = Answer::Success;
    ReplyFrame customReply{};  // sent for Answer::Custom
    Milliseconds delay{0};     // from the final lift-off to the verdict
    // Reports that are no verdict, sent just before the verdict.
    std::vector<ReplyFrame> reportsBeforeVerdict;
    // When non-zero, the verdict follows this point frame at once, before any touch.
    int earlyVerdictAtPoint = 0;
};

struct ResetScript {
    Answer answer = Answer::Success;
    ReplyFrame customReply{};
    Milliseconds delay{0};
};

// Touch reports of a digitizer collection that shares the controller's device, and so its
// hidraw node: they arrive on the same channel as the replies, interleaved with them.
struct TouchStream {
    std::uint8_t reportId = 0x01;  // any ID but the controller's 0xAA
    // One report per interval while the stream runs; zero sends the bursts only.
    Milliseconds interval{2};
    // Reports queued at once when the stream starts and at every touch-down: more than the
    // kernel keeps unread per open hidraw file (64).
    std::size_t burst = 100;
};

// A touch report: the report ID, then bytes 1 and 2 as a success verdict's (so only the ID
// tells it from one), then a running sequence number in bytes 3 and 4.
ReplyFrame TouchReport(std::uint8_t reportId, std::uint16_t sequence);

// Where the controller stands in a calibration run.
struct RunProgress {
    int calibrationsStarted = 0;
    int pointCount = 0;  // count byte of the last set-up frame
    int screenWidth = 0;
    int screenHeight = 0;
    int lastPointNumber = 0;  // target number of the last point frame
    bool verdictSent = false;
};

ReplyFrame MakeReply(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2);
ReplyFrame VerdictReply(std::uint8_t verdict);
// A received report as the demos' frame log writes it: each byte "%02X " and a newline.
std::string FrameLogLine(std::span<const std::uint8_t> report);

class SimulatedController {
  public:
    void SetCalibrationScript(CalibrationScript script) { calibration_ = std::move(script); }
    void SetResetScript(ResetScript script) { reset_ = std::move(script); }

    // An output report as the device receives it: the first bytes of a frame, as many as
    // the tool wrote (report ID first).
    void OnOutputReport(std::span<const std::uint8_t> report, Clock::time_point now);
    void FingerDown(Clock::time_point now);
    void FingerUp(Clock::time_point now);

    // A screen that needs calibrating; none by default. With one set, set-up, point and reset
    // frames drive its calibration, and the verdict after the final lift-off is its Finish()
    // (the calibration script's delay and reports before the verdict still apply; an early
    // verdict still gives the script's answer). Play the finger with the At forms then, and
    // call FingerUpAt before passing on the point frame the tool sends in answer to the
    // lift-off, as on a real device. On the last target the first lift-off after a touch-down
    // ends the run, so it is the reading fitted there.
    void SetScreenModel(std::optional<ScreenModel> model) { model_ = std::move(model); }
    const std::optional<ScreenModel>& screenModel() const { return model_; }
    void FingerDownAt(GlassPoint glass, Clock::time_point now);
    void FingerUpAt(GlassPoint glass, Clock::time_point now);
    // Where the controller reports a finger at `glass`: through the model if one is set, else
    // the glass position as it is, rounded and clamped to the logical range.
    DigitizerPoint ReportedPosition(GlassPoint glass) const;

    // Starts (or restarts with new settings) the touch stream: its first burst is due `now`,
    // its first periodic report one interval later. Stopping it drops the periodic reports;
    // those already queued stay.
    void StartTouchStream(const TouchStream& stream, Clock::time_point now);
    void StopTouchStream() { stream_.reset(); }
    // Touch reports made so far, burst reports as soon as they are queued.
    std::size_t touchReportsMade() const { return touchReportsMade_; }

    // Puts a report in the input queue now, ahead of anything scheduled later (a stale
    // report left over from before an exchange).
    void QueueReport(const ReplyFrame& report, Clock::time_point now);

    // The next input report whose time has come, in scheduling order; the touch stream's
    // periodic reports interleave by their own times.
    std::optional<ReplyFrame> TakeDueReport(Clock::time_point now);
    std::optional<Clock::time_point> NextDueTime() const;

    const std::vector<std::vector<std::uint8_t>>& received() const { return received_; }
    const std::vector<std::string>& violations() const { return violations_; }
    const RunProgress& progress() const { return progress_; }

  private:
    struct Scheduled {
        Clock::time_point due;
        ReplyFrame report;
    };

    void OnSetupFrame(std::span<const std::uint8_t> report);
    void OnPointFrame(std::span<const std::uint8_t> report, Clock::time_point now);
    void OnResetFrame(Clock::time_point now);
    // `fitted` replaces the script's answer when the screen model gave the verdict.
    void SendVerdict(Clock::time_point due, std::optional<bool> fitted = std::nullopt);
    void Schedule(Clock::time_point due, const ReplyFrame& report);
    void ScheduleTouchBurst(Clock::time_point due);
    ReplyFrame NextTouchReport();
    std::optional<Clock::time_point> NextStreamTime() const;

    CalibrationScript calibration_;
    ResetScript reset_;
    RunProgress progress_;
    std::optional<ScreenModel> model_;
    bool awaitingFinalTouch_ = false;
    bool fingerDownOnLastTarget_ = false;
    std::deque<Scheduled> pending_;
    std::optional<TouchStream> stream_;
    Clock::time_point nextStreamReport_{};
    std::size_t touchReportsMade_ = 0;
    std::vector<std::vector<std::uint8_t>> received_;
    std::vector<std::string> violations_;
};

}  // namespace norvessa::sim
