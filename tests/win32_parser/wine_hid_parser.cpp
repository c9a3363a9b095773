#include "wine_hid_parser.h"

#include <algorithm>

#include "controller/win32/hid_api.h"
#include "controller/win32/hid_caps_convert.h"
#include "controller/win32/win32_handles.h"

namespace norvessa::test {
namespace {

// The collection description of the driver interface (hidpddi.h), which the MinGW headers
// leave out.
struct HidpCollectionDesc {
    USAGE UsagePage;
    USAGE Usage;
    UCHAR CollectionNumber;
    UCHAR Reserved[15];
    USHORT InputLength;
    USHORT OutputLength;
    USHORT FeatureLength;
    USHORT PreparsedDataLength;
    PHIDP_PREPARSED_DATA PreparsedData;
};

struct HidpReportIds {
    UCHAR ReportID;
    UCHAR CollectionNumber;
    USHORT InputLength;
    USHORT OutputLength;
    USHORT FeatureLength;
};

struct HidpGetColDescDbg {
    ULONG BreakOffset;
    ULONG ErrorCode;
    ULONG Args[6];
};

struct HidpDeviceDesc {
    HidpCollectionDesc* CollectionDesc;
    ULONG CollectionDescLength;
    HidpReportIds* ReportIDs;
    ULONG ReportIDsLength;
    HidpGetColDescDbg Dbg;
};

constexpr int PAGED_POOL = 1;  // POOL_TYPE PagedPool

using GetCollectionDescription = NTSTATUS(NTAPI*)(PUCHAR, ULONG, int, HidpDeviceDesc*);
using FreeCollectionDescription = void(NTAPI*)(HidpDeviceDesc*);

struct ModuleTraits {
    using Value = HMODULE;
    static Value Empty() { return nullptr; }
    static void Release(Value value) { ::FreeLibrary(value); }
};
using Module = UniqueResource<ModuleTraits>;

template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

bool RunsUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::wstring DriverPath() {
    wchar_t system[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    return std::wstring(system, length) + L"\\drivers\\hidparse.sys";
}

}  // namespace

struct HidParseExports {
    Module module;
    GetCollectionDescription getCollectionDescription = nullptr;
    FreeCollectionDescription freeCollectionDescription = nullptr;
    decltype(&::HidP_GetCaps) getCaps = nullptr;
    decltype(&::HidP_GetButtonCaps) getButtonCaps = nullptr;
    decltype(&::HidP_GetValueCaps) getValueCaps = nullptr;
    decltype(&::HidP_MaxUsageListLength) maxUsageListLength = nullptr;

    bool Complete() const {
        return getCollectionDescription && freeCollectionDescription && getCaps && getButtonCaps &&
               getValueCaps && maxUsageListLength;
    }
};

namespace {

// Frees the description the driver allocated, once.
class DeviceDescription {
  public:
    explicit DeviceDescription(const HidParseExports& exports) : exports_(exports) {}
    ~DeviceDescription() {
        if (parsed_) {
            exports_.freeCollectionDescription(&desc_);
        }
    }
    DeviceDescription(const DeviceDescription&) = delete;
    DeviceDescription& operator=(const DeviceDescription&) = delete;

    bool Parse(std::vector<UCHAR> bytes) {
        parsed_ = exports_.getCollectionDescription(bytes.data(), static_cast<ULONG>(bytes.size()),
                                                    PAGED_POOL, &desc_) == HIDP_STATUS_SUCCESS;
        return parsed_;
    }
    std::span<const HidpCollectionDesc> Collections() const {
        return {desc_.CollectionDesc, desc_.CollectionDescLength};
    }

