#include "calibration/check_text.h"

#include <cmath>
#include <cstdint>

#include "resource.h"

namespace norvessa {
namespace {

// What the diagnosis line says for kinds whose remedy is to calibrate again the right way round.
int OrientationTextId(DiagnosisKind kind) {
    switch (kind) {
        case DiagnosisKind::SwappedAxes:
            return IDS_DIAG_SWAPPED;
        case DiagnosisKind::MirroredX:
            return IDS_DIAG_MIRRORED_X;
        case DiagnosisKind::MirroredY:
            return IDS_DIAG_MIRRORED_Y;
        default:
            return IDS_DIAG_ROTATED;
    }
}

int RotationDegrees(DiagnosisKind kind) {
    switch (kind) {
        case DiagnosisKind::Rotated90:
            return 90;
        case DiagnosisKind::Rotated180:
            return 180;
        case DiagnosisKind::Rotated270:
            return 270;
        default:
            return 0;
    }
}

int RemedyTextId(MappingRemedy remedy) {
    switch (remedy) {
        case MappingRemedy::MapButton:
            return IDS_REMEDY_X11;
        case MappingRemedy::Gnome:
            return IDS_REMEDY_GNOME;
        case MappingRemedy::Compositor:
            return IDS_REMEDY_COMPOSITOR;
        case MappingRemedy::Windows:
            return IDS_REMEDY_WINDOWS;
    }
    return IDS_REMEDY_COMPOSITOR;
}

std::string Joined(const StringLoader& load, const std::string& cause, const std::string& remedy) {
    return FillNumbered(load(IDS_DIAG_JOIN), {cause, remedy});
}

}  // namespace

std::string FormatDecimal(double value, int decimals) {
    if (!std::isfinite(value)) {
        return "?";
    }
    // Whole numbers only, so no locale and no floating-point formatting (which alone would
    // make up a fifth of the Windows program) take part.
    std::uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    const double scaled = std::round(std::fabs(value) * static_cast<double>(scale));
    // Beyond 2^53 the whole number is no longer exact.
    if (decimals < 0 || decimals > 15 || scaled >= 9007199254740992.0) {
        return "?";
    }
    const auto units = static_cast<std::uint64_t>(scaled);
    // A value that rounds to zero is shown without a sign.
    std::string text = value < 0 && units != 0 ? "-" : "";
    text += std::to_string(units / scale);
    if (decimals > 0) {
        const std::string fraction = std::to_string(units % scale);
        text += '.';
        text.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
        text += fraction;
    }
    return text;
}

std::string FillNumbered(const std::string& pattern, const std::vector<std::string>& values) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == '%' && i + 1 < pattern.size() &&
                                 pattern[i + 1] >= '1' && pattern[i + 1] <= '9' &&
                                 static_cast<std::size_t>(pattern[i + 1] - '1') < values.size();
        if (placeholder) {
            out += values[static_cast<std::size_t>(pattern[i + 1] - '1')];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

int RegionTextId(ScreenRegion region) {
    return IDS_REGION_TOP_LEFT + static_cast<int>(region);
}

std::string CheckSummaryLine(const CheckMeasurement& measurement, std::int32_t width,
                             std::int32_t height, const StringLoader& load) {
    if (measurement.points.empty()) {
        return {};
    }
    const PointError& largest = measurement.points[measurement.largest];
    const std::string region = load(RegionTextId(RegionOf(largest.target, width, height)));
    const std::string verdict = load(measurement.passed ? IDS_CHECK_PASS : IDS_CHECK_FAIL);
    const std::string pixels = FormatDecimal(largest.pixels, 0);
    if (largest.millimetres && measurement.meanMillimetres) {
        return FillNumbered(load(IDS_CHECK_SUMMARY_MM),
                            {FormatDecimal(*largest.millimetres, 1), pixels, region,
                             FormatDecimal(*measurement.meanMillimetres, 1), verdict});
    }
    return FillNumbered(load(IDS_CHECK_SUMMARY_PX),
                        {pixels, region, FormatDecimal(measurement.meanPixels, 0), verdict});
}

std::string DiagnosisLine(const Diagnosis& diagnosis, MappingRemedy remedy,
                          const std::vector<std::string>& screenNames, const StringLoader& load) {
    switch (diagnosis.kind) {
        case DiagnosisKind::WithinTolerance:
            return load(IDS_DIAG_WITHIN);
        case DiagnosisKind::NoPattern:
            return load(IDS_DIAG_NO_PATTERN);
        case DiagnosisKind::MappedToDesktop:
            return Joined(load, load(IDS_DIAG_DESKTOP), load(RemedyTextId(remedy)));
        case DiagnosisKind::MappedToOtherMonitor: {
            const std::size_t other = diagnosis.otherMonitor.value_or(0);
            const std::string name =
                other < screenNames.size() ? screenNames[other] : std::to_string(other);
            return Joined(load, FillNumbered(load(IDS_DIAG_OTHER_MONITOR), {name}),
                          load(RemedyTextId(remedy)));
        }
        case DiagnosisKind::SwappedAxes:
        case DiagnosisKind::MirroredX:
        case DiagnosisKind::MirroredY:
        case DiagnosisKind::Rotated90:
        case DiagnosisKind::Rotated180:
        case DiagnosisKind::Rotated270: {
            const std::string cause =
                FillNumbered(load(OrientationTextId(diagnosis.kind)),
                             {std::to_string(RotationDegrees(diagnosis.kind))});
            return Joined(load, cause, load(IDS_REMEDY_RECALIBRATE));
        }
    }
    return load(IDS_DIAG_NO_PATTERN);
}

}  // namespace norvessa
