#include "controller/linux/report_descriptor.h"

#include <algorithm>

#include "hid/hid_descriptor.h"

namespace norvessa {
namespace {

constexpr std::uint16_t GENERIC_DESKTOP_PAGE = 0x01;
constexpr std::uint16_t KEYBOARD_USAGE = 0x06;
constexpr std::uint16_t KEYPAD_USAGE = 0x07;

bool IsKeyboardUsage(std::uint16_t page, std::uint16_t usage) {
    return page == GENERIC_DESKTOP_PAGE && (usage == KEYBOARD_USAGE || usage == KEYPAD_USAGE);
}

// Skipped collections count too: an odd item must not smuggle a keyboard past the probe.
bool MayDeclareKeyboard(const HidParseResult& parsed) {
    const bool readKeyboard = std::any_of(
        parsed.collections.begin(), parsed.collections.end(),
        [](const HidCollectionCaps& c) { return IsKeyboardUsage(c.usagePage, c.usage); });
    const bool skippedKeyboard = std::any_of(
        parsed.skipped.begin(), parsed.skipped.end(), [](const HidSkippedCollection& c) {
            return !c.usageKnown || IsKeyboardUsage(c.usagePage, c.usage);
        });
    return readKeyboard || skippedKeyboard;
}

std::optional<InterfaceDescription> Describe(const HidParseResult& parsed) {
    std::optional<InterfaceDescription> first;
    for (const HidCollectionCaps& collection : parsed.collections) {
        InterfaceDescription description;
        description.caps = collection.Caps();
        if (!BuildOutputDataTable(description.caps, OutputCapsReaderFor(collection),
                                  description.output)) {
            continue;
        }
        // A node always has a path: its devnode, or the sysfs path the probe is given.
        description.match = MatchController(true, description.caps, description.output.outTable);
        if (description.match == MatchResult::Controller) {
            return description;
        }
        if (!first) {
            first = std::move(description);
        }
    }
    return first;
}

bool HoldsController(const HidParseResult& parsed) {
    const std::optional<InterfaceDescription> description = Describe(parsed);
    return description && description->match == MatchResult::Controller;
}

}  // namespace

std::optional<InterfaceDescription> DescribeReportDescriptor(
    std::span<const std::uint8_t> descriptor) {
    return Describe(ParseHidDescriptor(descriptor));
}

bool IsControllerDescriptor(std::span<const std::uint8_t> descriptor) {
    return HoldsController(ParseHidDescriptor(descriptor));
}

AccessVerdict JudgeForSeatAccess(std::span<const std::uint8_t> descriptor) {
    const HidParseResult parsed = ParseHidDescriptor(descriptor);
    if (!HoldsController(parsed)) {
        return AccessVerdict::OtherDevice;
    }
    return MayDeclareKeyboard(parsed) ? AccessVerdict::ControllerBesideKeyboard
                                      : AccessVerdict::Controller;
}

}  // namespace norvessa
