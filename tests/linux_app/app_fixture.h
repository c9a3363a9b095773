#pragma once
// The main dialog over the simulated controller behind a socket pair, and a finger on the
// calibration window.

#include <gtest/gtest.h>

#include <QPointingDevice>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/linux/norvessa_dlg.h"
#include "seqpacket_peer.h"

namespace norvessa::test {

using Report = std::vector<std::uint8_t>;

class AppTest : public ::testing::Test {
  protected:
    ~AppTest() override;

    // A main dialog, shown, with the simulated controller current (or none).
    void MakeDialog(ui::UiLanguage language = ui::UiLanguage::English, bool withController = true);
    // A new simulated controller, ready for InstallReadyController; the old one is dropped.
    ReadyController PlugInNewController();

    std::vector<Report> Received();
    std::size_t ReceivedCount() { return Received().size(); }
    // The count once the controller has taken at least `expected` reports and a little time
    // has passed for any later one: frames cross the socket on the peer's own thread.
    std::size_t SettledReceivedCount(std::size_t expected);
    sim::RunProgress Progress();
    std::vector<std::string> Violations();

    // The time-out of the calibrations the dialog starts; shortened by the time-out tests.
    ui::CalibrationTimings timings_;
    // Told how each check the dialog starts ended.
    std::function<void(const ui::CheckOutcome&)> checkEnded_;
    std::unique_ptr<sim::SeqpacketPeer> peer_;
    std::unique_ptr<ui::CNorvessaDlg> dialog_;
};

QPointingDevice* TouchScreen();

// Target `index` of the window's layout, in the window's logical coordinates.
QPoint LogicalTarget(const ui::CMyDialog& window, std::uint32_t index);
// The same for any run's window of `pixelsPerLogical`.
QPoint LogicalTarget(const CalibrationRun& run, double pixelsPerLogical, std::uint32_t index);
// A finger put down at `at`, moved eleven times within a pixel of it, and lifted there: a
// steady touch that accepts the current target (or check point).
void HoldStillAndLift(QWidget& window, QPoint at);
// The run's point frame for target `index`, cut to the report length the controller gets.
Report ExpectedPointFrame(const ui::CMyDialog& window, std::uint32_t index);

}  // namespace norvessa::test
