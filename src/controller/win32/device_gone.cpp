#include "controller/win32/device_gone.h"

#include "controller/win32/hid_api.h"

namespace norvessa {

bool IsDeviceGoneError(DWORD error) {
    switch (error) {
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_BAD_COMMAND:
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
        case ERROR_PIPE_NOT_CONNECTED:
            return true;
        default:
            return false;
    }
}

bool IsPipeHandle(HANDLE handle) {
    return ::GetFileType(handle) == FILE_TYPE_PIPE;
}

bool IsHandleAlive(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        return false;
    }
    if (IsPipeHandle(handle)) {
        DWORD available = 0;
        return ::PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) != FALSE ||
               !IsDeviceGoneError(::GetLastError());
    }
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    return ::HidD_GetAttributes(handle, &attributes) != FALSE ||
           !IsDeviceGoneError(::GetLastError());
}

}  // namespace norvessa
