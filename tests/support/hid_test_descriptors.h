#pragma once
// Report descriptors of the devices the tests plug in or parse: the controller's vendor
// collection and its look-alikes, the boot keyboard with its LED output report, and a touch
// screen whose digitizer shares its device with the controller.

#include <cstddef>
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

// A single-touch screen digitizer in input report `id`: Tip Switch and seven bits of padding,
// then 16-bit X and Y. TOUCH_INPUT_REPORT_LENGTH bytes with the report ID.
inline constexpr std::size_t TOUCH_INPUT_REPORT_LENGTH = 6;
inline std::vector<std::uint8_t> TouchScreenDigitizer(std::uint8_t id) {
    return {0x05, 0x0D, 0x09, 0x04, 0xA1, 0x01,  // Digitizer, Touch Screen, Collection (App)
            0x85, id,                            //   Report ID
            0x09, 0x22, 0xA1, 0x02,              //   Finger, Collection (Logical)
            0x09, 0x42, 0x15, 0x00, 0x25, 0x01,  //     Tip Switch, 0..1
            0x75, 0x01, 0x95, 0x01, 0x81, 0x02,  //     1 bit, Input (Data, Var, Abs)
            0x95, 0x07, 0x81, 0x03,              //     7 bits padding
            0x05, 0x01, 0x26, 0xFF, 0x7F,        //     Generic Desktop, 0..32767
            0x75, 0x10, 0x95, 0x01,              //     16 bits
            0x09, 0x30, 0x81, 0x02,              //     X
            0x09, 0x31, 0x81, 0x02,              //     Y
            0xC0, 0xC0};
}

// One device, one hidraw node: the digitizer in report 0x01 beside the controller's collection.
inline std::vector<std::uint8_t> TouchScreenWithController() {
    std::vector<std::uint8_t> descriptor = TouchScreenDigitizer(0x01);
    const std::vector<std::uint8_t> controller = VendorCollection(0xAA, 63, 63);
    descriptor.insert(descriptor.end(), controller.begin(), controller.end());
    return descriptor;
}

// A multitouch screen digitizer, one contact, in input report 0x01: Tip Switch and In Range
// bits, Contact Identifier, 16-bit X and Y (0..32767), Contact Count; feature report 0x02 holds
// the Contact Count Maximum. hid-multitouch binds this form and makes it a direct touch screen;
// the single-touch form above is taken by hid-generic and classified as a touchpad.
inline constexpr std::uint8_t MT_INPUT_REPORT_ID = 0x01;
inline constexpr std::uint8_t MT_FEATURE_REPORT_ID = 0x02;
inline constexpr std::size_t MT_INPUT_REPORT_LENGTH = 8;
inline std::vector<std::uint8_t> MultitouchScreenDigitizer() {
    return {0x05, 0x0D,
            0x09, 0x04,
            0xA1, 0x01,                // Digitizer, Touch Screen, Collection (App)
            0x85, MT_INPUT_REPORT_ID,  //   Report ID
            0x09, 0x22,
            0xA1, 0x02,  //   Finger, Collection (Logical)
            0x09, 0x42,
            0x15, 0x00,
            0x25, 0x01,  //     Tip Switch, 0..1
            0x75, 0x01,
            0x95, 0x01,
            0x81, 0x02,  //     1 bit, Input (Data, Var, Abs)
            0x09, 0x32,
            0x81, 0x02,  //     In Range
            0x75, 0x06,
            0x95, 0x01,
            0x81, 0x03,  //     6 bits padding
            0x09, 0x51,
            0x75, 0x08,
            0x25, 0x01,
            0x81, 0x02,  // Contact Identifier, 8 bits
            0x05, 0x01,
            0x09, 0x30,
            0x09, 0x31,  //     Generic Desktop X, Y
            0x15, 0x00,
            0x26, 0xFF,
            0x7F,  //     0..32767
            0x75, 0x10,
            0x95, 0x02,
            0x81, 0x02,  //     2 x 16 bits
            0xC0,        //   End Collection (Finger)
            0x05, 0x0D,
            0x09, 0x54,
            0x15, 0x00,
            0x25, 0x01,  // Contact Count, 0..1
            0x75, 0x08,
            0x95, 0x01,
            0x81, 0x02,                  //   8 bits
            0x85, MT_FEATURE_REPORT_ID,  //   Report ID
            0x09, 0x55,
            0x25, 0x01,
            0x95, 0x01,
            0xB1, 0x02,  // Contact Count Maximum, Feature
            0xC0};
}

inline std::vector<std::uint8_t> MultitouchScreenWithController() {
    std::vector<std::uint8_t> descriptor = MultitouchScreenDigitizer();
    const std::vector<std::uint8_t> controller = VendorCollection(0xAA, 63, 63);
    descriptor.insert(descriptor.end(), controller.begin(), controller.end());
    return descriptor;
}

}  // namespace norvessa::support
