// Screenshot helper for the README and for a run without a display: starts the application,
// saves its main window (and, with --about, its About box) as 24-bit BMP files, then ends it
// with Quit. Run it inside a Wine virtual desktop so that window frames are drawn.
// With --calibration (for the demo, whose simulated controller answers success) it also opens
// a 9-point calibration, saves the window with its first cross, touches every target with
// posted mouse messages and saves the verdict box.
// With --guidance (for the demo under NORVESSA_DEMO_SILENT, whose controller never answers) it
// runs a 9-point calibration that never gets a verdict and saves the window with a contact held
// on the first target, with the hint after a refused tap, waiting for the controller, and in the
// countdown before the time-out, then the time-out box.
// Usage: norvessa_ui_capture --app=PATH --out=PREFIX [--about] [--calibration] [--guidance]
//        writes PREFIX-main.bmp, PREFIX-about.bmp, PREFIX-calibration.bmp, PREFIX-verdict.bmp,
//        PREFIX-held.bmp, PREFIX-refused.bmp, PREFIX-waiting.bmp, PREFIX-countdown.bmp,
//        PREFIX-timedout.bmp.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "calibration/target_layout.h"
#include "launched_app.h"
#include "window_queries.h"

namespace norvessa::automation {

namespace {

constexpr WPARAM ABOUT_COMMAND = 0x0010;
constexpr int CALIBRATE_9_ID = 1001;
constexpr int STEADY_MOVES = 12;
constexpr int BITS_PER_PIXEL = 24;

struct CaptureOptions {
    std::wstring application;
    std::wstring outputPrefix;
    bool about = false;
    bool calibration = false;
    bool guidance = false;
};

std::wstring Widen(std::string_view text) {
    return std::wstring(text.begin(), text.end());
}

std::optional<CaptureOptions> ParseArguments(int argc, char** argv) {
    CaptureOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with("--app=")) {
            options.application = Widen(argument.substr(6));
        } else if (argument.starts_with("--out=")) {
            options.outputPrefix = ToWindowsPath(Widen(argument.substr(6)));
        } else if (argument == "--about") {
            options.about = true;
        } else if (argument == "--calibration") {
            options.calibration = true;
        } else if (argument == "--guidance") {
            options.guidance = true;
        } else {
            return std::nullopt;
        }
    }
    if (options.application.empty() || options.outputPrefix.empty()) {
        return std::nullopt;
    }
    return options;
}

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// The window's screen rectangle, frame included, as a bottom-up 24-bit BMP.
bool SaveWindowImage(HWND hwnd, const std::wstring& path) {
    // Paint whatever is still pending before the pixels are read.
    RedrawWindow(hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return false;
    }

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = BITS_PER_PIXEL;
    header.biCompression = BI_RGB;
    const std::uint32_t stride = ((static_cast<std::uint32_t>(width) * 3 + 3) / 4) * 4;
    std::vector<std::uint8_t> pixels(stride * static_cast<std::uint32_t>(height));
    const int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                               reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (rows != height) {
        return false;
    }

    constexpr std::uint32_t headersSize = 14 + 40;
    std::vector<std::uint8_t> file = {'B', 'M'};
    PutLittleEndian(file, headersSize + static_cast<std::uint32_t>(pixels.size()), 4);
    PutLittleEndian(file, 0, 4);
    PutLittleEndian(file, headersSize, 4);
    PutLittleEndian(file, 40, 4);
    PutLittleEndian(file, static_cast<std::uint32_t>(width), 4);
    PutLittleEndian(file, static_cast<std::uint32_t>(height), 4);
    PutLittleEndian(file, 1, 2);
    PutLittleEndian(file, BITS_PER_PIXEL, 2);
    for (int field = 0; field < 6; ++field) {
        PutLittleEndian(file, 0, 4);  // compression, image size, resolution, palette
    }
    file.insert(file.end(), pixels.begin(), pixels.end());
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return out.good();
}

// A calibration run from the first cross to the verdict box, answered with OK.
bool CaptureCalibration(const LaunchedApp& app, HWND dialog, const std::wstring& prefix) {
    PostMessageW(GetDlgItem(dialog, CALIBRATE_9_ID), BM_CLICK, 0, 0);
    HWND window = app.WaitForOwnedDialog(dialog);
    if (window == nullptr || !SaveWindowImage(window, prefix + L"-calibration.bmp")) {
        std::fprintf(stderr, "cannot capture the calibration window\n");
        return false;
    }
    TargetTable targets;
    if (LayoutTargets(9, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), targets) !=
        LayoutResult::Ok) {
        return false;
    }
    for (int k = 0; k < 9; ++k) {
        // Each target once its cross shows, as a user would.
        const POINT at{targets.x[k], targets.y[k]};
        if (!WaitUntil(WINDOW_TIMEOUT, [&] { return ScreenPixelIs(at, RGB(0, 0, 0)); })) {
            std::fprintf(stderr, "no cross at target %d\n", k);
            return false;
        }
        PostMouseTouch(window, at, STEADY_MOVES);
    }
    HWND box = app.WaitForOwnedDialog(window);
    if (box == nullptr || !SaveWindowImage(box, prefix + L"-verdict.bmp")) {
        std::fprintf(stderr, "cannot capture the verdict box\n");
        return false;
    }
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    return WaitUntil(WINDOW_TIMEOUT, [&] { return !IsWindow(window); });
}

