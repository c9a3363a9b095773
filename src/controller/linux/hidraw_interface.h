#pragma once
// One opened hidraw node: the Linux form of an opened HID interface. It owns the node's fd,
// opened for non-blocking reads and writes, and the description built from its descriptor.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "controller/controller_link.h"
#include "controller/linux/controller_access_scan.h"
#include "controller/linux/controller_state.h"
#include "controller/linux/report_descriptor.h"
#include "controller/linux/report_writer.h"
#include "controller/linux/udev_identity.h"
#include "controller/linux/unique_fd.h"

namespace norvessa {

// Read from the node for completeness; the choice of the controller never looks at it.
struct HidrawInfo {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string productName;
};

class HidrawInterface final : public OpenedInterface {
  public:
    HidrawInterface(std::string path, UniqueFd fd, InterfaceDescription description,
                    HidrawInfo info = {});

    const std::string& path() const override { return path_; }
    const HidCaps& caps() const override { return description_.caps; }
    std::span<const OutputDataEntry> outputTable() const override {
        return description_.output.outTable;
    }

    // Asks the node without reading from it: see HidrawHandleGone.
    bool IsAlive() const override;
    InterfaceIdentity identity() const override;
    // Where udev places the node; set by the platform, which holds the udev context.
    void SetPlacement(NodePlacement placement) { placement_ = std::move(placement); }

    int fd() const { return fd_.get(); }
    const HidrawInfo& info() const { return info_; }
    MatchResult match() const { return description_.match; }
    // The writer starts its thread with the first write, so a node opened only to be described
    // costs no thread.
    ControllerChannel channel() const {
        return {fd_.get(), caps().outputReportByteLength, writer_.get()};
    }

  private:
    std::string path_;
    UniqueFd fd_;
    InterfaceDescription description_;
    HidrawInfo info_;
    NodePlacement placement_;
    // Declared after the fd: ended, and its thread joined, before the fd closes.
    std::unique_ptr<ReportWriter> writer_;
};

// True when the device behind an open hidraw fd is gone: the kernel then marks the fd hung up
// in poll and answers ENODEV to its ioctls (the older kernels only the latter). Nothing is read,
// so a report waiting for the verdict listener stays queued. A socket standing in for a node
// (the simulated controller) is gone once its far end hangs up.
bool HidrawHandleGone(int fd);

// Opens the node with O_RDWR | O_CLOEXEC | O_NONBLOCK, reads its report descriptor
// (HIDIOCGRDESC), vendor, product and name, and describes it. Null when any step fails; what
// was opened is closed again. A node that may not be opened is told from the controller's by
// its record under `sysClassHidraw` (see LogOpenFailure).
std::unique_ptr<HidrawInterface> OpenHidrawInterface(
    const std::string& devnode, const std::string& sysClassHidraw = SYS_CLASS_HIDRAW);

}  // namespace norvessa
