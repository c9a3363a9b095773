#pragma once
// Sole owners of the Windows resources the program and its tests take: file and kernel handles,
// a HID parser's preparsed data, a device-information set and a device-notification
// registration. Each is released once, never copied; moving hands the resource on.

#include <utility>

#include "controller/win32/hid_api.h"

namespace norvessa {

template <typename Traits>
class UniqueResource {
  public:
    using Value = typename Traits::Value;

    UniqueResource() = default;
    explicit UniqueResource(Value value) : value_(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    Value get() const { return value_; }
    bool valid() const { return value_ != Traits::Empty(); }
    explicit operator bool() const { return valid(); }
    Value release() { return std::exchange(value_, Traits::Empty()); }
    void reset(Value value = Traits::Empty()) {
        if (valid()) {
            Traits::Release(value_);
        }
        value_ = value;
    }

  private:
    Value value_ = Traits::Empty();
};

struct FileHandleTraits {
    using Value = HANDLE;
    static Value Empty() { return INVALID_HANDLE_VALUE; }
    static void Release(Value value) { ::CloseHandle(value); }
};

// Events, threads, processes, jobs and pipes: the calls that make them give null, not
// INVALID_HANDLE_VALUE, on failure.
struct KernelHandleTraits {
    using Value = HANDLE;
    static Value Empty() { return nullptr; }
    static void Release(Value value) { ::CloseHandle(value); }
};

struct PreparsedDataTraits {
    using Value = PHIDP_PREPARSED_DATA;
    static Value Empty() { return nullptr; }
    static void Release(Value value) { ::HidD_FreePreparsedData(value); }
};

struct DeviceInfoSetTraits {
    using Value = HDEVINFO;
    static Value Empty() { return INVALID_HANDLE_VALUE; }
    static void Release(Value value) { ::SetupDiDestroyDeviceInfoList(value); }
};

struct DeviceNotificationTraits {
    using Value = HDEVNOTIFY;
    static Value Empty() { return nullptr; }
    static void Release(Value value) { ::UnregisterDeviceNotification(value); }
};

using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueKernelHandle = UniqueResource<KernelHandleTraits>;
using PreparsedData = UniqueResource<PreparsedDataTraits>;
using DeviceInfoSet = UniqueResource<DeviceInfoSetTraits>;
using DeviceNotification = UniqueResource<DeviceNotificationTraits>;

}  // namespace norvessa
