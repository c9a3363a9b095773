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
// The calibration check: its entry points, window, picture and diagnosis.
#define IDS_CHECK_MENU 120
#define IDS_CHECK_LINK 121
#define IDS_CHECK_PROGRESS 122
#define IDS_CHECK_COVER 123
#define IDS_CHECK_DONE 124
#define IDS_CHECK_AGAIN 125
#define IDS_CHECK_CALIBRATE_AGAIN 126
#define IDS_CHECK_CLEAR 127
#define IDS_CHECK_MAP_HERE 128
#define IDS_CHECK_MAGNIFIED 129
#define IDS_CHECK_SUMMARY_MM 130
#define IDS_CHECK_SUMMARY_PX 131
#define IDS_CHECK_PASS 132
#define IDS_CHECK_FAIL 133
#define IDS_REGION_TOP_LEFT 134
#define IDS_REGION_TOP 135
#define IDS_REGION_TOP_RIGHT 136
#define IDS_REGION_LEFT 137
#define IDS_REGION_CENTRE 138
#define IDS_REGION_RIGHT 139
#define IDS_REGION_BOTTOM_LEFT 140
#define IDS_REGION_BOTTOM 141
#define IDS_REGION_BOTTOM_RIGHT 142
#define IDS_DIAG_WITHIN 143
#define IDS_DIAG_DESKTOP 144
#define IDS_DIAG_OTHER_MONITOR 145
#define IDS_DIAG_SWAPPED 146
#define IDS_DIAG_MIRRORED_X 147
#define IDS_DIAG_MIRRORED_Y 148
#define IDS_DIAG_ROTATED 149
#define IDS_REMEDY_RECALIBRATE 150
#define IDS_DIAG_NO_PATTERN 151
#define IDS_DIAG_JOIN 152
#define IDS_REMEDY_X11 153
#define IDS_REMEDY_GNOME 154
#define IDS_REMEDY_COMPOSITOR 155
#define IDS_REMEDY_WINDOWS 156
#define IDS_MAP_FAILED 157

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
