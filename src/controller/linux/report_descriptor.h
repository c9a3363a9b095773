#pragma once
// From the report descriptor of a hidraw node to the description the controller link matches:
// the caps and the output-data table, built by the same table build as on Windows from the
// capability records of our own descriptor parser.

#include <cstdint>
#include <optional>
#include <span>

#include "controller/controller_match.h"
#include "hid/output_table.h"

namespace norvessa {

struct InterfaceDescription {
    HidCaps caps;
    OutputGroup output;
    MatchResult match = MatchResult::EmptyTable;
};

// A hidraw node carries the whole descriptor of its device, while Windows opens every top-level
// collection as an interface of its own. The node is therefore described by its first
// collection that passes the match test, else by its first collection whose table builds;
// collections the parser cannot read are passed over. Nothing when the descriptor is refused
// whole or no collection's table builds.
std::optional<InterfaceDescription> DescribeReportDescriptor(
    std::span<const std::uint8_t> descriptor);

// The descriptor holds the touch controller's collection.
bool IsControllerDescriptor(std::span<const std::uint8_t> descriptor);

enum class AccessVerdict { Controller, OtherDevice, ControllerBesideKeyboard };

// The access probe's decision. Whoever may open a node reads every report of its device, so a
// node that also declares a keyboard or keypad collection, or a collection whose usage could
// not be read, is not handed to the user even though it holds the controller.
AccessVerdict JudgeForSeatAccess(std::span<const std::uint8_t> descriptor);

}  // namespace norvessa
