#pragma once
// The controller's vendor reports as the link sees them. The frames above are built to these.

#include <cstdint>

namespace norvessa {

// Every vendor report, in and out, carries this report ID.
inline constexpr std::uint8_t CONTROLLER_REPORT_ID = 0xAA;
// Largest report the tool exchanges: the frame buffer and every read are this big.
inline constexpr std::uint16_t MAX_REPORT_LENGTH = 64;

}  // namespace norvessa
