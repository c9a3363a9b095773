#include "calibration/guidance_text.h"

#include "resource.h"

namespace norvessa {

GuidanceText GuidanceFor(const CalibrationRun& run, std::optional<std::int64_t> countdownSeconds) {
    GuidanceText text;
    if (run.AllTargetsAccepted()) {
        // A check has no verdict to wait for: its picture follows at once.
        text.heading = {run.checking() ? IDS_GUIDE_INSTRUCTION : IDS_WAITING_FOR_CONTROLLER};
    } else {
        text.heading = {IDS_GUIDE_INSTRUCTION};
        text.progress = ResourceText{ProgressTextId(run), std::int64_t{run.currentTarget()} + 1,
                                     run.TruncatedPointCount()};
    }
    if (countdownSeconds) {
        text.countdown = ResourceText{IDS_GUIDE_COUNTDOWN, *countdownSeconds};
    }
    switch (run.lastRefusal()) {
        case LiftOffRefusal::TooShort:
            text.hint = ResourceText{IDS_HINT_HOLD_LONGER};
            break;
        case LiftOffRefusal::TooMuchMovement:
            text.hint = ResourceText{IDS_HINT_TOO_MUCH_MOVEMENT};
            break;
        case LiftOffRefusal::None:
            break;
    }
    return text;
}

int ProgressTextId(const CalibrationRun& run) {
    return run.checking() ? IDS_CHECK_PROGRESS : IDS_GUIDE_PROGRESS;
}

}  // namespace norvessa