// The run's own time-out, and a margin for a loaded machine.
constexpr auto RUN_TIMEOUT = std::chrono::seconds(30);
constexpr auto COUNTDOWN_SHOWN_AFTER = std::chrono::seconds(23);

void PostButton(HWND window, UINT message, POINT at) {
    PostMessageW(window, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(at.x, at.y));
}

bool SaveOrSay(HWND window, const std::wstring& path, const char* what) {
    if (window == nullptr || !SaveWindowImage(window, path)) {
        std::fprintf(stderr, "cannot capture %s\n", what);
        return false;
    }
    return true;
}

// A run with a controller that never answers: touches are taken, no verdict ever comes.
bool CaptureGuidance(const LaunchedApp& app, HWND dialog, const std::wstring& prefix) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(CALIBRATE_9_ID, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, CALIBRATE_9_ID)));
    HWND window = app.WaitForOwnedDialog(dialog);
    TargetTable targets;
    if (window == nullptr ||
        LayoutTargets(9, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), targets) !=
            LayoutResult::Ok) {
        std::fprintf(stderr, "no calibration window\n");
        return false;
    }
    const auto target = [&](int k) { return POINT{targets.x[k], targets.y[k]}; };
    PostButton(window, WM_LBUTTONDOWN, target(0));
    Sleep(60);
    if (!SaveOrSay(window, prefix + L"-held.bmp", "the held contact")) {
        return false;
    }
    Sleep(200);
    PostButton(window, WM_LBUTTONUP, target(0));
    // A tap on the second target is too short: the hint shows until the next touch.
    PostButton(window, WM_LBUTTONDOWN, target(1));
    PostButton(window, WM_LBUTTONUP, target(1));
    Sleep(300);
    if (!SaveOrSay(window, prefix + L"-refused.bmp", "the refusal hint")) {
        return false;
    }
    for (int k = 1; k < 9; ++k) {
        PostMouseTouch(window, target(k), STEADY_MOVES);
        Sleep(300);
    }
    const auto lastTarget = std::chrono::steady_clock::now();
    if (!SaveOrSay(window, prefix + L"-waiting.bmp", "the wait for the controller")) {
        return false;
    }
    std::this_thread::sleep_until(lastTarget + COUNTDOWN_SHOWN_AFTER);
    if (!SaveOrSay(window, prefix + L"-countdown.bmp", "the countdown")) {
        return false;
    }
    // The run ends by itself; then the main dialog says why.
    WaitUntil(RUN_TIMEOUT, [&] { return !IsWindow(window); });
    HWND box = app.WaitForOwnedDialog(dialog);
    Sleep(300);  // a box found at once may not have painted its text yet
    if (!SaveOrSay(box, prefix + L"-timedout.bmp", "the time-out box")) {
        return false;
    }
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    return WaitUntil(WINDOW_TIMEOUT, [&] { return !IsWindow(box); });
}

bool Capture(const CaptureOptions& options) {
    LaunchedApp app(options.application);
    HWND dialog = app.WaitForMainDialog();
    if (dialog == nullptr) {
        std::fprintf(stderr, "the main dialog did not appear\n");
        return false;
    }
    SetForegroundWindow(dialog);
    WaitUntil(WINDOW_TIMEOUT, [&] { return FocusedWindowOfThread(dialog) != nullptr; });
    if (!SaveWindowImage(dialog, options.outputPrefix + L"-main.bmp")) {
        std::fprintf(stderr, "cannot save the main window\n");
        return false;
    }
    if (options.about) {
        PostMessageW(dialog, WM_SYSCOMMAND, ABOUT_COMMAND, 0);
        HWND about = app.WaitForOwnedDialog(dialog);
        if (about == nullptr || !SaveWindowImage(about, options.outputPrefix + L"-about.bmp")) {
            std::fprintf(stderr, "cannot capture the About box\n");
            return false;
        }
        PostMessageW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
        WaitUntil(WINDOW_TIMEOUT, [&] { return !IsWindow(about); });
    }
    if (options.calibration && !CaptureCalibration(app, dialog, options.outputPrefix)) {
        return false;
    }
    if (options.guidance && !CaptureGuidance(app, dialog, options.outputPrefix)) {
        return false;
    }
    PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    return app.WaitForExit().has_value();
}

}  // namespace

}  // namespace norvessa::automation

int main(int argc, char** argv) {
    const auto options = norvessa::automation::ParseArguments(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: %s --app=PATH --out=PREFIX [--about] [--calibration] "
                     "[--guidance]\n",
                     argv[0]);
        return 2;
    }
    return norvessa::automation::Capture(*options) ? 0 : 1;
}
