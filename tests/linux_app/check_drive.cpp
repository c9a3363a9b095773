#include "check_drive.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "app/linux/resource_texts.h"
#include "app_fixture.h"
#include "calibration/linux/calibration_screen.h"
#include "ui_script.h"

namespace norvessa::test {

QPoint LogicalCheckPoint(const ui::CheckWindow& window, std::uint32_t index) {
    return LogicalTarget(window.run(), window.pixelsPerLogical(), index);
}

std::optional<QPoint> LogicalButton(const ui::CheckWindow& window, CheckButton button) {
    for (const PictureButton& each : window.picture().layout().buttons) {
        if (each.button == button) {
            const double ratio = window.pixelsPerLogical();
            return QPoint(static_cast<int>((each.rect.x + each.rect.width / 2) / ratio),
                          static_cast<int>((each.rect.y + each.rect.height / 2) / ratio));
        }
    }
    return std::nullopt;
}

void TapButton(ui::CheckWindow& window, CheckButton button) {
    const QPoint at = LogicalButton(window, button).value_or(QPoint(-1, -1));
    QTest::touchEvent(&window, TouchScreen()).press(0, at);
    QTest::touchEvent(&window, TouchScreen()).release(0, at);
}

void TouchEveryCheckPoint(UiScript& script, QPoint offset, std::optional<std::uint32_t> onlyPoint) {
    for (std::uint32_t point = 0; point < DEFAULT_CHECK_POINTS; ++point) {
        script.When(
            "check point " + std::to_string(point + 1),
            [point] {
                const ui::CheckWindow* window = VisibleCheck();
                return window && !window->showingPicture() &&
                       window->run().currentTarget() == point;
            },
            [point, offset, onlyPoint] {
                ui::CheckWindow* window = VisibleCheck();
                const QPoint off = onlyPoint.value_or(point) == point ? offset : QPoint();
                HoldStillAndLift(*window, LogicalCheckPoint(*window, point) + off);
            });
    }
}

void DriveCheck(const std::string& how) {
    static UiScript script;
    if (how == "escape") {
        script.When(
            "check window", [] { return VisibleCheck() != nullptr; },
            [] { QTest::keyClick(VisibleCheck(), Qt::Key_Escape); });
    } else {
        TouchEveryCheckPoint(script, how == "beyond" ? QPoint(40, 0) : QPoint(0, 0));
        script.When(
            "picture", [] { return VisibleCheck() && VisibleCheck()->showingPicture(); },
            [] { TapButton(*VisibleCheck(), CheckButton::Done); });
    }
    script.Start();
}

namespace {

void PrintLine(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

QString English(int id) {
    return ui::LoadResourceString(ui::UiLanguage::English, id);
}

// Every check point but the last touched on the checked screen, the last on the cover of
// the screen after it, at the same place on that screen; or (any other action) every point
// there. Then the picture's facts, and the map button pressed when it shows.
void DriveCoveredCheck(ui::CheckWindow& window, const std::string& action) {
    static UiScript script;
    for (std::uint32_t point = 0; point < DEFAULT_CHECK_POINTS; ++point) {
        script.When(
            "check point " + std::to_string(point + 1),
            [&window, point] {
                return window.isVisible() && !window.showingPicture() &&
                       window.run().currentTarget() == point && !window.covers().empty();
            },
            [&window, point, action] {
                const bool onCover = action != "last-on-cover" || point + 1 == DEFAULT_CHECK_POINTS;
                if (!onCover) {
                    HoldStillAndLift(window, LogicalCheckPoint(window, point));
                    return;
                }
                ui::CheckCover& cover = *window.covers().front();
                HoldStillAndLift(cover, LogicalCheckPoint(window, point));
            });
    }
    script.When(
        "picture", [&window] { return window.showingPicture(); },
        [&window] {
            for (const PointError& point : window.result()->measurement.points) {
                PrintLine("touch " + std::to_string(point.touch.x) + " " +
                          std::to_string(point.touch.y));
            }
            PrintLine("diagnosis " + window.picture().texts().diagnosis.toStdString());
            const bool mapShown = LogicalButton(window, CheckButton::MapHere).has_value();
            PrintLine(std::string("map button ") + (mapShown ? "shown" : "absent"));
            TapButton(window, mapShown ? CheckButton::MapHere : CheckButton::Done);
        });
    script.Start();
}

}  // namespace

int RunCheckChild(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::string action = argc >= 3 ? argv[2] : "";
    QScreen* checked = QGuiApplication::screens().front();
    ui::SetChosenScreen(checked);
    ui::CheckSettings settings;
    settings.remedy = MappingRemedy::MapButton;
    ui::CheckWindow window(settings, English);
    // "all-on-cover-refused": the mapping fails, and the picture says so.
    const bool refused = action == "all-on-cover-refused";
    window.SetMapTouchDevice([&window, refused](std::int64_t device, PixelRect monitor,
                                                PixelSize root,
                                                std::string* error) -> std::optional<std::string> {
        // The device the touches came from, not a made-up one.
        const std::string id =
            device == TouchScreen()->systemId() ? "touched" : std::to_string(device);
        PrintLine("map device " + id + " monitor " + std::to_string(monitor.x) + " " +
                  std::to_string(monitor.y) + " " + std::to_string(monitor.width) + " " +
                  std::to_string(monitor.height) + " root " + std::to_string(root.width) + " " +
                  std::to_string(root.height));
        QTimer::singleShot(0, &window, [&window] {
            PrintLine(std::string("after mapping ") +
                      (window.showingPicture()
                           ? "picture: " + window.picture().texts().diagnosis.toStdString()
                           : "checking again"));
            window.done(static_cast<int>(ui::CheckEnd::Done));
        });
        if (refused) {
            *error = "no such device";
            return std::nullopt;
        }
        return "Section \"InputClass\"";
    });
    QTimer::singleShot(0, &window, [&window, action] {
        for (const ui::CheckCover* cover : window.covers()) {
            const QRect area = cover->geometry();
            PrintLine("cover " + cover->coveredScreen()->name().toStdString() + " " +
                      cover->text().toStdString() + " " + std::to_string(area.x()) + " " +
                      std::to_string(area.width()));
        }
        DriveCoveredCheck(window, action);
    });
    QTimer::singleShot(10000, [] { ::_exit(3); });
    const ui::CheckOutcome outcome = window.Run();
    PrintLine("end " + std::to_string(static_cast<int>(outcome.end)));
    return 0;
}

}  // namespace norvessa::test
