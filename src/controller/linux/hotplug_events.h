#pragma once
// What the udev-facing layer decides, kept apart from libudev so it can be tested without it:
// the order in which present hidraw nodes are searched, and which link call a udev event makes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "controller/controller_link.h"

namespace norvessa {

// One present hidraw node as enumeration sees it.
struct HidrawRecord {
    std::string devnode;  // "/dev/hidraw3"
    std::uint32_t minor = 0;
};

// The devnodes in a stable search order: by minor number (the order the kernel numbered the
// nodes in), ties by name. Records without a devnode have nothing to open and are left out.
std::vector<std::string> DevnodesInSearchOrder(std::vector<HidrawRecord> records);

enum class HotplugKind { None, Arrival, Removal };

struct HotplugEvent {
    HotplugKind kind = HotplugKind::None;
    std::string devnode;
    friend bool operator==(const HotplugEvent&, const HotplugEvent&) = default;
};

// Maps one udev event. Only hidraw nodes count: "add" is an arrival and so is "change" (udev
// may grant access to a node with a change event, when it can first be opened); "remove" is a
// removal, named by the node that went away. Everything else, or an event without a devnode,
// maps to None.
HotplugEvent MapUdevEvent(std::string_view action, std::string_view subsystem,
                          std::string_view devnode);

// Hands a mapped event to the link.
void ApplyHotplugEvent(ControllerLink& link, const HotplugEvent& event);

}  // namespace norvessa
