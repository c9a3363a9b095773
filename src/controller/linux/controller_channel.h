#pragma once
// What frame I/O needs of a controller: the fd that output reports are written to and replies
// read from (borrowed, never closed through this), the byte count of every output-report
// write, and the writer thread that performs the writes (borrowed too; without one, writes go
// straight to the fd). Empty (fd -1, length 0) when no controller is current.

#include <cstdint>

namespace norvessa {

class ReportWriter;

struct ControllerChannel {
    int fd = -1;
    std::uint32_t outputReportLength = 0;
    ReportWriter* writer = nullptr;

    bool valid() const { return fd >= 0 && outputReportLength > 0; }
};

}  // namespace norvessa
