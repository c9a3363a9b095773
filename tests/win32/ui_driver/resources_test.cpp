// The executable's resources read from its file: string tables in both languages, the empty
// calibration template, the icon group, the version record and the manifest.

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "driver_options.h"
#include "launched_app.h"
#include "resource.h"
#include "version.h"

namespace norvessa::automation {

namespace {

constexpr WORD ENGLISH_US = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr WORD CHINESE_SIMPLIFIED = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
constexpr int STRINGS_PER_BLOCK = 16;

// Reads little-endian fields one by one from a resource's bytes.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint16_t Word() {
        const std::uint16_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }
    std::uint32_t Dword() {
        const std::uint32_t low = Word();
        return low | (static_cast<std::uint32_t>(Word()) << 16);
    }
    std::uint8_t Byte() {
        if (offset_ >= bytes_.size()) {
            ADD_FAILURE() << "read past the end of the resource";
            return 0;
        }
        return bytes_[offset_++];
    }
    std::wstring Chars(std::size_t count) {
        std::wstring text;
        for (std::size_t i = 0; i < count; ++i) {
            text.push_back(static_cast<wchar_t>(Word()));
        }
        return text;
    }
    // A zero-terminated string, or an ordinal (0xFFFF followed by a number) as "#number".
    std::wstring StringOrOrdinal() {
        std::uint16_t unit = Word();
        if (unit == 0xFFFF) {
            return L"#" + std::to_wstring(Word());
        }
        std::wstring text;
        for (; unit != 0; unit = Word()) {
            text.push_back(static_cast<wchar_t>(unit));
        }
        return text;
    }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
};

class ResourcesTest : public testing::Test {
  protected:
    void SetUp() override {
        module_ = LoadLibraryExW(ToWindowsPath(Options().application).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << "cannot open the executable, error " << GetLastError();
    }
    void TearDown() override {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }

    std::span<const std::uint8_t> Resource(LPCWSTR type, LPCWSTR name, WORD language) const {
        HRSRC found = FindResourceExW(module_, type, name, language);
        if (found == nullptr) {
            return {};
        }
        const auto* data =
            static_cast<const std::uint8_t*>(LockResource(LoadResource(module_, found)));
        return {data, SizeofResource(module_, found)};
    }

    std::vector<std::wstring> StringBlock(UINT firstId, WORD language) const {
        const auto bytes =
            Resource(RT_STRING, MAKEINTRESOURCEW(firstId / STRINGS_PER_BLOCK + 1), language);
        std::vector<std::wstring> strings;
        if (bytes.empty()) {
            return strings;
        }
        ByteReader reader(bytes);
        for (int i = 0; i < STRINGS_PER_BLOCK; ++i) {
            strings.push_back(reader.Chars(reader.Word()));
        }
        return strings;
    }

    HMODULE module_ = nullptr;
};

using StringTableCase = std::pair<WORD, std::array<const wchar_t*, 5>>;

class StringTableTest : public ResourcesTest,
                        public testing::WithParamInterface<StringTableCase> {};

TEST_P(StringTableTest, HoldsStrings101To105) {
    const auto& [language, expected] = GetParam();
    const std::vector<std::wstring> block = StringBlock(IDS_ABOUTBOX, language);
    ASSERT_EQ(block.size(), static_cast<std::size_t>(STRINGS_PER_BLOCK)) << "no string table";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(block[(IDS_ABOUTBOX + i) % STRINGS_PER_BLOCK], expected[i])
            << "string " << IDS_ABOUTBOX + i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Language, StringTableTest,
    testing::Values(StringTableCase{ENGLISH_US,
                                    {L"&About Norvessa...", L"Calibration succeed!",
                                     L"Calibration failed,retry again?", L"Reset succeed",
                                     L"Reset failed"}},
                    StringTableCase{CHINESE_SIMPLIFIED,
                                    {L"&About Norvessa...", L"校准成功!",
                                     L"校准失败,需要重新校准么?", L"重置成功", L"重置失败"}}));

TEST_F(ResourcesTest, CalibrationTemplateIsAnEmptyBorderlessPopup) {
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(IDD_CALIBRATION_DIALOG), RT_DIALOG);
    ASSERT_NE(found, nullptr);
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module_, found)));
    ByteReader reader({data, SizeofResource(module_, found)});

    ASSERT_EQ(reader.Word(), 1) << "not an extended dialog template";
    ASSERT_EQ(reader.Word(), 0xFFFF);
    reader.Dword();  // help ID
    reader.Dword();  // extended style
    const std::uint32_t style = reader.Dword();
    const std::uint16_t controls = reader.Word();
    reader.Word();  // x
    reader.Word();  // y
    const std::uint16_t width = reader.Word();
    const std::uint16_t height = reader.Word();
    const std::wstring menu = reader.StringOrOrdinal();
    const std::wstring windowClass = reader.StringOrOrdinal();
    const std::wstring title = reader.StringOrOrdinal();

    EXPECT_EQ(width, 316);
    EXPECT_EQ(height, 183);
    EXPECT_EQ(controls, 0);
    EXPECT_TRUE(menu.empty() && windowClass.empty() && title.empty());
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | DS_MODALFRAME));
    ASSERT_TRUE(style & DS_SETFONT);
    EXPECT_EQ(reader.Word(), 8) << "point size";
    reader.Word();  // weight
    reader.Byte();  // italic
    reader.Byte();  // character set
    EXPECT_EQ(reader.StringOrOrdinal(), L"MS Shell Dlg");
}

