#include "controller/win32/hid_caps_convert.h"

namespace norvessa {
namespace {

// Button and value records share the fields the table build reads, at different offsets.
template <typename ParserCaps>
HidReportCaps ConvertReportCaps(const ParserCaps& caps) {
    HidReportCaps portable;
    portable.usagePage = caps.UsagePage;
    portable.reportId = caps.ReportID;
    portable.isRange = caps.IsRange != FALSE;
    portable.usageMin = caps.Range.UsageMin;
    portable.usageMax = caps.Range.UsageMax;
    return portable;
}

}  // namespace

HidCaps ToPortableCaps(const HIDP_CAPS& caps) {
    HidCaps portable;
    portable.usage = caps.Usage;
    portable.usagePage = caps.UsagePage;
    portable.inputReportByteLength = caps.InputReportByteLength;
    portable.outputReportByteLength = caps.OutputReportByteLength;
    portable.featureReportByteLength = caps.FeatureReportByteLength;
    portable.numberOutputButtonCaps = caps.NumberOutputButtonCaps;
    portable.numberOutputValueCaps = caps.NumberOutputValueCaps;
    return portable;
}

HidReportCaps ToPortableReportCaps(const HIDP_BUTTON_CAPS& caps) {
    return ConvertReportCaps(caps);
}

HidReportCaps ToPortableReportCaps(const HIDP_VALUE_CAPS& caps) {
    return ConvertReportCaps(caps);
}

}  // namespace norvessa
