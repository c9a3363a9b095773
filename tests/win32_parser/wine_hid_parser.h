#pragma once
// Wine's HID parser, hidparse.sys, loaded into this process as a library. Under Wine 8 the
// driver's exports run in user mode: HidP_GetCollectionDescription parses raw descriptor bytes
// into preparsed data, which HidP_GetCaps, HidP_GetButtonCaps, HidP_GetValueCaps and
// HidP_MaxUsageListLength then read as hid.dll would. On Windows the driver cannot be loaded
// this way, and is not tried.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "parser_report.h"

namespace norvessa::test {

struct HidParseExports;  // the driver and the entry points taken from it

class WineHidParser {
  public:
    // Null, with the reason in whyNot, outside Wine or when this Wine's driver lacks an export.
    static std::unique_ptr<WineHidParser> Load(std::string& whyNot);

    ~WineHidParser();
    WineHidParser(const WineHidParser&) = delete;
    WineHidParser& operator=(const WineHidParser&) = delete;

    // One report per collection description, or nothing when the parser refuses the bytes.
    std::optional<std::vector<ParserReport>> Describe(std::span<const std::uint8_t> bytes) const;

  private:
    explicit WineHidParser(std::unique_ptr<HidParseExports> exports);

    std::unique_ptr<HidParseExports> exports_;
};

}  // namespace norvessa::test
