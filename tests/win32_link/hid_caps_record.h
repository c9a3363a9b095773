#pragma once
// A text recording of what the system's HID parser reports for every present HID interface,
// and the output-data table the controller link builds for each. The format is described at
// the top of the recording itself.

#include <string>

namespace norvessa::test {

std::string RecordHidCaps();

// Waits until Wine's two virtual HID interfaces (a mouse and a keyboard) are listed. A Wine
// process can start before the bus driver has presented them, when it is the one that brought
// the prefix's services up.
bool WaitForWineInterfaces();

}  // namespace norvessa::test
