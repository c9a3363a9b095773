#include "app_fixture.h"

#include <fcntl.h>

#include <QTest>

namespace norvessa::test {

AppTest::~AppTest() {
    // The dialog closes its controller's fd before the controller's serving thread ends.
    dialog_.reset();
    peer_.reset();
}

ReadyController AppTest::PlugInNewController() {
    peer_ = std::make_unique<sim::SeqpacketPeer>();
    ReadyController ready{.fd = peer_->TakeHostFd()};
    ::fcntl(ready.fd.get(), F_SETFL, ::fcntl(ready.fd.get(), F_GETFL) | O_NONBLOCK);
    return ready;
}

void AppTest::MakeDialog(ui::UiLanguage language, bool withController) {
    ui::MainDialogOptions options;
    if (withController) {
        options.readyController = PlugInNewController();
    }
    options.fingerHook = {[this] {
                              if (peer_)
                                  peer_->FingerDown();
                          },
                          [this] {
                              if (peer_)
                                  peer_->FingerUp();
                          }};
    options.calibrationTimings = timings_;
    options.checkEnded = [this](const ui::CheckOutcome& outcome) {
        if (checkEnded_) {
            checkEnded_(outcome);
        }
    };
    dialog_ = std::make_unique<ui::CNorvessaDlg>(language, std::move(options));
    dialog_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
}

std::size_t AppTest::SettledReceivedCount(std::size_t expected) {
    peer_->WaitForReceived(expected, std::chrono::seconds(2));
    QTest::qWait(100);
    return ReceivedCount();
}

std::vector<Report> AppTest::Received() {
    return peer_ ? peer_->With([](sim::SimulatedController& c) { return c.received(); })
                 : std::vector<Report>{};
}

sim::RunProgress AppTest::Progress() {
    return peer_->With([](sim::SimulatedController& c) { return c.progress(); });
}

std::vector<std::string> AppTest::Violations() {
    return peer_->With([](sim::SimulatedController& c) { return c.violations(); });
}

QPointingDevice* TouchScreen() {
    static QPointingDevice* device = QTest::createTouchDevice();
    return device;
}

QPoint LogicalTarget(const ui::CMyDialog& window, std::uint32_t index) {
    return LogicalTarget(window.run(), window.pixelsPerLogical(), index);
}

QPoint LogicalTarget(const CalibrationRun& run, double pixelsPerLogical, std::uint32_t index) {
    const TargetTable& targets = run.targets();
    return QPoint(static_cast<int>(targets.x[index] / pixelsPerLogical),
                  static_cast<int>(targets.y[index] / pixelsPerLogical));
}

void HoldStillAndLift(QWidget& window, QPoint at) {
    QTest::touchEvent(&window, TouchScreen()).press(0, at);
    for (int move = 0; move < SAMPLE_RING_SIZE + 1; ++move) {
        // Alternate by one pixel: a point that does not move is reported as stationary.
        QTest::touchEvent(&window, TouchScreen()).move(0, at + QPoint(move % 2, 0));
    }
    QTest::touchEvent(&window, TouchScreen()).release(0, at);
}

Report ExpectedPointFrame(const ui::CMyDialog& window, std::uint32_t index) {
    const TargetTable& targets = window.run().targets();
    const CalibrationFrame frame =
        BuildPointFrame(index, targets.x[index], targets.y[index], window.run().pointCount());
    return Report(frame.begin(), frame.begin() + MAX_REPORT_LENGTH);
}

}  // namespace norvessa::test
