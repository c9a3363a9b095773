#pragma once
// The words of a calibration check, from its measurement and diagnosis: the summary line under
// the picture ("Largest error 3.1 mm (17 px), bottom right; mean 1.2 mm: PASS") and the
// diagnosis with its remedy. Strings come from the string table through the caller's loader, in
// UTF-8, so both builds show the same text in the user's language.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "calibration/check_diagnosis.h"
#include "calibration/check_error.h"

namespace norvessa {

// Loads a string-table entry in the user's language, as UTF-8.
using StringLoader = std::function<std::string(int id)>;

// Where the platform sets which monitor a touch screen is mapped to: what the remedy names.
enum class MappingRemedy {
    MapButton,   // X11: the check's own "Map to this monitor" button does it
    Gnome,       // GNOME on Wayland: Settings, Displays
    Compositor,  // another Wayland compositor: its configuration
    Windows,     // Tablet PC Settings, Setup
};

// `value` with `decimals` digits after a point, whatever the C locale says ("3.1", "17").
std::string FormatDecimal(double value, int decimals);

// "%1" to "%9" in `pattern` replaced by the matching entry of `values`; a placeholder without a
// value is left as it is.
std::string FillNumbered(const std::string& pattern, const std::vector<std::string>& values);

int RegionTextId(ScreenRegion region);

// The summary line: millimetres where the monitor's size is known, else pixels only.
std::string CheckSummaryLine(const CheckMeasurement& measurement, std::int32_t width,
                             std::int32_t height, const StringLoader& load);

// The diagnosis as one line: the cause, and the remedy where there is one. `screenNames` names
// each monitor as the main window does (an index into them is what MappedToOtherMonitor holds).
std::string DiagnosisLine(const Diagnosis& diagnosis, MappingRemedy remedy,
                          const std::vector<std::string>& screenNames, const StringLoader& load);

}  // namespace norvessa
