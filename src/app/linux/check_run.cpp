#include "app/linux/check_run.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSysInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include "version.h"

namespace norvessa::ui {

ReportMonitor ReportMonitorOf(const QScreen& screen, const CheckedMonitor& monitor) {
    const qsizetype index = QGuiApplication::screens().indexOf(&screen);
    return {static_cast<std::size_t>(std::max<qsizetype>(index, 0)), screen.name().toStdString(),
            monitor, screen.devicePixelRatio(),
            screen.angleBetween(screen.nativeOrientation(), screen.orientation())};
}

std::optional<ReportController> ReportControllerOf(const OpenedInterface* controller) {
    if (controller == nullptr) {
        return std::nullopt;
    }
    const InterfaceIdentity identity = controller->identity();
    return ReportController{controller->path(),   identity.vendorId,     identity.productId,
                            identity.productName, identity.serialNumber, identity.usbPort};
}

std::optional<CheckReport> ReportOf(const CheckOutcome& outcome, const OpenedInterface* controller,
                                    std::optional<ReportCalibration> calibration) {
    if (!outcome.result || outcome.screen == nullptr) {
        return std::nullopt;
    }
    return CheckReport{NORVESSA_VERSION_STRING,
                       std::chrono::system_clock::now(),
                       QSysInfo::machineHostName().toStdString(),
                       ReportControllerOf(controller),
                       ReportMonitorOf(*outcome.screen, outcome.monitor),
                       calibration,
                       outcome.result->measurement,
                       outcome.result->diagnosis,
                       outcome.diagnosisText};
}

bool WriteReport(const std::string& text, const std::string& path, std::string* error) {
    if (path == "-") {
        std::cout << text << std::flush;
        return static_cast<bool>(std::cout);
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace norvessa::ui
