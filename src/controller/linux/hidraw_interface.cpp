#include "controller/linux/hidraw_interface.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <array>
#include <cerrno>
#include <optional>
#include <vector>

#include "controller/linux/controller_access_scan.h"
#include "controller/log.h"
#include "hid/hid_descriptor.h"

namespace norvessa {
namespace {

int RetryOnInterrupt(int fd, unsigned long request, void* argument) {
    int result = 0;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

std::optional<std::vector<std::uint8_t>> ReadReportDescriptor(int fd) {
    int size = 0;
    if (RetryOnInterrupt(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 ||
        size > HID_MAX_DESCRIPTOR_SIZE) {
        return std::nullopt;
    }
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<std::uint32_t>(size);
    if (RetryOnInterrupt(fd, HIDIOCGRDESC, &descriptor) < 0) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(descriptor.value, descriptor.value + descriptor.size);
}

HidrawInfo ReadInfo(int fd) {
    HidrawInfo info;
    hidraw_devinfo devinfo{};
    if (RetryOnInterrupt(fd, HIDIOCGRAWINFO, &devinfo) == 0) {
        info.vendorId = static_cast<std::uint16_t>(devinfo.vendor);
        info.productId = static_cast<std::uint16_t>(devinfo.product);
    }
    std::array<char, 256> name{};
    const int length = RetryOnInterrupt(fd, HIDIOCGRAWNAME(name.size() - 1), name.data());
    if (length > 0) {
        // The kernel may count the terminating NUL; keep the text before it.
        info.productName.assign(name.data());
    }
    return info;
}

}  // namespace

bool HidrawHandleGone(int fd) {
    pollfd entry{fd, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, 0);
    } while (ready < 0 && errno == EINTR);
    // A poll that fails tells nothing; the ioctl below still may.
    if (ready > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        return true;
    }
    hidraw_devinfo devinfo{};
    return RetryOnInterrupt(fd, HIDIOCGRAWINFO, &devinfo) < 0 && errno == ENODEV;
}

bool HidrawInterface::IsAlive() const {
    return !HidrawHandleGone(fd_.get());
}

InterfaceIdentity HidrawInterface::identity() const {
    return {info_.vendorId, info_.productId, info_.productName, placement_.serialNumber,
            placement_.usbPort};
}

HidrawInterface::HidrawInterface(std::string path, UniqueFd fd, InterfaceDescription description,
                                 HidrawInfo info)
    : path_(std::move(path)),
      fd_(std::move(fd)),
      description_(std::move(description)),
      info_(std::move(info)),
      writer_(std::make_unique<ReportWriter>(fd_.get())) {}

std::unique_ptr<HidrawInterface> OpenHidrawInterface(const std::string& devnode,
                                                     const std::string& sysClassHidraw) {
    if (devnode.empty()) {
        return nullptr;
    }
    UniqueFd fd(::open(devnode.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        LogOpenFailure(devnode, errno, sysClassHidraw);
        return nullptr;
    }
    const std::optional<std::vector<std::uint8_t>> descriptor = ReadReportDescriptor(fd.get());
    if (!descriptor) {
        LogError("cannot read the report descriptor of " + devnode + ": " + ErrorNumberText(errno));
        return nullptr;
    }
    std::optional<InterfaceDescription> description = DescribeReportDescriptor(*descriptor);
    if (!description) {
        LogError("report descriptor of " + devnode +
                 " refused: " + DescribeHidParseResult(ParseHidDescriptor(*descriptor)));
        return nullptr;
    }
    HidrawInfo info = ReadInfo(fd.get());
    return std::make_unique<HidrawInterface>(devnode, std::move(fd), std::move(*description),
                                             std::move(info));
}

}  // namespace norvessa
