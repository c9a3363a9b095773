#include "controller/linux/controller_access_scan.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "controller/linux/report_descriptor.h"
#include "controller/log.h"
#include "hid/hid_descriptor.h"

namespace norvessa {
namespace {

int TryOpenReadWrite(const std::string& devnode) {
    const int fd = ::open(devnode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    ::close(fd);
    return 0;
}

// hidraw2 before hidraw10: by the number after the common prefix.
bool ByMinorNumber(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

std::vector<std::string> NodeNames(const std::string& sysClassHidraw) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(sysClassHidraw, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end(), ByMinorNumber);
    return names;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadSysfsReportDescriptor(const std::string& syspath) {
    std::ifstream file(syspath + "/device/report_descriptor", std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    // One byte beyond the parser's limit, so an oversized descriptor is refused, not cut.
    bytes.reserve(MAX_HID_DESCRIPTOR_LENGTH + 1);
    std::istreambuf_iterator<char> next(file);
    for (const std::istreambuf_iterator<char> end;
         next != end && bytes.size() <= MAX_HID_DESCRIPTOR_LENGTH; ++next) {
        bytes.push_back(static_cast<std::uint8_t>(*next));
    }
    if (file.bad()) {
        return std::nullopt;
    }
    return bytes;
}

AccessProblem AccessProblemForErrno(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return AccessProblem::Denied;
        case EBUSY:
            return AccessProblem::InUse;
        default:
            return AccessProblem::Other;
    }
}

bool IsControllerNode(const std::string& devnode, const std::string& sysClassHidraw) {
    const std::string name = std::filesystem::path(devnode).filename().string();
    if (name.empty()) {
        return false;
    }
    const auto descriptor = ReadSysfsReportDescriptor(sysClassHidraw + "/" + name);
    return descriptor && IsControllerDescriptor(*descriptor);
}

void LogOpenFailure(const std::string& devnode, int error, const std::string& sysClassHidraw) {
    const std::string message = "cannot open " + devnode + ": " + ErrorNumberText(error);
    if (AccessProblemForErrno(error) != AccessProblem::Denied) {
        LogError(message);
    } else if (IsControllerNode(devnode, sysClassHidraw)) {
        LogError(message + "; it is the touch controller's node: install the udev rule");
    } else {
        LogDebug(message);
    }
}

std::vector<ControllerAccess> FindRefusedControllers(const AccessScanRoots& roots) {
    const auto tryOpen = roots.tryOpen ? roots.tryOpen : TryOpenReadWrite;
    std::vector<ControllerAccess> refused;
    for (const std::string& name : NodeNames(roots.sysClassHidraw)) {
        const auto descriptor = ReadSysfsReportDescriptor(roots.sysClassHidraw + "/" + name);
        if (!descriptor || !IsControllerDescriptor(*descriptor)) {
            continue;
        }
        const std::string devnode = roots.devDirectory + "/" + name;
        const int error = tryOpen(devnode);
        if (error != 0 && error != ENOENT) {
            refused.push_back({devnode, AccessProblemForErrno(error)});
        }
    }
    return refused;
}

}  // namespace norvessa
