#pragma once
// A finger on the check window, for the in-process tests and for the check run as a child
// process (the command line's exit codes, the covers of a desktop of several screens).

#include <QPoint>
#include <cstdint>
#include <string>

#include "calibration/linux/check_window.h"

namespace norvessa::test {

class UiScript;

// Check point `index` in the window's logical coordinates.
QPoint LogicalCheckPoint(const ui::CheckWindow& window, std::uint32_t index);
// The centre of the picture's button, logical; none when it is not on the picture.
std::optional<QPoint> LogicalButton(const ui::CheckWindow& window, CheckButton button);
// A touch pressed and lifted on the picture's button.
void TapButton(ui::CheckWindow& window, CheckButton button);
// Steps that touch every check point as each one shows, `offset` physical pixels off it (only
// point `onlyPoint` when given, the others exactly).
void TouchEveryCheckPoint(UiScript& script, QPoint offset,
                          std::optional<std::uint32_t> onlyPoint = std::nullopt);

// The check of the command-line child: "exact" and "beyond" (40 px off) touch every point and
// end the picture with Done; "escape" cancels at the first point. From NORVESSA_TEST_CHECK.
void DriveCheck(const std::string& how);

// `--check-child ACTION`: a check window on a desktop of several screens (QT_QPA_PLATFORM's
// configfile), its touches given by ACTION; prints what it saw, one fact a line.
int RunCheckChild(int argc, char** argv);

}  // namespace norvessa::test