TEST_F(ResourcesTest, IconGroupHoldsThirteenDistinctImages) {
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(IDR_MAINFRAME), RT_GROUP_ICON);
    ASSERT_NE(found, nullptr);
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module_, found)));
    ByteReader reader({data, SizeofResource(module_, found)});
    reader.Word();
    EXPECT_EQ(reader.Word(), 1) << "not an icon group";
    const std::uint16_t count = reader.Word();
    EXPECT_EQ(count, 13);

    std::set<std::tuple<int, int, int>> images;
    for (std::uint16_t i = 0; i < count; ++i) {
        const int width = reader.Byte();
        const int height = reader.Byte();
        reader.Byte();  // colour count
        reader.Byte();
        reader.Word();  // planes
        const int bits = reader.Word();
        reader.Dword();  // size
        const std::uint16_t id = reader.Word();
        images.emplace(width, height, bits);
        EXPECT_NE(FindResourceW(module_, MAKEINTRESOURCEW(id), RT_ICON), nullptr)
            << "icon image " << id << " is missing";
    }
    EXPECT_EQ(images.size(), count) << "two images share size and colour depth";
    EXPECT_TRUE(images.contains({0, 0, 32})) << "no 256-pixel image";
}

TEST_F(ResourcesTest, VersionRecordGivesTheProjectVersionAndDescription) {
    const std::wstring path = ToWindowsPath(Options().application);
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    constexpr DWORD expectedHigh = (NORVESSA_VERSION_MAJOR << 16) | NORVESSA_VERSION_MINOR;
    constexpr DWORD expectedLow = (NORVESSA_VERSION_PATCH << 16) | NORVESSA_VERSION_BUILD;
    EXPECT_EQ(fixed->dwFileVersionMS, expectedHigh);
    EXPECT_EQ(fixed->dwFileVersionLS, expectedLow);
    EXPECT_EQ(fixed->dwProductVersionMS, expectedHigh);
    EXPECT_EQ(fixed->dwProductVersionLS, expectedLow);

    wchar_t* description = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904b0\\FileDescription",
                               reinterpret_cast<void**>(&description), &length));
    EXPECT_STREQ(description, L"Norvessa");
}

TEST_F(ResourcesTest, ManifestAsksForCommonControls6AsInvokerAndDpiAwareness) {
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
    const std::string manifest(data, SizeofResource(module_, found));
    const auto controls = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(controls, std::string::npos);
    EXPECT_EQ(manifest.find("version=\"6.0.0.0\"", controls), manifest.find("version=", controls));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("\">true/pm</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find("\">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
}

}  // namespace

}  // namespace norvessa::automation