  private:
    const HidParseExports& exports_;
    HidpDeviceDesc desc_{};
    bool parsed_ = false;
};

struct KindQuery {
    HIDP_REPORT_TYPE type;
    USHORT HIDP_CAPS::*buttonCount;
    USHORT HIDP_CAPS::*valueCount;
};

// In the order of HidReportKind.
constexpr KindQuery KIND_QUERIES[HID_REPORT_KIND_COUNT] = {
    {HidP_Input, &HIDP_CAPS::NumberInputButtonCaps, &HIDP_CAPS::NumberInputValueCaps},
    {HidP_Output, &HIDP_CAPS::NumberOutputButtonCaps, &HIDP_CAPS::NumberOutputValueCaps},
    {HidP_Feature, &HIDP_CAPS::NumberFeatureButtonCaps, &HIDP_CAPS::NumberFeatureValueCaps},
};

// The caps the parser hands back for count slots; fewer than asked for shows in the report.
template <typename ParserCaps, typename Read>
std::vector<HidReportCaps> ReadCaps(USHORT count, Read read) {
    if (count == 0) {
        return {};
    }
    std::vector<ParserCaps> parsed(count);
    USHORT length = count;
    if (read(parsed.data(), &length) != HIDP_STATUS_SUCCESS) {
        return {};
    }
    std::vector<HidReportCaps> caps;
    for (USHORT i = 0; i < length && i < count; ++i) {
        caps.push_back(ToPortableReportCaps(parsed[i]));
    }
    return caps;
}

KindReport DescribeKind(const HidParseExports& exports, PHIDP_PREPARSED_DATA preparsed,
                        const HIDP_CAPS& caps, const KindQuery& query, USHORT HIDP_CAPS::*length) {
    KindReport kind;
    kind.reportByteLength = caps.*length;
    kind.buttonCapsCount = caps.*query.buttonCount;
    kind.valueCapsCount = caps.*query.valueCount;
    kind.buttons =
        ReadCaps<HIDP_BUTTON_CAPS>(kind.buttonCapsCount, [&](HIDP_BUTTON_CAPS* to, USHORT* n) {
            return exports.getButtonCaps(query.type, to, n, preparsed);
        });
    kind.values =
        ReadCaps<HIDP_VALUE_CAPS>(kind.valueCapsCount, [&](HIDP_VALUE_CAPS* to, USHORT* n) {
            return exports.getValueCaps(query.type, to, n, preparsed);
        });
    return kind;
}

bool CopyCaps(const std::vector<HidReportCaps>& from, std::span<HidReportCaps> to) {
    if (from.size() != to.size()) {
        return false;
    }
    std::copy(from.begin(), from.end(), to.begin());
    return true;
}

// A reader for the table build over the output caps already read from this parser, and its
// usage-list lengths.
OutputCapsReader OutputReader(const HidParseExports& exports, PHIDP_PREPARSED_DATA preparsed,
                              const KindReport& output) {
    return OutputCapsReader{
        .readButtonCaps =
            [&output](std::span<HidButtonCaps> to) { return CopyCaps(output.buttons, to); },
        .readValueCaps =
            [&output](std::span<HidValueCaps> to) { return CopyCaps(output.values, to); },
        .maxUsageListLength =
            [&exports, preparsed](std::uint16_t page) {
                return static_cast<std::uint32_t>(
                    exports.maxUsageListLength(HidP_Output, page, preparsed));
            }};
}

ParserReport DescribeCollection(const HidParseExports& exports, PHIDP_PREPARSED_DATA preparsed) {
    ParserReport report;
    HIDP_CAPS caps{};
    if (exports.getCaps(preparsed, &caps) != HIDP_STATUS_SUCCESS) {
        report.usagePage = 0xFFFF;  // shows as a mismatch: the caps could not be read
        return report;
    }
    report.usagePage = caps.UsagePage;
    report.usage = caps.Usage;
    USHORT HIDP_CAPS::*const lengths[HID_REPORT_KIND_COUNT] = {&HIDP_CAPS::InputReportByteLength,
                                                               &HIDP_CAPS::OutputReportByteLength,
                                                               &HIDP_CAPS::FeatureReportByteLength};
    for (std::size_t k = 0; k < HID_REPORT_KIND_COUNT; ++k) {
        report.kinds[k] = DescribeKind(exports, preparsed, caps, KIND_QUERIES[k], lengths[k]);
    }
    OutputGroup group;
    const KindReport& output = report.kinds[static_cast<std::size_t>(HidReportKind::Output)];
    report.tableBuilt =
        BuildOutputDataTable(ToPortableCaps(caps), OutputReader(exports, preparsed, output), group);
    report.outputTable = group.outTable;
    return report;
}

}  // namespace

std::unique_ptr<WineHidParser> WineHidParser::Load(std::string& whyNot) {
    // A real Windows kernel driver must never run in user mode: Wine only.
    if (!RunsUnderWine()) {
        whyNot = "not running under Wine";
        return nullptr;
    }
    auto exports = std::make_unique<HidParseExports>();
    exports->module.reset(::LoadLibraryW(DriverPath().c_str()));
    if (!exports->module) {
        whyNot =
            "LoadLibraryW(drivers\\hidparse.sys) failed, error " + std::to_string(::GetLastError());
        return nullptr;
    }
    const HMODULE module = exports->module.get();
    exports->getCollectionDescription =
        Export<GetCollectionDescription>(module, "HidP_GetCollectionDescription");
    exports->freeCollectionDescription =
        Export<FreeCollectionDescription>(module, "HidP_FreeCollectionDescription");
    exports->getCaps = Export<decltype(&::HidP_GetCaps)>(module, "HidP_GetCaps");
    exports->getButtonCaps = Export<decltype(&::HidP_GetButtonCaps)>(module, "HidP_GetButtonCaps");
    exports->getValueCaps = Export<decltype(&::HidP_GetValueCaps)>(module, "HidP_GetValueCaps");
    exports->maxUsageListLength =
        Export<decltype(&::HidP_MaxUsageListLength)>(module, "HidP_MaxUsageListLength");
    if (!exports->Complete()) {
        whyNot = "this Wine's hidparse.sys lacks an export the comparison needs";
        return nullptr;
    }
    return std::unique_ptr<WineHidParser>(new WineHidParser(std::move(exports)));
}

WineHidParser::WineHidParser(std::unique_ptr<HidParseExports> exports)
    : exports_(std::move(exports)) {}

WineHidParser::~WineHidParser() = default;

std::optional<std::vector<ParserReport>> WineHidParser::Describe(
    std::span<const std::uint8_t> bytes) const {
    DeviceDescription description(*exports_);
    if (!description.Parse(std::vector<UCHAR>(bytes.begin(), bytes.end()))) {
        return std::nullopt;
    }
    std::vector<ParserReport> reports;
    for (const HidpCollectionDesc& collection : description.Collections()) {
        reports.push_back(DescribeCollection(*exports_, collection.PreparsedData));
    }
    return reports;
}

}  // namespace norvessa::test
