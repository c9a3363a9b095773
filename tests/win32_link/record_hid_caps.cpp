// Prints what the HID parser reports for every present HID interface, in the format of
// tests/data/wine_hid_caps.txt, so the recording can be made again.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "hid_caps_record.h"

int main() {
    if (!norvessa::test::WaitForWineInterfaces())
        std::fputs("Wine's two virtual HID interfaces did not appear\n", stderr);
    const std::string recording = norvessa::test::RecordHidCaps();
    // The recording is compared byte for byte: no CR before each newline.
    _setmode(_fileno(stdout), _O_BINARY);
    std::fwrite(recording.data(), 1, recording.size(), stdout);
    return 0;
}
