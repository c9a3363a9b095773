#include "calibration/win32/check_dialog.h"

#include <algorithm>

#include "calibration/check_text.h"
#include "calibration/win32/monitor_window.h"
#include "controller/log.h"
#include "controller/win32/wide_text.h"
#include "resource.h"
#include "ui/win32/paint_context.h"
#include "ui/win32/resource_string.h"

namespace norvessa::win32 {

namespace {

// Around a new piece of the trail, for its repaint: wide enough for the pen at any scale.
constexpr std::int32_t TRAIL_MARGIN = 8;

int ButtonTextId(CheckButton button) {
    switch (button) {
        case CheckButton::Done:
            return IDS_CHECK_DONE;
        case CheckButton::CheckAgain:
            return IDS_CHECK_AGAIN;
        case CheckButton::CalibrateAgain:
            return IDS_CHECK_CALIBRATE_AGAIN;
        case CheckButton::Clear:
            return IDS_CHECK_CLEAR;
        case CheckButton::MapHere:
            return IDS_CHECK_MAP_HERE;
    }
    return IDS_CHECK_DONE;
}

std::optional<std::size_t> PrimaryIndex(const std::vector<PixelRect>& monitors) {
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (monitors[i].x == 0 && monitors[i].y == 0) {
            return i;
        }
    }
    return monitors.empty() ? std::nullopt : std::optional<std::size_t>(0);
}

}  // namespace

const MessageMap<CCheckDialog>& CCheckDialog::GetMessageMap() {
    static constexpr MessageEntry<CCheckDialog> messages[] = {
        {WM_PAINT, &CCheckDialog::OnPaint},
        {WM_DESTROY, &CCheckDialog::OnDestroy},
        {WM_GETMINMAXINFO, &CCheckDialog::OnGetMinMaxInfo},
        {WM_TIMER, &CCheckDialog::OnTimer},
        {WM_SHOW_CHECK_PICTURE, &CCheckDialog::OnShowPicture},
    };
    static constexpr MessageMap<CCheckDialog> map{messages, {}};
    return map;
}

CCheckDialog::CCheckDialog(HWND owner, CheckOptions options)
    : CModalDialog(IDD_CALIBRATION_DIALOG, owner),
      options_(std::move(options)),
      run_(0),
      input_(run_, guidance_, options_.timeoutMs,
             {.outcome =
                  [this](const TouchOutcome& outcome) {
                      // After this event has been handled through: the picture's time-out
                      // starts from a clean state.
                      if (outcome.accepted && run_.AllTargetsAccepted()) {
                          PostMessageW(GetSafeHwnd(), WM_SHOW_CHECK_PICTURE, 0, 0);
                      }
                  },
              .timedOut = [this] { OnTimedOut(); },
              .halted = [this] { return ending_; },
              .finger = {}}),
      contacts_({.contact = [this](std::uint32_t flags,
                                   SamplePoint position) { OnContact(flags, position); },
                 .cancelled = [this] { OnContactCancelled(); }}) {}

CCheckDialog::~CCheckDialog() = default;

CheckEnd CCheckDialog::Run() {
    if (DoModal() == -1) {
        return CheckEnd::NotStarted;
    }
    return end_;
}

std::optional<MessageResult> CCheckDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto answer = DispatchMessageMap(*this, GetMessageMap(), message, wParam, lParam)) {
        return answer;
    }
    if (auto answer = contacts_.Handle(message, wParam, lParam)) {
        return answer;
    }
    return CModalDialog::OnMessage(message, wParam, lParam);
}

std::wstring CCheckDialog::Text(int id) const {
    return LoadResourceString(resources(), static_cast<UINT>(id));
}

BOOL CCheckDialog::OnInitDialog() {
    CModalDialog::OnInitDialog();
    HWND window = GetSafeHwnd();
    monitors_ = DesktopMonitors();
    std::optional<NamedMonitor> covered = CoveredMonitor(GetWindow(window, GW_OWNER));
    if (!covered) {
        const std::optional<std::size_t> primary = PrimaryIndex(monitors_);
        const std::vector<std::string> names = MonitorNames();
        if (primary && *primary < names.size()) {
            covered = NamedMonitor{*primary, names[*primary], monitors_[*primary]};
        }
    }
    input_.Attach(window);
    if (covered) {
        monitor_ = *covered;
    }
    if (!covered || !BeginCheck()) {
        ending_ = true;
        EndDialog(static_cast<INT_PTR>(CheckEnd::NotStarted));
        return FALSE;
    }
    details_ = DescribeMonitor(monitor_);
    contacts_.Start(window);
    guidance_.Prepare(window, resources(), run_);
    painter_.Prepare(window, WindowScale(window));
    ShowOverMonitor(window, monitor_.area);
    const std::wstring coverPattern = Text(IDS_CHECK_COVER);
    covers_ =
        CoverOtherMonitors(window, monitors_, monitor_.index,
                           [&](std::size_t) {
                               return WideFromUtf8(FillNumbered(Utf8FromWide(coverPattern),
                                                                {std::to_string(monitor_.index)}));
                           },
                           {.contact = [this](std::uint32_t flags,
                                              SamplePoint position) { OnContact(flags, position); },
                            .cancelled = [this] { OnContactCancelled(); }});
    input_.StartTimeout();
    return TRUE;
}

