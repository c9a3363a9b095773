// SPDX-License-Identifier: MIT
#pragma once
// One line of `--list`: a HID interface that the controller search looks at, and why it is or
// is not the touch controller, in words a user can act on.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "controller/controller_match.h"
#include "hid/output_table.h"

namespace norvessa {

struct InterfaceReport {
    std::string path;
    // From the device's identity, also when the interface itself cannot be opened.
    std::optional<std::uint16_t> vendorId;
    std::optional<std::uint16_t> productId;
    std::string productName;
    // What tells two identical devices apart; each empty when unknown.
    std::string serialNumber;
    std::string usbPort;
    // Set when the interface was opened and described; `failure` says why not otherwise.
    std::optional<MatchResult> match;
    std::string failure;
    // What the match test looked at, for the reason's details.
    HidCaps caps;
    std::optional<std::uint32_t> firstReportId;
};

// Fills the match fields of `report` from an opened interface's description and the match
// test's result on it.
void RecordMatch(InterfaceReport& report, MatchResult match, const HidCaps& caps,
                 std::span<const OutputDataEntry> table);

// Vendor and product from the kernel's HID_ID text "BUS:VVVVVVVV:PPPPPPPP" (hexadecimal);
// false, with `report` untouched, for any other text.
bool ReadHidId(std::string_view hidId, InterfaceReport& report);

// "is the controller", or "not the controller: <reason>".
std::string Verdict(const InterfaceReport& report);

// path, vendor:product, "product name", verdict; then serial "X" and port P, each only when
// known; tab-separated.
std::string FormatInterfaceLine(const InterfaceReport& report);

}  // namespace norvessa
