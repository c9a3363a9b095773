#include "ui_script.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QTest>
#include <memory>

namespace norvessa::test {
namespace {

constexpr int TICK_MS = 5;
constexpr qint64 STEP_TIMEOUT_MS = 8000;

qint64 NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

}  // namespace

UiScript::UiScript() {
    timer_.setInterval(TICK_MS);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
}

UiScript& UiScript::When(std::string name, Condition ready, Action act) {
    steps_.push_back({std::move(name), std::move(ready), std::move(act)});
    return *this;
}

UiScript& UiScript::Do(std::string name, Action act) {
    return When(
        std::move(name), [] { return true; }, std::move(act));
}

UiScript& UiScript::Pause(int ms) {
    auto since = std::make_shared<qint64>(0);
    Do("pause", [since] { *since = NowMs(); });
    return When("pause of " + std::to_string(ms) + " ms",
                [since, ms] { return *since != 0 && NowMs() - *since >= ms; }, {});
}

void UiScript::Start() {
    stepStartedMs_ = NowMs();
    timer_.start();
}

void UiScript::Tick() {
    if (finished_) {
        return;
    }
    if (next_ >= steps_.size()) {
        finished_ = true;
        timer_.stop();
        return;
    }
    // An action's own event processing (QTest's input helpers process events after each
    // event) must not start the next step halfway through it; a modal loop it opened must.
    if (!runningActions_.empty() && runningActions_.back() == QApplication::activeModalWidget()) {
        return;
    }
    Step& step = steps_[next_];
    if (!step.ready()) {
        if (NowMs() - stepStartedMs_ > STEP_TIMEOUT_MS) {
            Fail("timed out waiting for: " + step.name);
        }
        return;
    }
    // Advance first: the action may open a modal loop inside which the next steps run. It
    // runs from a posted call, since Qt does not fire a timer again while its handler runs.
    ++next_;
    stepStartedMs_ = NowMs();
    if (step.act) {
        QMetaObject::invokeMethod(
            &timer_,
            [this, act = step.act] {
                runningActions_.push_back(QApplication::activeModalWidget());
                act();
                runningActions_.pop_back();
            },
            Qt::QueuedConnection);
    }
}

void UiScript::Fail(const std::string& why) {
    failure_ = why;
    finished_ = true;
    timer_.stop();
    CloseModalWindows();
}

bool UiScript::WaitUntilFinished(int timeoutMs) {
    const bool done = QTest::qWaitFor([this] { return finished_; }, timeoutMs);
    if (!done) {
        Fail("the script did not finish");
    }
    return done && failure_.empty();
}

QMessageBox* VisibleMessageBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

ui::CMyDialog* VisibleCalibration() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = dynamic_cast<ui::CMyDialog*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

ui::CheckWindow* VisibleCheck() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = dynamic_cast<ui::CheckWindow*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

void CloseModalWindows() {
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible()) {
            continue;
        }
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            box->done(QMessageBox::No);
        } else if (auto* window = dynamic_cast<ui::CMyDialog*>(widget)) {
            window->done(static_cast<int>(ui::CalibrationEnd::Closed));
        } else if (auto* check = dynamic_cast<ui::CheckWindow*>(widget)) {
            check->done(static_cast<int>(ui::CheckEnd::Done));
        }
    }
}

BoxSeen Describe(const QMessageBox& box) {
    QMessageBox::StandardButtons buttons;
    for (QAbstractButton* button : box.buttons()) {
        buttons |= box.standardButton(button);
    }
    return {box.windowTitle(), box.text(), box.icon(), buttons};
}

void Press(QMessageBox& box, QMessageBox::StandardButton button) {
    if (QAbstractButton* found = box.button(button)) {
        found->click();
    }
}

}  // namespace norvessa::test