bool CCheckDialog::BeginCheck() {
    const PixelRect& screen = monitor_.area;
    const std::optional<std::vector<PixelPoint>> points =
        LayoutCheckPoints(options_.points, screen.width, screen.height);
    if (!points) {
        return false;
    }
    std::vector<SamplePoint> samples;
    for (const PixelPoint& p : *points) {
        samples.push_back(SamplePoint{p.x, p.y});
    }
    if (!run_.BeginCheck(samples, screen.width, screen.height)) {
        return false;
    }
    points_ = *points;
    showingPicture_ = false;
    pressed_.reset();
    drawing_ = false;
    picture_ = {};
    ++checksRun_;
    return true;
}

MessageResult CCheckDialog::OnGetMinMaxInfo(WPARAM, LPARAM lParam) {
    if (!run_.started()) {
        return MessageResult::Default();
    }
    KeepWholeMonitor(lParam, run_.screenWidth(), run_.screenHeight());
    return MessageResult::Handled();
}

MessageResult CCheckDialog::OnPaint(WPARAM, LPARAM) {
    PaintContext paint(GetSafeHwnd());
    if (showingPicture_) {
        painter_.Paint(paint.dc(), picture_, run_.screenWidth(), run_.screenHeight());
    } else {
        guidance_.Paint(paint.dc(), run_, input_.countdown());
    }
    return MessageResult::Handled();
}

MessageResult CCheckDialog::OnTimer(WPARAM wParam, LPARAM) {
    if (auto answer = input_.HandleTimer(wParam)) {
        return *answer;
    }
    return MessageResult::Default();
}

void CCheckDialog::OnContact(std::uint32_t flags, SamplePoint position) {
    if (ending_) {
        return;
    }
    if (showingPicture_) {
        OnPictureContact(flags, position);
    } else {
        input_.OnContact(flags, position);
    }
}

void CCheckDialog::OnContactCancelled() {
    if (showingPicture_) {
        pressed_.reset();
        drawing_ = false;
        input_.HoldClock(false);
    } else {
        input_.OnContactCancelled();
    }
}

MessageResult CCheckDialog::OnShowPicture(WPARAM, LPARAM) {
    if (ending_ || showingPicture_ || !run_.AllTargetsAccepted()) {
        return MessageResult::Handled();
    }
    const CheckedMonitor checked{run_.screenWidth(), run_.screenHeight(), details_.millimetres};
    result_ = Evaluate(checked);
    if (!result_) {
        End(CheckEnd::Cancelled);
        return MessageResult::Handled();
    }
    const StringLoader load = [this](int id) { return Utf8FromWide(Text(id)); };
    std::vector<std::string> screenNames;
    for (std::size_t i = 0; i < monitors_.size(); ++i) {
        screenNames.push_back(std::to_string(i));
    }
    summaryText_ = CheckSummaryLine(result_->measurement, checked.width, checked.height, load);
    diagnosisText_ = DiagnosisLine(result_->diagnosis, MappingRemedy::Windows, screenNames, load);
    const std::string legend =
        FillNumbered(load(IDS_CHECK_MAGNIFIED), {std::to_string(ERROR_MAGNIFICATION)});
    const std::vector<CheckButton> shown = buttons();
    picture_.points = result_->measurement.points;
    picture_.layout =
        LayoutCheckPicture(checked.width, checked.height, WindowScale(GetSafeHwnd()), shown);
    picture_.lines = {WideFromUtf8(summaryText_), WideFromUtf8(legend),
                      WideFromUtf8(diagnosisText_)};
    picture_.buttonLabels.clear();
    for (const PictureButton& button : picture_.layout.buttons) {
        picture_.buttonLabels.push_back(Text(ButtonTextId(button.button)));
    }
    showingPicture_ = true;
    // The picture's own 30 s: each touch holds the clock, as on a check point.
    input_.StartTimeout();
    InvalidateRect(GetSafeHwnd(), nullptr, TRUE);
    if (options_.pictureShown) {
        options_.pictureShown(GetSafeHwnd());
    }
    return MessageResult::Handled();
}

