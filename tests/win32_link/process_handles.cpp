#include "process_handles.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace norvessa::test {
namespace {

constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr ULONG kFileModeInformation = 16;
constexpr ULONG kFileSynchronousIoAlert = 0x10;
constexpr ULONG kFileSynchronousIoNonAlert = 0x20;
constexpr NTSTATUS kStatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

// The system's layout of one entry of the extended handle table.
struct HandleTableEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG handleAttributes;
    ULONG reserved;
};

using QuerySystemInformation = NTSTATUS(NTAPI*)(ULONG, void*, ULONG, ULONG*);
using QueryInformationFile = NTSTATUS(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, ULONG);

template <typename Function>
Function NtdllFunction(const char* name) {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(ntdll, name)));
}

}  // namespace

std::optional<std::size_t> OpenHandleCount() {
    auto query = NtdllFunction<QuerySystemInformation>("NtQuerySystemInformation");
    if (query == nullptr) {
        return std::nullopt;
    }
    std::vector<std::uint64_t> buffer(1 << 16);
    NTSTATUS status = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG returned = 0;
        status = query(kSystemExtendedHandleInformation, buffer.data(),
                       static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t)), &returned);
        if (status != kStatusInfoLengthMismatch) {
            break;
        }
        buffer.resize(buffer.size() * 4);
    }
    if (status != 0) {
        return std::nullopt;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
    ULONG_PTR entries = 0;
    std::memcpy(&entries, bytes, sizeof(entries));
    const ULONG_PTR self = ::GetCurrentProcessId();
    std::size_t count = 0;
    for (ULONG_PTR i = 0; i < entries; ++i) {
        HandleTableEntry entry;
        std::memcpy(&entry, bytes + 2 * sizeof(ULONG_PTR) + i * sizeof(HandleTableEntry),
                    sizeof(entry));
        if (entry.processId == self) {
            ++count;
        }
    }
    return count;
}

std::optional<std::size_t> SettledHandleCount() {
    constexpr int kStableReadings = 5;
    constexpr int kMaxReadings = 100;
    constexpr DWORD kReadingIntervalMs = 30;
    std::optional<std::size_t> count = OpenHandleCount();
    int stable = 0;
    for (int reading = 0; reading < kMaxReadings && stable < kStableReadings; ++reading) {
        ::Sleep(kReadingIntervalMs);
        const std::optional<std::size_t> next = OpenHandleCount();
        stable = next == count ? stable + 1 : 0;
        count = next;
    }
    return count;
}

bool IsOverlappedHandle(HANDLE handle) {
    auto query = NtdllFunction<QueryInformationFile>("NtQueryInformationFile");
    IO_STATUS_BLOCK status{};
    ULONG mode = 0;
    if (query == nullptr ||
        query(handle, &status, &mode, sizeof(mode), kFileModeInformation) != 0) {
        return false;
    }
    return (mode & (kFileSynchronousIoAlert | kFileSynchronousIoNonAlert)) == 0;
}

}  // namespace norvessa::test
