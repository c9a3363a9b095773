#pragma once
// Which opened HID interface is the touch controller.

#include <cstdint>
#include <span>

#include "controller/controller_reports.h"
#include "hid/output_table.h"

namespace norvessa {

enum class MatchResult {
    Controller,
    NoPath,
    EmptyTable,
    OtherReportId,
    OutputReportTooLong,
    InputReportTooLong,
};

// The interface is the controller when it has a path, its output-data table is non-empty and
// the first entry carries the controller's report ID. Vendor, product and product string play
// no part. Reports longer than the 64-byte frame and read buffers are refused.
MatchResult MatchController(bool hasPath, const HidCaps& caps,
                            std::span<const OutputDataEntry> table);

inline bool IsController(bool hasPath, const HidCaps& caps,
                         std::span<const OutputDataEntry> table) {
    return MatchController(hasPath, caps, table) == MatchResult::Controller;
}

}  // namespace norvessa
