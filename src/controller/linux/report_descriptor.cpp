#include "controller/linux/report_descriptor.h"

#include "controller/hid_descriptor.h"

namespace norvessa {

std::optional<InterfaceDescription> DescribeReportDescriptor(
    std::span<const std::uint8_t> descriptor) {
    const HidParseResult parsed = ParseHidDescriptor(descriptor);
    if (!parsed.ok()) {
        return std::nullopt;
    }
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

bool IsControllerDescriptor(std::span<const std::uint8_t> descriptor) {
    const std::optional<InterfaceDescription> description = DescribeReportDescriptor(descriptor);
    return description && description->match == MatchResult::Controller;
}

}  // namespace norvessa
