#pragma once
// What frame I/O needs of a controller: the fd that output reports are written to and replies
// read from (borrowed, never closed through this), and the byte count of every output-report
// write. Empty (fd -1, length 0) when no controller is current.

#include <cstdint>

namespace norvessa {

struct ControllerChannel {
    int fd = -1;
    std::uint32_t outputReportLength = 0;

    bool valid() const { return fd >= 0 && outputReportLength > 0; }
};

}  // namespace norvessa
