#pragma once
// What the tests of the Windows link on the guest's HID devices share.

#include "peer_link.h"

namespace norvessa::kernel_wine {

// The line to the device program, connected before the first test runs.
PeerLink& Peer();

}  // namespace norvessa::kernel_wine
