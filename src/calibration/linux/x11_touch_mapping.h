#pragma once
// Puts a touch screen onto one monitor of the X desktop for this session: sets the XInput
// device's "Coordinate Transformation Matrix", as `xinput set-prop` would. Writes no system
// file; the xorg.conf.d snippet it hands back is for the technician to make it permanent.
//
// The device id is the XI2 id of the slave device the touches came from: on Qt's xcb platform
// QPointingDevice::systemId() of a touch event's device is that id (Qt creates one
// QPointingDevice per XI2 slave device, from its deviceid, and looks touch events up by their
// sourceid, not by the master's id).

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "calibration/monitor_choice.h"
#include "calibration/screen_geometry.h"

namespace norvessa::ui {

struct TouchMapping {
    std::string deviceName;
    std::array<float, 9> matrix;
    std::string xorgSnippet;
};

// Maps the device onto `monitorInRootPixels` of a root window of `rootSize`, over Qt's X
// connection when the application runs on xcb, else over a connection of its own to $DISPLAY.
// Nullopt, with the reason in `error` (when given), when there is no X server with XInput 2, no
// such device, or the device has no transformation matrix or refuses one (a keyboard: no axes).
std::optional<TouchMapping> MapTouchDeviceToMonitor(std::int64_t xinputDeviceId,
                                                    PixelRect monitorInRootPixels,
                                                    PixelSize rootSize, std::string* error);

}  // namespace norvessa::ui
