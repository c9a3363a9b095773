#pragma once
// Resource and control IDs shared by the resource script and the C++ code. Plain #defines
// only, so that the resource compiler can read this header too.

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_NORVESSA_DIALOG 102
#define IDD_CALIBRATION_DIALOG 129

// Icon group: the application icon.
#define IDR_MAINFRAME 128

// String table.
#define IDS_ABOUTBOX 101
#define IDS_CALIBRATION_SUCCEED 102
#define IDS_CALIBRATION_FAILED 103
#define IDS_RESET_SUCCEED 104
#define IDS_RESET_FAILED 105
// Calibration window guidance and feedback.
#define IDS_GUIDE_INSTRUCTION 106
#define IDS_GUIDE_PROGRESS 107
#define IDS_HINT_HOLD_LONGER 108
#define IDS_HINT_TOO_MUCH_MOVEMENT 109
#define IDS_WAITING_FOR_CONTROLLER 110
#define IDS_CALIBRATION_TIMED_OUT 111
#define IDS_GUIDE_COUNTDOWN 112
// Main window status line.
#define IDS_STATUS_NO_CONTROLLER 113
#define IDS_STATUS_ACCESS_DENIED 114
#define IDS_STATUS_CONNECTED 115
#define IDS_STATUS_IN_USE 116
// Added below the controller status when more than one screen is attached.
#define IDS_STATUS_SCREEN 117
#define IDS_SCREEN_NOT_COVERED 118
#define IDS_CONTROLLER_NOT_RESPONDING 119

// System-menu command of the About entry.
#define IDM_ABOUTBOX 0x0010

// Main dialog buttons (Quit is the dialog's cancel command, IDCANCEL = 2).
#define IDC_QUIT 2
#define IDC_CALIBRATE_4 1000
#define IDC_CALIBRATE_9 1001
#define IDC_CALIBRATE_16 1002
#define IDC_CALIBRATE_25 1003
#define IDC_RESET 1004
#define IDC_CALIBRATE_12 1005
#define IDC_CALIBRATE_15 1006
#define IDC_CALIBRATE_20 1007
// The status line above the buttons: a static text, no tab stop, last in the template.
#define IDC_STATUS_LINE 1008

// About box controls.
#define IDC_ABOUT_ICON 1100
#define IDC_ABOUT_NAME 1101
#define IDC_ABOUT_VERSION 1102
