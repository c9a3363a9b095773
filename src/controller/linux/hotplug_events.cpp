#include "controller/linux/hotplug_events.h"

#include <algorithm>

namespace norvessa {

std::vector<std::string> DevnodesInSearchOrder(std::vector<HidrawRecord> records) {
    std::erase_if(records, [](const HidrawRecord& record) { return record.devnode.empty(); });
    std::sort(records.begin(), records.end(), [](const HidrawRecord& a, const HidrawRecord& b) {
        return a.minor != b.minor ? a.minor < b.minor : a.devnode < b.devnode;
    });
    std::vector<std::string> devnodes;
    devnodes.reserve(records.size());
    for (HidrawRecord& record : records) {
        devnodes.push_back(std::move(record.devnode));
    }
    return devnodes;
}

HotplugEvent MapUdevEvent(std::string_view action, std::string_view subsystem,
                          std::string_view devnode) {
    if (subsystem != "hidraw" || devnode.empty()) {
        return {};
    }
    if (action == "add" || action == "change") {
        return {HotplugKind::Arrival, std::string(devnode)};
    }
    if (action == "remove") {
        return {HotplugKind::Removal, std::string(devnode)};
    }
    return {};
}

void ApplyHotplugEvent(ControllerLink& link, const HotplugEvent& event) {
    switch (event.kind) {
        case HotplugKind::Arrival:
            link.OnArrival(event.devnode);
            break;
        case HotplugKind::Removal:
            link.OnRemoval(event.devnode);
            break;
        case HotplugKind::None:
            break;
    }
}

}  // namespace norvessa
