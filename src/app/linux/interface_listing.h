// SPDX-License-Identifier: MIT
#pragma once
// `--list` on Linux: every hidraw node the controller search looks at, in its order, each
// opened and matched as the search does.

#include <vector>

#include "app/interface_report.h"

namespace norvessa::ui {

// Nothing when udev could not enumerate at all.
std::optional<std::vector<InterfaceReport>> ListHidrawInterfaces();

}  // namespace norvessa::ui
