#include "controller/win32/device_broadcast.h"

#include <gtest/gtest.h>

#include <cstddef>

#include "test_window.h"

namespace norvessa {
namespace {

constexpr wchar_t kPath[] = L"\\\\?\\HID#VID_1234&PID_5678#7&1&0&0000#{4d1e55b2}";
constexpr DWORD kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);

struct BroadcastCase {
    const char* name;
    DWORD declaredSize;  // 0: the true size
    DWORD deviceType;
    std::optional<std::wstring> expected;
};

class InterfaceName : public ::testing::TestWithParam<BroadcastCase> {};

TEST_P(InterfaceName, IsReadOnlyFromWhatTheHeaderAllows) {
    const test::Broadcast broadcast =
        test::InterfaceBroadcast(kPath, GetParam().declaredSize, GetParam().deviceType);
    EXPECT_EQ(DeviceInterfaceName(broadcast.data()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Broadcasts, InterfaceName,
    ::testing::Values(BroadcastCase{"WholeInterface", 0, DBT_DEVTYP_DEVICEINTERFACE, kPath},
                      BroadcastCase{"Volume", 0, DBT_DEVTYP_VOLUME, std::nullopt},
                      BroadcastCase{"Handle", 0, DBT_DEVTYP_HANDLE, std::nullopt},
                      BroadcastCase{"SizeBelowHeader", 8, DBT_DEVTYP_DEVICEINTERFACE, std::nullopt},
                      BroadcastCase{"SizeWithoutName", kNameOffset, DBT_DEVTYP_DEVICEINTERFACE,
                                    std::nullopt},
                      BroadcastCase{"SizeWithHalfACharacter", kNameOffset + 1,
                                    DBT_DEVTYP_DEVICEINTERFACE, std::nullopt},
                      // The size ends inside the name: what lies beyond it is not read.
                      BroadcastCase{"SizeCutsTheName", kNameOffset + 4 * sizeof(wchar_t) + 1,
                                    DBT_DEVTYP_DEVICEINTERFACE, L"\\\\?\\"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(InterfaceName, NullOrEmptyNameGivesNothing) {
    EXPECT_EQ(DeviceInterfaceName(nullptr), std::nullopt);
    const test::Broadcast empty = test::InterfaceBroadcast(L"");
    EXPECT_EQ(DeviceInterfaceName(empty.data()), std::nullopt);
}

}  // namespace
}  // namespace norvessa
