#pragma once
// The HID parser's capability records in the portable form that the output-data table build
// reads.

#include "controller/win32/hid_api.h"
#include "hid/output_table.h"

namespace norvessa {

HidCaps ToPortableCaps(const HIDP_CAPS& caps);

// The usage fields are read through the range view whatever IsRange says: for a single usage
// usageMin then holds NotRange.Usage and usageMax NotRange.Reserved1, as Windows stores them.
HidReportCaps ToPortableReportCaps(const HIDP_BUTTON_CAPS& caps);
HidReportCaps ToPortableReportCaps(const HIDP_VALUE_CAPS& caps);

}  // namespace norvessa
