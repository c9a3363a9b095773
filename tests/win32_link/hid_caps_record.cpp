#include "hid_caps_record.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwctype>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "controller/win32/controller_device.h"
#include "controller/win32/hid_api.h"
#include "controller/win32/wide_text.h"
#include "controller/win32/win32_handles.h"
#include "controller/win32/win32_hid_platform.h"

namespace norvessa::test {
namespace {

constexpr char kHeader[] =
    "# What the HID parser (hid.dll, HidP_*/HidD_*) reports for each present HID interface,\n"
    "# and the output-data table that the controller link builds from it. Written by\n"
    "# record_hid_caps.exe (tests/win32_link/record_hid_caps.cpp); regenerate with\n"
    "#   cmake/wine-run.sh <prefix> <build>/tests/win32_link/record_hid_caps.exe "
    "> tests/data/wine_hid_caps.txt\n"
    "# Windows gives no way to read the raw report descriptor, so only parser output is here.\n"
    "#\n"
    "# One record per line: a kind, then key=value fields. Numbers: 0x... hexadecimal, else\n"
    "# decimal (logical and physical limits are signed). An interface's lines follow its\n"
    "# 'interface' line, in this order:\n"
    "#   interface path=<device path>\n"
    "#   attributes vendor_id= product_id= version=          (HidD_GetAttributes)\n"
    "#   product_string <rest of the line>                  (HidD_GetProductString)\n"
    "#   caps ...                                           (HidP_GetCaps; every count and\n"
    "#                                                      length of HIDP_CAPS)\n"
    "#   collection index= ...                              (HidP_GetLinkCollectionNodes)\n"
    "#   button report=input|output|feature ...             (HidP_GetButtonCaps, in order)\n"
    "#   value report=input|output|feature ...              (HidP_GetValueCaps, in order)\n"
    "#   max_usage_list report= usage_page= length=         (HidP_MaxUsageListLength, for each\n"
    "#                                                      usage page of that kind's buttons)\n"
    "#   output_table entries=N, then N lines 'entry index= is_button= ...': the table that\n"
    "#                                                      opening the interface built\n"
    "# For caps with is_range=0, usage_min holds NotRange.Usage and usage_max\n"
    "# NotRange.Reserved1 (the same storage as Range.UsageMin/UsageMax); likewise\n"
    "# string_*, designator_* and data_index_* hold the NotRange index and its reserved word.\n"
    "# A line 'unopenable' follows an interface that could not be opened for read and write.\n";

struct ReportKind {
    HIDP_REPORT_TYPE type;
    const char* name;
    USHORT HIDP_CAPS::*buttonCount;
    USHORT HIDP_CAPS::*valueCount;
};

constexpr ReportKind kReportKinds[] = {
    {HidP_Input, "input", &HIDP_CAPS::NumberInputButtonCaps, &HIDP_CAPS::NumberInputValueCaps},
    {HidP_Output, "output", &HIDP_CAPS::NumberOutputButtonCaps, &HIDP_CAPS::NumberOutputValueCaps},
    {HidP_Feature, "feature", &HIDP_CAPS::NumberFeatureButtonCaps,
     &HIDP_CAPS::NumberFeatureValueCaps},
};

std::string Hex(unsigned long value, int digits) {
    char text[24];
    std::snprintf(text, sizeof(text), "0x%0*lx", digits, value);
    return text;
}

void WriteCaps(std::ostream& out, const HIDP_CAPS& c) {
    out << "caps usage_page=" << Hex(c.UsagePage, 4) << " usage=" << Hex(c.Usage, 4)
        << " input_report_length=" << c.InputReportByteLength
        << " output_report_length=" << c.OutputReportByteLength
        << " feature_report_length=" << c.FeatureReportByteLength
        << " link_collection_nodes=" << c.NumberLinkCollectionNodes
        << " input_button_caps=" << c.NumberInputButtonCaps
        << " input_value_caps=" << c.NumberInputValueCaps
        << " input_data_indices=" << c.NumberInputDataIndices
        << " output_button_caps=" << c.NumberOutputButtonCaps
        << " output_value_caps=" << c.NumberOutputValueCaps
        << " output_data_indices=" << c.NumberOutputDataIndices
        << " feature_button_caps=" << c.NumberFeatureButtonCaps
        << " feature_value_caps=" << c.NumberFeatureValueCaps
        << " feature_data_indices=" << c.NumberFeatureDataIndices << "\n";
}

void WriteCollections(std::ostream& out, PHIDP_PREPARSED_DATA preparsed, USHORT count) {
    std::vector<HIDP_LINK_COLLECTION_NODE> nodes(count);
    ULONG length = count;
    if (count == 0 ||
        ::HidP_GetLinkCollectionNodes(nodes.data(), &length, preparsed) != HIDP_STATUS_SUCCESS) {
        return;
    }
    for (ULONG i = 0; i < length && i < nodes.size(); ++i) {
        const HIDP_LINK_COLLECTION_NODE& n = nodes[i];
        out << "collection index=" << i << " usage_page=" << Hex(n.LinkUsagePage, 4)
            << " usage=" << Hex(n.LinkUsage, 4) << " type=" << n.CollectionType
            << " parent=" << n.Parent << " children=" << n.NumberOfChildren
            << " next_sibling=" << n.NextSibling << " first_child=" << n.FirstChild
            << " is_alias=" << n.IsAlias << "\n";
    }
}

// The fields that button and value records share.
template <typename ParserCaps>
void WriteCommonFields(std::ostream& out, const char* report, const ParserCaps& c) {
    out << " report=" << report << " report_id=" << static_cast<unsigned>(c.ReportID)
        << " usage_page=" << Hex(c.UsagePage, 4) << " is_range=" << (c.IsRange ? 1 : 0)
        << " usage_min=" << Hex(c.Range.UsageMin, 4) << " usage_max=" << Hex(c.Range.UsageMax, 4)
        << " data_index_min=" << c.Range.DataIndexMin << " data_index_max=" << c.Range.DataIndexMax
        << " is_string_range=" << (c.IsStringRange ? 1 : 0) << " string_min=" << c.Range.StringMin
        << " string_max=" << c.Range.StringMax
        << " is_designator_range=" << (c.IsDesignatorRange ? 1 : 0)
        << " designator_min=" << c.Range.DesignatorMin
        << " designator_max=" << c.Range.DesignatorMax << " link_collection=" << c.LinkCollection
        << " link_usage_page=" << Hex(c.LinkUsagePage, 4) << " link_usage=" << Hex(c.LinkUsage, 4)
        << " bit_field=" << Hex(c.BitField, 4) << " is_absolute=" << (c.IsAbsolute ? 1 : 0)
        << " is_alias=" << (c.IsAlias ? 1 : 0);
}

void WriteButtonCaps(std::ostream& out, const ReportKind& kind, PHIDP_PREPARSED_DATA preparsed,
                     USHORT count) {
    std::vector<HIDP_BUTTON_CAPS> caps(count);
    USHORT length = count;
    if (count == 0 ||
        ::HidP_GetButtonCaps(kind.type, caps.data(), &length, preparsed) != HIDP_STATUS_SUCCESS) {
        return;
    }
    std::set<USAGE> pages;
    for (USHORT i = 0; i < length && i < caps.size(); ++i) {
        out << "button";
        WriteCommonFields(out, kind.name, caps[i]);
        out << "\n";
        pages.insert(caps[i].UsagePage);
    }
    for (USAGE page : pages) {
        out << "max_usage_list report=" << kind.name << " usage_page=" << Hex(page, 4)
            << " length=" << ::HidP_MaxUsageListLength(kind.type, page, preparsed) << "\n";
    }
}

void WriteValueCaps(std::ostream& out, const ReportKind& kind, PHIDP_PREPARSED_DATA preparsed,
                    USHORT count) {
    std::vector<HIDP_VALUE_CAPS> caps(count);
    USHORT length = count;
    if (count == 0 ||
        ::HidP_GetValueCaps(kind.type, caps.data(), &length, preparsed) != HIDP_STATUS_SUCCESS) {
        return;
    }
    for (USHORT i = 0; i < length && i < caps.size(); ++i) {
        const HIDP_VALUE_CAPS& c = caps[i];
        out << "value";
        WriteCommonFields(out, kind.name, c);
        out << " bit_size=" << c.BitSize << " report_count=" << c.ReportCount
            << " logical_min=" << c.LogicalMin << " logical_max=" << c.LogicalMax
            << " physical_min=" << c.PhysicalMin << " physical_max=" << c.PhysicalMax
            << " units=" << Hex(c.Units, 8) << " units_exp=" << Hex(c.UnitsExp, 8)
            << " has_null=" << (c.HasNull ? 1 : 0) << "\n";
    }
}

void WriteOutputTable(std::ostream& out, const std::wstring& path) {
    const std::unique_ptr<DeviceListEntry> entry = DeviceListEntry::Open(path);
    if (!entry) {
        out << "output_table unopenable\n";
        return;
    }
    const std::span<const OutputDataEntry> table = entry->outputTable();
    out << "output_table entries=" << table.size() << "\n";
    for (std::size_t i = 0; i < table.size(); ++i) {
        const OutputDataEntry& e = table[i];
        out << "entry index=" << i << " is_button=" << (e.isButton ? 1 : 0)
            << " usage_page=" << Hex(e.usagePage, 4) << " report_id=" << e.reportId
            << " status=" << Hex(e.status, 8);
        if (e.isButton) {
            out << " usage_min=" << Hex(e.usageMin, 4) << " usage_max=" << Hex(e.usageMax, 4)
                << " max_usage_count=" << e.maxUsageCount << "\n";
        } else {
            out << " usage=" << Hex(e.usage, 4) << "\n";
        }
    }
}

void WriteParserRecords(std::ostream& out, HANDLE handle) {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    if (::HidD_GetAttributes(handle, &attributes)) {
        out << "attributes vendor_id=" << Hex(attributes.VendorID, 4)
            << " product_id=" << Hex(attributes.ProductID, 4)
            << " version=" << Hex(attributes.VersionNumber, 4) << "\n";
    }
    wchar_t product[127]{};
    if (::HidD_GetProductString(handle, product, sizeof(product) - sizeof(wchar_t))) {
        out << "product_string " << Utf8FromWide(product) << "\n";
    }
    PHIDP_PREPARSED_DATA raw = nullptr;
    if (!::HidD_GetPreparsedData(handle, &raw)) {
        return;
    }
    const PreparsedData preparsed(raw);
    HIDP_CAPS caps{};
    if (::HidP_GetCaps(preparsed.get(), &caps) != HIDP_STATUS_SUCCESS) {
        return;
    }
    WriteCaps(out, caps);
    WriteCollections(out, preparsed.get(), caps.NumberLinkCollectionNodes);
    for (const ReportKind& kind : kReportKinds) {
        WriteButtonCaps(out, kind, preparsed.get(), caps.*kind.buttonCount);
        WriteValueCaps(out, kind, preparsed.get(), caps.*kind.valueCount);
    }
}

bool ListsWineInterface(const std::vector<std::wstring>& paths, const std::wstring& product) {
    return std::any_of(paths.begin(), paths.end(), [&](std::wstring path) {
        std::transform(path.begin(), path.end(), path.begin(),
                       [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
        return path.find(L"vid_845e&pid_" + product) != std::wstring::npos;
    });
}

}  // namespace

bool WaitForWineInterfaces() {
    using std::chrono::steady_clock;
    const steady_clock::time_point deadline = steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        const std::vector<std::wstring> paths =
            EnumerateHidInterfacePaths().value_or(std::vector<std::wstring>{});
        if (ListsWineInterface(paths, L"0001") && ListsWineInterface(paths, L"0002"))
            return true;
        if (steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

std::string RecordHidCaps() {
    std::ostringstream out;
    out << kHeader;
    const std::optional<std::vector<std::wstring>> paths = EnumerateHidInterfacePaths();
    for (const std::wstring& path : paths.value_or(std::vector<std::wstring>{})) {
        out << "interface path=" << Utf8FromWide(path) << "\n";
        const UniqueFileHandle handle(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                    OPEN_EXISTING, 0, nullptr));
        if (!handle) {
            out << "unopenable\n";
            continue;
        }
        WriteParserRecords(out, handle.get());
        WriteOutputTable(out, path);
    }
    return out.str();
}

}  // namespace norvessa::test
