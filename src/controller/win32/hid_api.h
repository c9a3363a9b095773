#pragma once
// The Windows headers of the HID class and device-enumeration services, in one place. The
// MinGW HID headers declare no C linkage of their own and need NTSTATUS, which the lean
// Windows header leaves out, so both are seen to here.

#include <windows.h>
#include <winternl.h>

#include <dbt.h>
#include <setupapi.h>

// hidsdi.h brings hidusage.h and hidpi.h in the order they need.
extern "C" {
#include <hidsdi.h>
}
