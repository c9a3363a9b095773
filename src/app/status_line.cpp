#include "app/status_line.h"

#include "calibration/guidance_text.h"
#include "resource.h"

namespace norvessa {
namespace {

const ControllerAccess* FirstWith(std::span<const ControllerAccess> refused,
                                  AccessProblem problem) {
    for (const ControllerAccess& access : refused) {
        if (access.problem == problem) {
            return &access;
        }
    }
    return nullptr;
}

}  // namespace

ControllerStatus StatusOfController(bool controllerCurrent,
                                    std::span<const ControllerAccess> refused) {
    if (controllerCurrent) {
        return {ControllerPresence::Connected, {}};
    }
    // A missing udev rule is the one the user can act on: it goes first.
    if (const ControllerAccess* denied = FirstWith(refused, AccessProblem::Denied)) {
        return {ControllerPresence::AccessDenied, denied->path};
    }
    if (const ControllerAccess* busy = FirstWith(refused, AccessProblem::InUse)) {
        return {ControllerPresence::InUse, busy->path};
    }
    return {ControllerPresence::NotFound, {}};
}

int StatusLineStringId(ControllerPresence presence) {
    switch (presence) {
        case ControllerPresence::Connected:
            return IDS_STATUS_CONNECTED;
        case ControllerPresence::AccessDenied:
            return IDS_STATUS_ACCESS_DENIED;
        case ControllerPresence::InUse:
            return IDS_STATUS_IN_USE;
        case ControllerPresence::NotFound:
            break;
    }
    return IDS_STATUS_NO_CONTROLLER;
}

std::string ScreenNote(const std::string& pattern, std::size_t index, const std::string& name,
                       std::int32_t width, std::int32_t height) {
    return FillPlaceholders<std::string>(pattern, std::to_string(index) + " \"" + name + "\"",
                                         std::to_string(width) + " x " + std::to_string(height));
}

}  // namespace norvessa
