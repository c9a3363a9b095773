// The Windows test program of the kernel tier's Wine stage, run under Wine inside the guest.
// Usage: norvessa_kernel_wine_tests --peer-port=N [GoogleTest flags]
//        norvessa_kernel_wine_tests --hold-desktop
// The first form runs the tests against the device program listening on 127.0.0.1:N. The
// second waits until Wine lists every device of the guest, opens a window, prints "ready" and
// keeps the window until it is ended; exit 1 when either does not happen in time.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "guest_devices.h"
#include "kernel_wine_test.h"

namespace norvessa::kernel_wine {

PeerLink& Peer() {
    static PeerLink link;
    return link;
}

namespace {

// Wine's HID bus adds the present hidraw nodes one by one after the first Wine process of the
// session started it; Windows has them before any program runs. Give it time.
constexpr std::chrono::seconds kListingPatience{120};

int WaitForDevices() {
    const std::vector<GuestDevice> devices(std::begin(ALL_DEVICES), std::end(ALL_DEVICES));
    if (WaitUntilListed(devices, kListingPatience)) {
        return 0;
    }
    std::puts("Wine did not list every guest device");
    return 1;
}

// Wine's desktop process starts with a session's first window and ends some time after the
// last one closes; a program that makes a window meanwhile waits for a new one, and under
// emulation that wait can run out (CreateWindow then fails). A window held open for the whole
// session keeps one desktop up for every program.
int HoldDesktop() {
    if (WaitForDevices() != 0) {
        return 1;
    }
    HWND window = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + kListingPatience;
    while (window == nullptr && std::chrono::steady_clock::now() < deadline) {
        window = ::CreateWindowExW(0, L"STATIC", L"desktop holder", WS_POPUP, 0, 0, 1, 1, nullptr,
                                   nullptr, ::GetModuleHandleW(nullptr), nullptr);
        if (window == nullptr) {
            ::Sleep(1000);
        }
    }
    if (window == nullptr) {
        std::puts("no window could be made");
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace
}  // namespace norvessa::kernel_wine

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    unsigned short port = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--hold-desktop") {
            return norvessa::kernel_wine::HoldDesktop();
        }
        if (argument.starts_with("--peer-port=")) {
            port = static_cast<unsigned short>(std::atoi(argv[i] + 12));
        }
    }
    if (port == 0) {
        std::fprintf(stderr, "usage: %s --peer-port=N | --hold-desktop\n", argv[0]);
        return 2;
    }
    if (norvessa::kernel_wine::WaitForDevices() != 0) {
        return 1;
    }
    if (!norvessa::kernel_wine::Peer().Connect(port, std::chrono::seconds(30))) {
        std::printf("no device program on port %u\n", port);
        return 1;
    }
    return RUN_ALL_TESTS();
}
