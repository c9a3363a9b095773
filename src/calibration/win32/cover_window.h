#pragma once
// While a check runs, each other monitor shows a plain dark window: "Checking screen N". A
// touch the system maps to that monitor still lands somewhere the check sees, and is handed
// on in the checked monitor's pixels (where it lies outside that monitor).

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calibration/monitor_choice.h"
#include "calibration/win32/contact_reader.h"

namespace norvessa::win32 {

// A contact on a cover, already in the checked monitor's pixels.
using CoverContact = ContactHandlers;

class CoverWindow {
  public:
    // `area`: the covered monitor; `checked`: the checked one's top-left corner on the desktop.
    CoverWindow(HWND owner, const PixelRect& area, PixelPoint checkedOrigin, std::wstring text,
                CoverContact onContact);
    ~CoverWindow();
    CoverWindow(const CoverWindow&) = delete;
    CoverWindow& operator=(const CoverWindow&) = delete;

    HWND hwnd() const { return hwnd_; }

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();

    PixelRect area_;
    PixelPoint checkedOrigin_;
    std::wstring text_;
    CoverContact onContact_;
    ContactReader contacts_;
    HWND hwnd_ = nullptr;
};

// A point in client pixels of a window over `area`, in pixels of the monitor at `origin`.
PixelPoint CoverToChecked(SamplePoint client, const PixelRect& area, PixelPoint origin);

// Covers every monitor of `monitors` but `checked`; `text(i)` is the line cover i shows.
std::vector<std::unique_ptr<CoverWindow>> CoverOtherMonitors(
    HWND owner, const std::vector<PixelRect>& monitors, std::size_t checked,
    const std::function<std::wstring(std::size_t)>& text, const CoverContact& onContact);

}  // namespace norvessa::win32
