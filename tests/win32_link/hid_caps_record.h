#pragma once
// A text recording of what the system's HID parser reports for every present HID interface,
// and the output-data table the controller link builds for each. The format is described at
// the top of the recording itself.

#include <string>

namespace norvessa::test {

std::string RecordHidCaps();

}  // namespace norvessa::test
