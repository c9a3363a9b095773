#pragma once
// The main window's status line: why the command buttons are grey, or that they are not.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "controller/controller_access.h"

namespace norvessa {

enum class ControllerPresence { Connected, NotFound, AccessDenied, InUse };

struct ControllerStatus {
    ControllerPresence presence = ControllerPresence::NotFound;
    std::string path;  // the interface that was refused, for AccessDenied and InUse
    friend bool operator==(const ControllerStatus&, const ControllerStatus&) = default;
};

// A current controller is connected. Without one, the first refused controller interface in
// search order explains the grey buttons, a denied one before one in use; else none was found.
ControllerStatus StatusOfController(bool controllerCurrent,
                                    std::span<const ControllerAccess> refused);

// The string-table entry for the status; its "%1" takes the path.
int StatusLineStringId(ControllerPresence presence);

// The line naming the screen the next calibration covers, from the pattern of
// IDS_STATUS_SCREEN: the index --screen takes with the screen's name, and its size.
std::string ScreenNote(const std::string& pattern, std::size_t index, const std::string& name,
                       std::int32_t width, std::int32_t height);

}  // namespace norvessa
