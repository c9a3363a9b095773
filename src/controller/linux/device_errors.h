#pragma once
// Which failures of a read or write on a controller's fd mean that the controller is gone.

#include <cerrno>

namespace norvessa {

// hidraw answers ENODEV to a write and EIO to a read once its device is disconnected; a socket
// end whose peer closed (the simulated controller) answers EPIPE or ECONNRESET.
inline bool IsDeviceGoneError(int error) {
    return error == ENODEV || error == EIO || error == ENXIO || error == EPIPE ||
           error == ECONNRESET;
}

}  // namespace norvessa
