// What the descriptor parser's refusals say, for logs and test output.
#include "hid/hid_descriptor.h"

namespace norvessa {

std::string_view HidParseErrorText(HidParseError error) {
    switch (error) {
        case HidParseError::None:
            return "ok";
        case HidParseError::DescriptorTooLong:
            return "descriptor longer than 4096 bytes";
        case HidParseError::TruncatedItem:
            return "item runs past the end of the descriptor";
        case HidParseError::ReservedItem:
            return "short item of the reserved type";
        case HidParseError::UnknownMainItem:
            return "unknown main item";
        case HidParseError::UnknownGlobalItem:
            return "unknown global item";
        case HidParseError::UsagePageTooLarge:
            return "usage page above 0xFFFF";
        case HidParseError::InvalidReportId:
            return "report ID 0 or above 255";
        case HidParseError::GlobalStackOverflow:
            return "Push nested too deep";
        case HidParseError::PopWithoutPush:
            return "Pop without Push";
        case HidParseError::TooManyUsages:
            return "too many usages for one main item";
        case HidParseError::UnpairedUsageRange:
            return "Usage Minimum or Usage Maximum without its partner";
        case HidParseError::ReversedUsageRange:
            return "Usage Minimum above Usage Maximum";
        case HidParseError::UsageRangeAcrossPages:
            return "usage range across two usage pages";
        case HidParseError::MisplacedDelimiter:
            return "Delimiter nested, unopened or left open";
        case HidParseError::MainItemOutsideCollection:
            return "report item outside any collection";
        case HidParseError::CollectionTooDeep:
            return "collections nested too deep";
        case HidParseError::TooManyCollections:
            return "too many top-level collections";
        case HidParseError::EndWithoutCollection:
            return "End Collection without Collection";
        case HidParseError::UnclosedCollection:
            return "collection left open at the end";
        case HidParseError::ReportTooLong:
            return "report longer than 65534 bytes";
        case HidParseError::TooManyCapabilities:
            return "too many capabilities";
        case HidParseError::NoCollection:
            return "no top-level collection";
        case HidParseError::OutOfMemory:
            return "out of memory";
    }
    return "unknown error";
}

std::string DescribeHidParseResult(const HidParseResult& result) {
    const auto describe = [](HidRefusal refusal) {
        return std::string(HidParseErrorText(refusal.error)) + " at offset " +
               std::to_string(refusal.offset);
    };
    if (!result.ok()) {
        return describe({result.error, result.offset});
    }
    std::string text = "ok";
    for (const HidSkippedCollection& skipped : result.skipped) {
        text += "; a collection skipped: " + describe(skipped.reason);
    }
    return text;
}

}  // namespace norvessa
