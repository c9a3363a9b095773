// The recording of Wine's HID interfaces in tests/data: it matches what the parser reports
// now, and the table build fed with its output caps gives the tables the real open built.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "controller/win32/controller_device.h"
#include "controller/win32/wide_text.h"
#include "hid_caps_record.h"

namespace norvessa {
namespace {

struct RecordLine {
    std::string kind;
    std::map<std::string, std::string> fields;

    long long Number(const std::string& key) const {
        const auto found = fields.find(key);
        if (found == fields.end())
            throw std::runtime_error("no field " + key + " in a '" + kind + "' line");
        return std::stoll(found->second, nullptr, 0);
    }
    std::uint16_t U16(const std::string& key) const {
        return static_cast<std::uint16_t>(Number(key));
    }
};

// One interface of the recording, as far as the output-data table is concerned.
struct RecordedInterface {
    std::string path;
    HidCaps caps;
    std::vector<HidButtonCaps> buttons;
    std::vector<HidValueCaps> values;
    std::map<std::uint16_t, std::uint32_t> maxUsageList;
    std::vector<OutputDataEntry> table;
};

std::string ReadRecordingFile() {
    std::ifstream file(NORVESSA_WINE_HID_CAPS, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

RecordLine ParseLine(const std::string& line) {
    std::istringstream words(line);
    RecordLine record;
    words >> record.kind;
    std::string word;
    while (words >> word) {
        const std::size_t equals = word.find('=');
        if (equals != std::string::npos)
            record.fields[word.substr(0, equals)] = word.substr(equals + 1);
    }
    return record;
}

HidReportCaps ReportCaps(const RecordLine& line) {
    return HidReportCaps{.usagePage = line.U16("usage_page"),
                         .reportId = static_cast<std::uint8_t>(line.Number("report_id")),
                         .isRange = line.Number("is_range") != 0,
                         .usageMin = line.U16("usage_min"),
                         .usageMax = line.U16("usage_max")};
}

OutputDataEntry TableEntry(const RecordLine& line) {
    OutputDataEntry entry{.isButton = line.Number("is_button") != 0,
                          .usagePage = line.U16("usage_page"),
                          .status = static_cast<std::uint32_t>(line.Number("status")),
                          .reportId = static_cast<std::uint32_t>(line.Number("report_id"))};
    if (entry.isButton) {
        entry.usageMin = static_cast<std::uint32_t>(line.Number("usage_min"));
        entry.usageMax = static_cast<std::uint32_t>(line.Number("usage_max"));
        entry.maxUsageCount = static_cast<std::uint32_t>(line.Number("max_usage_count"));
    } else {
        entry.usage = line.U16("usage");
    }
    return entry;
}

void AddLine(RecordedInterface& device, const RecordLine& line) {
    const bool output = line.fields.count("report") && line.fields.at("report") == "output";
    if (line.kind == "caps") {
        device.caps = HidCaps{.usage = line.U16("usage"),
                              .usagePage = line.U16("usage_page"),
                              .inputReportByteLength = line.U16("input_report_length"),
                              .outputReportByteLength = line.U16("output_report_length"),
                              .featureReportByteLength = line.U16("feature_report_length"),
                              .numberOutputButtonCaps = line.U16("output_button_caps"),
                              .numberOutputValueCaps = line.U16("output_value_caps")};
    } else if (line.kind == "button" && output) {
        device.buttons.push_back(ReportCaps(line));
    } else if (line.kind == "value" && output) {
        device.values.push_back(ReportCaps(line));
    } else if (line.kind == "max_usage_list" && output) {
        device.maxUsageList[line.U16("usage_page")] =
            static_cast<std::uint32_t>(line.Number("length"));
    } else if (line.kind == "entry") {
        device.table.push_back(TableEntry(line));
    }
}

std::vector<RecordedInterface> ParseRecording(const std::string& text) {
    std::vector<RecordedInterface> interfaces;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const RecordLine record = ParseLine(line);
        if (record.kind == "interface") {
            interfaces.push_back(RecordedInterface{.path = record.fields.at("path")});
        } else if (!interfaces.empty()) {
            AddLine(interfaces.back(), record);
        }
    }
    return interfaces;
}

std::vector<OutputDataEntry> BuildFromRecording(const RecordedInterface& device) {
    const OutputCapsReader reader{
        .readButtonCaps =
            [&](std::span<HidButtonCaps> out) {
                if (out.size() != device.buttons.size())
                    return false;
                std::copy(device.buttons.begin(), device.buttons.end(), out.begin());
                return true;
            },
        .readValueCaps =
            [&](std::span<HidValueCaps> out) {
                if (out.size() != device.values.size())
                    return false;
                std::copy(device.values.begin(), device.values.end(), out.begin());
                return true;
            },
        .maxUsageListLength =
            [&](std::uint16_t page) {
                const auto found = device.maxUsageList.find(page);
                return found == device.maxUsageList.end() ? 0u : found->second;
            }};
    OutputGroup group;
    EXPECT_TRUE(BuildOutputDataTable(device.caps, reader, group)) << device.path;
    return group.outTable;
}

TEST(WineHidRecording, MatchesWhatTheParserReportsNow) {
    ASSERT_TRUE(test::WaitForWineInterfaces()) << "Wine's virtual HID interfaces never appeared";
    const std::string recorded = ReadRecordingFile();
    ASSERT_FALSE(recorded.empty()) << "cannot read " << NORVESSA_WINE_HID_CAPS;
    EXPECT_EQ(test::RecordHidCaps(), recorded)
        << "regenerate tests/data/wine_hid_caps.txt with record_hid_caps.exe";
}

TEST(WineHidRecording, RecordedOutputCapsBuildTheTablesOfTheRealOpen) {
    ASSERT_TRUE(test::WaitForWineInterfaces()) << "Wine's virtual HID interfaces never appeared";
    const std::vector<RecordedInterface> interfaces = ParseRecording(ReadRecordingFile());
    ASSERT_GE(interfaces.size(), 2u);
    for (const RecordedInterface& device : interfaces) {
        const std::vector<OutputDataEntry> built = BuildFromRecording(device);
        EXPECT_EQ(built, device.table) << device.path;
        const std::unique_ptr<DeviceListEntry> opened =
            DeviceListEntry::Open(WideFromUtf8(device.path));
        ASSERT_NE(opened, nullptr) << device.path;
        EXPECT_EQ(std::vector<OutputDataEntry>(opened->outputTable().begin(),
                                               opened->outputTable().end()),
                  built)
            << device.path;
    }
}

}  // namespace
}  // namespace norvessa
