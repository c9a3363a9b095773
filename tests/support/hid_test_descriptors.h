#pragma once
// Report descriptors of the devices the tests plug in or parse: the controller's vendor
// collection and its look-alikes, and the boot keyboard with its LED output report.

#include <cstdint>
#include <vector>

namespace norvessa::support {

// One vendor-defined collection with an input and an output report of `count` bytes after the
// report ID `id`.
inline std::vector<std::uint8_t> VendorCollection(std::uint8_t id, std::uint8_t inputCount,
                                                  std::uint8_t outputCount) {
    return {0x06, 0x00,        0xFF,        // Usage Page (vendor 0xFF00)
            0x09, 0x01,                     // Usage (1)
            0xA1, 0x01,                     // Collection (Application)
            0x85, id,                       //   Report ID
            0x15, 0x00,                     //   Logical Minimum (0)
            0x26, 0xFF,        0x00,        //   Logical Maximum (255)
            0x75, 0x08,                     //   Report Size (8)
            0x95, inputCount,               //   Report Count
            0x09, 0x01,        0x81, 0x02,  //   Usage (1), Input (Data, Var, Abs)
            0x95, outputCount,              //   Report Count
            0x09, 0x02,        0x91, 0x02,  //   Usage (2), Output (Data, Var, Abs)
            0xC0};                          // End Collection
}

// The boot keyboard: 8-byte input report and a 1-byte LED output report, no report IDs.
inline std::vector<std::uint8_t> BootKeyboard() {
    return {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15,
            0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08,
            0x81, 0x01, 0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91,
            0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00,
            0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};
}

}  // namespace norvessa::support