std::optional<CheckResult> CCheckDialog::Evaluate(const CheckedMonitor& checked) const {
    std::vector<PixelPoint> touches;
    for (std::uint32_t k = 0; k < points_.size(); ++k) {
        const std::optional<SamplePoint> touch = run_.AcceptedTouch(k);
        touches.push_back(touch ? PixelPoint{touch->x, touch->y} : PixelPoint{});
    }
    // A tolerance in millimetres on a monitor of unknown size falls back to the default, said
    // as the Linux build says it; the report names the tolerance that was used.
    if (options_.tolerance && !TolerancePixels(*options_.tolerance, checked)) {
        LogError("the monitor's physical size is unknown: the tolerance is 1 % of its diagonal");
    }
    if (std::optional<CheckResult> result = EvaluateCheck(
            points_, touches, checked, options_.tolerance.value_or(DefaultTolerance(checked)),
            monitors_, monitor_.index)) {
        return result;
    }
    return EvaluateCheck(points_, touches, checked, DefaultTolerance(checked), monitors_,
                         monitor_.index);
}

std::vector<CheckButton> CCheckDialog::buttons() const {
    std::vector<CheckButton> shown = {CheckButton::Done, CheckButton::CheckAgain};
    if (options_.offerCalibrateAgain) {
        shown.push_back(CheckButton::CalibrateAgain);
    }
    shown.push_back(CheckButton::Clear);
    return shown;
}

void CCheckDialog::OnPictureContact(std::uint32_t flags, SamplePoint position) {
    const PixelPoint at{position.x, position.y};
    if ((flags & TOUCH_FLAG_DOWN) != 0) {
        input_.HoldClock(true);
        // A touch that starts on a button presses it; anywhere else it draws.
        pressed_ = ButtonAt(picture_.layout, at);
        drawing_ = !pressed_;
        if (drawing_) {
            picture_.trail.push_back({at});
        }
    }
    if ((flags & (TOUCH_FLAG_MOVE | TOUCH_FLAG_UP)) != 0 && drawing_ && !picture_.trail.empty()) {
        std::vector<PixelPoint>& stroke = picture_.trail.back();
        const PixelPoint last = stroke.back();
        stroke.push_back(at);
        const RECT changed{
            std::min(last.x, at.x) - TRAIL_MARGIN, std::min(last.y, at.y) - TRAIL_MARGIN,
            std::max(last.x, at.x) + TRAIL_MARGIN, std::max(last.y, at.y) + TRAIL_MARGIN};
        InvalidateRect(GetSafeHwnd(), &changed, FALSE);
    }
    if ((flags & TOUCH_FLAG_UP) != 0) {
        input_.HoldClock(false);
        drawing_ = false;
        const std::optional<CheckButton> pressed = pressed_;
        pressed_.reset();
        // A button acts when the finger lifts on it, as a push button does.
        if (pressed && ButtonAt(picture_.layout, at) == pressed) {
            OnButton(*pressed);
        }
    }
}

void CCheckDialog::OnButton(CheckButton button) {
    switch (button) {
        case CheckButton::Done:
            End(CheckEnd::Done);
            break;
        case CheckButton::CheckAgain:
            if (BeginCheck()) {
                input_.StartTimeout();
                InvalidateRect(GetSafeHwnd(), nullptr, TRUE);
            }
            break;
        case CheckButton::CalibrateAgain:
            End(CheckEnd::CalibrateAgain);
            break;
        case CheckButton::Clear:
            picture_.trail.clear();
            InvalidateRect(GetSafeHwnd(), nullptr, TRUE);
            break;
        case CheckButton::MapHere:
            break;  // not offered on Windows: the remedy names where the mapping is set
    }
}

void CCheckDialog::OnTimedOut() {
    End(showingPicture_ ? CheckEnd::Done : CheckEnd::TimedOut);
}

void CCheckDialog::Leave() {
    End(showingPicture_ ? CheckEnd::Done : CheckEnd::Cancelled);
}

void CCheckDialog::End(CheckEnd end) {
    if (ending_) {
        return;
    }
    ending_ = true;
    end_ = end;
    input_.Stop();
    contacts_.Stop();
    covers_.clear();
    EndDialog(static_cast<INT_PTR>(end));
}

MessageResult CCheckDialog::OnDestroy(WPARAM, LPARAM) {
    input_.Stop();
    contacts_.Stop();
    covers_.clear();
    return MessageResult::Default();
}

}  // namespace norvessa::win32
