#pragma once
// IDs of the resources that the dialog-layer tests build their dialogs from.

#define IDD_PROBE 1
#define IDC_PROBE_BUTTON 1000
#define IDS_PROBE_TEXT 7
#define IDS_PROBE_MISSING 8
