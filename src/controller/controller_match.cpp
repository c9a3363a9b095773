#include "controller/controller_match.h"

namespace norvessa {

MatchResult MatchController(bool hasPath, const HidCaps& caps,
                            std::span<const OutputDataEntry> table) {
    if (!hasPath)
        return MatchResult::NoPath;
    if (table.empty())
        return MatchResult::EmptyTable;
    if (table.front().reportId != CONTROLLER_REPORT_ID)
        return MatchResult::OtherReportId;
    if (caps.outputReportByteLength > MAX_REPORT_LENGTH)
        return MatchResult::OutputReportTooLong;
    if (caps.inputReportByteLength > MAX_REPORT_LENGTH)
        return MatchResult::InputReportTooLong;
    return MatchResult::Controller;
}

}  // namespace norvessa
