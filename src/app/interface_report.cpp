// SPDX-License-Identifier: MIT
#include "app/interface_report.h"

#include <charconv>
#include <cstdio>

namespace norvessa {
namespace {

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", digits, static_cast<unsigned>(value));
    return text;
}

std::string Reason(const InterfaceReport& report) {
    if (!report.match) {
        return report.failure.empty() ? "cannot be described" : report.failure;
    }
    switch (*report.match) {
        case MatchResult::Controller:
            return {};
        case MatchResult::NoPath:
            return "no device path";
        case MatchResult::EmptyTable:
            return "no output report";
        case MatchResult::OtherReportId:
            return "report ID not 0xAA (0x" + Hex(report.firstReportId.value_or(0), 2) + ")";
        case MatchResult::OutputReportTooLong:
            return "output longer than 64 bytes (" +
                   std::to_string(report.caps.outputReportByteLength) + ")";
        case MatchResult::InputReportTooLong:
            return "input longer than 64 bytes (" +
                   std::to_string(report.caps.inputReportByteLength) + ")";
    }
    return "cannot be described";
}

}  // namespace

void RecordMatch(InterfaceReport& report, MatchResult match, const HidCaps& caps,
                 std::span<const OutputDataEntry> table) {
    report.caps = caps;
    report.firstReportId =
        table.empty() ? std::nullopt : std::optional<std::uint32_t>(table.front().reportId);
    report.match = match;
}

bool ReadHidId(std::string_view hidId, InterfaceReport& report) {
    // Three hexadecimal fields of 4, 8 and 8 digits; vendor and product fit 16 bits.
    if (hidId.size() != 22 || hidId[4] != ':' || hidId[13] != ':') {
        return false;
    }
    std::uint32_t fields[2] = {};
    for (int f = 0; f < 2; ++f) {
        const std::string_view digits = hidId.substr(5 + 9 * static_cast<std::size_t>(f), 8);
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), fields[f], 16);
        if (error != std::errc() || end != digits.data() + digits.size() || fields[f] > 0xFFFF) {
            return false;
        }
    }
    report.vendorId = static_cast<std::uint16_t>(fields[0]);
    report.productId = static_cast<std::uint16_t>(fields[1]);
    return true;
}

std::string Verdict(const InterfaceReport& report) {
    if (report.match == MatchResult::Controller) {
        return "is the controller";
    }
    return "not the controller: " + Reason(report);
}

std::string FormatInterfaceLine(const InterfaceReport& report) {
    const std::string ids = report.vendorId && report.productId
                                ? Hex(*report.vendorId, 4) + ":" + Hex(*report.productId, 4)
                                : "????:????";
    std::string line =
        report.path + "\t" + ids + "\t\"" + report.productName + "\"\t" + Verdict(report);
    if (!report.serialNumber.empty()) {
        line += "\tserial \"" + report.serialNumber + "\"";
    }
    if (!report.usbPort.empty()) {
        line += "\tport " + report.usbPort;
    }
    return line;
}

}  // namespace norvessa
