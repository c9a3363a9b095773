#pragma once
// The present hidraw nodes, through libudev, as the controller link asks for them.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controller/controller_link.h"

struct udev;

namespace norvessa {

class HidrawPlatform final : public HidPlatform {
  public:
    // Borrows the context; a null context enumerates nothing.
    explicit HidrawPlatform(udev* context) : context_(context) {}

    // Every node of the hidraw subsystem, by minor number. Enumeration reads only sysfs, so it
    // works without a udev daemon too.
    std::optional<std::vector<std::string>> EnumeratePresent() override;
    std::unique_ptr<OpenedInterface> Open(const std::string& devnode) override;
    // A node is named by its devnode, exactly.
    bool SamePath(const std::string& a, const std::string& b) const override { return a == b; }

  private:
    udev* context_;
};

}  // namespace norvessa
