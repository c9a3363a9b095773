#include "hid/hid_descriptor.h"

#include <algorithm>
#include <bitset>
#include <limits>
#include <new>
#include <optional>

#include "hid/hid_items.h"

namespace norvessa {
namespace {

// The Variable bit of the Input, Output and Feature main items (clear: an array).
constexpr std::uint32_t MAIN_VARIABLE = 0x02;
// Data of the Delimiter local item.
constexpr std::uint32_t DELIMITER_CLOSE = 0;
constexpr std::uint32_t DELIMITER_OPEN = 1;
constexpr std::size_t REPORT_ID_COUNT = 256;

// The global items that shape reports; Push and Pop save and restore all of them.
struct GlobalState {
    std::uint16_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

struct Usage {
    std::uint16_t page = 0;
    std::uint16_t id = 0;
};

// A usage or usage range waiting for the next main item. Usages that share a slot are the
// aliases of one Delimiter set and stand for the same fields.
struct PendingUsage {
    std::uint16_t page = 0;
    std::uint16_t min = 0;
    std::uint16_t max = 0;
    bool isRange = false;
    std::uint32_t slot = 0;

    std::uint64_t Width() const { return isRange ? std::uint64_t{max} - min + 1 : 1; }
    bool IsUndefined() const { return !isRange && min == 0; }
};

struct LocalState {
    std::vector<PendingUsage> usages;
    std::optional<Usage> rangeMin;
    std::optional<Usage> rangeMax;
    bool inDelimiter = false;
    std::uint32_t nextSlot = 0;
};

// Main item tags that shape the nesting.
constexpr std::uint8_t TAG_COLLECTION = 0xA;
constexpr std::uint8_t TAG_END_COLLECTION = 0xC;

// One top-level collection as read so far; a refused one keeps its first reason.
struct TopLevel {
    HidCollectionCaps caps;
    std::optional<HidRefusal> refusal;
    bool usageKnown = true;
};

// The bits of every report of every kind in the open top-level collection.
struct ReportSizes {
    std::array<std::array<std::uint32_t, REPORT_ID_COUNT>, HID_REPORT_KIND_COUNT> bits{};
    std::array<std::bitset<REPORT_ID_COUNT>, HID_REPORT_KIND_COUNT> present{};
};

class Parser {
  public:
    HidParseResult Run(std::span<const std::uint8_t> bytes);

    // Main items.
    HidParseError OnInput(const HidItem& item) { return OnReport(HidReportKind::Input, item); }
    HidParseError OnOutput(const HidItem& item) { return OnReport(HidReportKind::Output, item); }
    HidParseError OnFeature(const HidItem& item) { return OnReport(HidReportKind::Feature, item); }
    HidParseError OnCollection(const HidItem& item);
    HidParseError OnEndCollection(const HidItem& item);
    // Global items.
    HidParseError OnUsagePage(const HidItem& item);
    HidParseError OnReportSize(const HidItem& item);
    HidParseError OnReportId(const HidItem& item);
    HidParseError OnReportCount(const HidItem& item);
    HidParseError OnPush(const HidItem& item);
    HidParseError OnPop(const HidItem& item);
    // Local items.
    HidParseError OnUsage(const HidItem& item);
    HidParseError OnUsageMinimum(const HidItem& item);
    HidParseError OnUsageMaximum(const HidItem& item);
    HidParseError OnDelimiter(const HidItem& item);
    // Items that shape no capability and no report: logical and physical ranges, units,
    // designators, strings.
    HidParseError Ignore(const HidItem&) { return HidParseError::None; }

  private:
    HidParseError Step(const HidItem& item);
    HidParseError Skip(const HidItem& item);
    HidParseError SkipMain(const HidItem& item);
    HidParseError OnRefused(const HidItem& item, HidParseError error);
    void Note(HidRefusal refusal);
    void LoseGlobals(HidRefusal refusal);
    void RefuseOpenCollection(HidRefusal refusal);
    void OpenTopLevel(TopLevel collection);
    HidParseResult Finish(std::size_t length);
    HidParseError Dispatch(const HidItem& item);
    HidParseError OnReport(HidReportKind kind, const HidItem& item);
    HidParseError AddCapabilities(HidKindCaps& kindCaps, bool variable);
    HidParseError AddUsage(PendingUsage usage);
    HidParseError CompleteRange();
    HidParseError CheckLocalsComplete() const;
    Usage Resolve(const HidItem& item) const;
    HidReportCaps ToCaps(const PendingUsage& usage) const;
    void FinishTopLevelCollection();

    GlobalState global_;
    std::vector<GlobalState> globalStack_;
    LocalState local_;
    std::uint32_t depth_ = 0;
    std::size_t capabilityCount_ = 0;
    ReportSizes sizes_;
    std::vector<TopLevel> topLevel_;
    std::size_t offset_ = 0;  // of the item being read
    // Reading only the nesting and the global items, up to the end of the open top-level
    // collection (or, once the global state is lost, to the end of the descriptor).
    bool skipping_ = false;
    std::optional<HidRefusal> globalsLost_;
    std::optional<HidRefusal> nextCollectionRefused_;  // refused local items between collections
    std::optional<HidRefusal> firstRefusal_;
};

using ItemHandler = HidParseError (Parser::*)(const HidItem&);

struct TagRule {
    HidItemType type;
    std::uint8_t tag;
    ItemHandler handler;
};

// Every short item the parser knows. Unknown main and global items are refused, since they
// could change the report layout in ways we cannot see; unknown local items only describe.
constexpr TagRule TAG_RULES[] = {
    {HidItemType::Main, 0x8, &Parser::OnInput},
    {HidItemType::Main, 0x9, &Parser::OnOutput},
    {HidItemType::Main, 0xA, &Parser::OnCollection},
    {HidItemType::Main, 0xB, &Parser::OnFeature},
    {HidItemType::Main, 0xC, &Parser::OnEndCollection},
    {HidItemType::Global, 0x0, &Parser::OnUsagePage},
    {HidItemType::Global, 0x1, &Parser::Ignore},  // Logical Minimum
    {HidItemType::Global, 0x2, &Parser::Ignore},  // Logical Maximum
    {HidItemType::Global, 0x3, &Parser::Ignore},  // Physical Minimum
    {HidItemType::Global, 0x4, &Parser::Ignore},  // Physical Maximum
    {HidItemType::Global, 0x5, &Parser::Ignore},  // Unit Exponent
    {HidItemType::Global, 0x6, &Parser::Ignore},  // Unit
    {HidItemType::Global, 0x7, &Parser::OnReportSize},
    {HidItemType::Global, 0x8, &Parser::OnReportId},
    {HidItemType::Global, 0x9, &Parser::OnReportCount},
    {HidItemType::Global, 0xA, &Parser::OnPush},
    {HidItemType::Global, 0xB, &Parser::OnPop},
    {HidItemType::Local, 0x0, &Parser::OnUsage},
    {HidItemType::Local, 0x1, &Parser::OnUsageMinimum},
    {HidItemType::Local, 0x2, &Parser::OnUsageMaximum},
    {HidItemType::Local, 0xA, &Parser::OnDelimiter},
};

HidParseResult Refusal(HidParseError error, std::size_t offset) {
    HidParseResult result;
    result.error = error;
    result.offset = offset;
    return result;
}

HidParseResult Parser::Run(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > MAX_HID_DESCRIPTOR_LENGTH) {
        return Refusal(HidParseError::DescriptorTooLong, MAX_HID_DESCRIPTOR_LENGTH);
    }
    HidItem item;
    for (offset_ = 0;; offset_ += item.length) {
        const HidItemRead read = ReadHidItem(bytes, offset_, item);
        if (read == HidItemRead::End) {
            break;
        }
        if (read == HidItemRead::Truncated) {
            // Nothing follows a cut item: only the collection it cuts is lost.
            Note({HidParseError::TruncatedItem, offset_});
            RefuseOpenCollection({HidParseError::TruncatedItem, offset_});
            break;
        }
        if (const HidParseError error = Step(item); error != HidParseError::None) {
            return Refusal(error, offset_);
        }
    }
    if (depth_ != 0) {
        Note({HidParseError::UnclosedCollection, bytes.size()});
        RefuseOpenCollection({HidParseError::UnclosedCollection, bytes.size()});
    }
    return Finish(bytes.size());
}

HidParseResult Parser::Finish(std::size_t length) {
    HidParseResult result;
    for (TopLevel& collection : topLevel_) {
        if (collection.refusal) {
            result.skipped.push_back(
                HidSkippedCollection{*collection.refusal, collection.usageKnown,
                                     collection.caps.usagePage, collection.caps.usage});
        } else {
            result.collections.push_back(std::move(collection.caps));
        }
    }
    if (result.collections.empty()) {
        const HidRefusal why =
            firstRefusal_.value_or(HidRefusal{HidParseError::NoCollection, length});
        result.error = why.error;
        result.offset = why.offset;
    }
    return result;
}

// Returns an error only for a refusal of the whole descriptor.
HidParseError Parser::Step(const HidItem& item) {
    if (skipping_) {
        return Skip(item);
    }
    const HidParseError error = Dispatch(item);
    return error == HidParseError::None ? error : OnRefused(item, error);
}

HidParseError Parser::OnRefused(const HidItem& item, HidParseError error) {
    const bool outsideCollections = depth_ == 0 && item.type != HidItemType::Local &&
                                    item.type != HidItemType::Global &&
                                    !(item.type == HidItemType::Main && item.tag == TAG_COLLECTION);
    if (error == HidParseError::TooManyCollections || outsideCollections) {
        return error;
    }
    const HidRefusal refusal{error, offset_};
    Note(refusal);
    if (item.type == HidItemType::Global) {
        LoseGlobals(refusal);
        return HidParseError::None;
    }
    if (depth_ > 0) {
        RefuseOpenCollection(refusal);
    } else {
        nextCollectionRefused_ = refusal;
    }
    skipping_ = true;
    // The refused item still opens or closes its collection.
    return item.type == HidItemType::Main ? SkipMain(item) : HidParseError::None;
}

void Parser::Note(HidRefusal refusal) {
    if (!firstRefusal_) {
        firstRefusal_ = refusal;
    }
}

// After a refused global item nothing inherits a known state any more.
void Parser::LoseGlobals(HidRefusal refusal) {
    globalsLost_ = refusal;
    RefuseOpenCollection(refusal);
    skipping_ = true;
}

HidParseError Parser::Skip(const HidItem& item) {
    if (item.isLong) {
        return HidParseError::None;
    }
    switch (item.type) {
        case HidItemType::Main:
            return SkipMain(item);
        case HidItemType::Global:
            if (!globalsLost_) {
                if (const HidParseError error = Dispatch(item); error != HidParseError::None) {
                    Note({error, offset_});
                    LoseGlobals({error, offset_});
                }
            }
            return HidParseError::None;
        case HidItemType::Local:
            return HidParseError::None;
        case HidItemType::Reserved:
            break;
    }
    return depth_ == 0 ? HidParseError::ReservedItem : HidParseError::None;
}

// While skipping, only the nesting counts; it needs no memory, so the depth bound does not apply.
HidParseError Parser::SkipMain(const HidItem& item) {
    local_ = LocalState{};
    if (item.tag == TAG_COLLECTION) {
        if (depth_ == 0) {
            if (topLevel_.size() >= MAX_HID_TOP_LEVEL_COLLECTIONS) {
                return HidParseError::TooManyCollections;
            }
            // Its usage items were refused, or the state they resolve against is lost.
            TopLevel collection;
            collection.refusal = globalsLost_ ? globalsLost_ : nextCollectionRefused_;
            collection.usageKnown = false;
            OpenTopLevel(std::move(collection));
        }
        ++depth_;
        return HidParseError::None;
    }
    if (item.tag == TAG_END_COLLECTION) {
        if (depth_ == 0) {
            return HidParseError::EndWithoutCollection;
        }
        if (--depth_ == 0) {
            skipping_ = globalsLost_.has_value();
            nextCollectionRefused_.reset();
        }
        return HidParseError::None;
    }
    return depth_ == 0 ? HidParseError::MainItemOutsideCollection : HidParseError::None;
}

// The open top-level collection keeps its first reason and gives back its capabilities.
void Parser::RefuseOpenCollection(HidRefusal refusal) {
    if (depth_ == 0 || topLevel_.empty()) {
        return;
    }
    TopLevel& open = topLevel_.back();
    if (open.refusal) {
        return;
    }
    open.refusal = refusal;
    for (HidKindCaps& kind : open.caps.kinds) {
        capabilityCount_ -= kind.buttons.size() + kind.values.size();
        kind = HidKindCaps{};
    }
}

void Parser::OpenTopLevel(TopLevel collection) {
    topLevel_.push_back(std::move(collection));
    sizes_ = ReportSizes{};
}

HidParseError Parser::Dispatch(const HidItem& item) {
    if (item.isLong) {
        return HidParseError::None;  // no long item is defined; its length is known, skip it
    }
    for (const TagRule& rule : TAG_RULES) {
        if (rule.type == item.type && rule.tag == item.tag) {
            return (this->*rule.handler)(item);
        }
    }
    switch (item.type) {
        case HidItemType::Main:
            return HidParseError::UnknownMainItem;
        case HidItemType::Global:
            return HidParseError::UnknownGlobalItem;
        case HidItemType::Local:
            return HidParseError::None;
        case HidItemType::Reserved:
            break;
    }
    return HidParseError::ReservedItem;
}

HidParseError Parser::OnReport(HidReportKind kind, const HidItem& item) {
    if (const HidParseError error = CheckLocalsComplete(); error != HidParseError::None) {
        return error;
    }
    if (depth_ == 0) {
        return HidParseError::MainItemOutsideCollection;
    }
    // 32 x 32 bits cannot overflow 64, and the sum stays far below it.
    const std::uint64_t bits = std::uint64_t{global_.reportSize} * global_.reportCount;
    const auto k = static_cast<std::size_t>(kind);
    std::uint32_t& reportBits = sizes_.bits[k][global_.reportId];
    if (reportBits + bits > MAX_HID_REPORT_BITS) {
        return HidParseError::ReportTooLong;
    }
    reportBits = static_cast<std::uint32_t>(reportBits + bits);
    // A report exists once an item names it, even an empty one: it still has its ID byte.
    sizes_.present[k].set(global_.reportId);

    HidParseError error = HidParseError::None;
    // Fields without a usage are padding, whatever their Constant bit says; a Constant item
    // that names usages is listed like any other. An item of no fields lists nothing.
    if (!local_.usages.empty() && global_.reportCount != 0) {
        error = AddCapabilities(topLevel_.back().caps.Of(kind), (item.data & MAIN_VARIABLE) != 0);
    }
    local_ = LocalState{};
    return error;
}

// One capability per usage or usage range. In a variable item each usage takes as many fields
// as it names, the last one kept takes the rest, and usages beyond the fields are dropped; in an
// array item every usage is a possible value of every field, and each counts all the fields.
// Within one item the platform lists the capabilities from the last usage back to the first;
// items follow in descriptor order.
HidParseError Parser::AddCapabilities(HidKindCaps& kindCaps, bool variable) {
    // Arrays and one-bit variable fields are buttons; wider variable fields are values. The
    // logical range plays no part: the field width decides.
    const bool isButton = !variable || global_.reportSize == 1;
    std::vector<HidCapability>& list = isButton ? kindCaps.buttons : kindCaps.values;
    const std::vector<PendingUsage>& usages = local_.usages;

    struct Slot {
        std::size_t first;
        std::size_t end;
        std::uint64_t fields;
    };
    std::vector<Slot> slots;
    std::uint64_t fieldsLeft = global_.reportCount;
    for (std::size_t first = 0; first < usages.size() && fieldsLeft > 0;) {
        std::size_t end = first + 1;
        while (end < usages.size() && usages[end].slot == usages[first].slot) {
            ++end;
        }
        std::uint64_t fields = 0;
        if (variable) {
            fields =
                end == usages.size() ? fieldsLeft : std::min(fieldsLeft, usages[first].Width());
            fieldsLeft -= fields;
        } else {
            fields = global_.reportCount;
        }
        slots.push_back(Slot{first, end, fields});
        first = end;
    }
    for (auto slot = slots.rbegin(); slot != slots.rend(); ++slot) {
        std::uint64_t fields = slot->fields;  // counted once per slot, not per alias
        for (std::size_t i = slot->first; i < slot->end; ++i) {
            // Usage 0 is "undefined": its fields are padding, as if no usage were named.
            if (usages[i].IsUndefined()) {
                continue;
            }
            if (capabilityCount_ >= MAX_HID_CAPABILITIES) {
                return HidParseError::TooManyCapabilities;
            }
            list.push_back(HidCapability{ToCaps(usages[i]), static_cast<std::uint32_t>(fields)});
            fields = 0;
            ++capabilityCount_;
        }
    }
    return HidParseError::None;
}

HidReportCaps Parser::ToCaps(const PendingUsage& usage) const {
    return HidReportCaps{.usagePage = usage.page,
                         .reportId = global_.reportId,
                         .isRange = usage.isRange,
                         .usageMin = usage.min,
                         .usageMax = usage.isRange ? usage.max : std::uint16_t{0}};
}

HidParseError Parser::OnCollection(const HidItem&) {
    if (const HidParseError error = CheckLocalsComplete(); error != HidParseError::None) {
        return error;
    }
    if (depth_ >= MAX_HID_COLLECTION_DEPTH) {
        return HidParseError::CollectionTooDeep;
    }
    if (depth_ == 0) {
        if (topLevel_.size() >= MAX_HID_TOP_LEVEL_COLLECTIONS) {
            return HidParseError::TooManyCollections;
        }
        // The collection's usage is its first one; a usage declared before any usage page
        // takes the page in force at the Collection item.
        TopLevel collection;
        collection.caps.usagePage = global_.usagePage;
        if (!local_.usages.empty()) {
            const PendingUsage& first = local_.usages.front();
            collection.caps.usagePage = first.page != 0 ? first.page : global_.usagePage;
            collection.caps.usage = first.min;
        }
        OpenTopLevel(std::move(collection));
    }
    ++depth_;
    local_ = LocalState{};
    return HidParseError::None;
}

HidParseError Parser::OnEndCollection(const HidItem&) {
    if (const HidParseError error = CheckLocalsComplete(); error != HidParseError::None) {
        return error;
    }
    if (depth_ == 0) {
        return HidParseError::EndWithoutCollection;
    }
    if (--depth_ == 0) {
        FinishTopLevelCollection();
    }
    local_ = LocalState{};
    return HidParseError::None;
}

// Each kind's length is its longest report rounded up to bytes, plus the report ID byte that
// the platform puts in front of every report, report ID 0 included.
void Parser::FinishTopLevelCollection() {
    HidCollectionCaps& collection = topLevel_.back().caps;
    for (std::size_t k = 0; k < HID_REPORT_KIND_COUNT; ++k) {
        std::uint32_t longest = 0;
        bool any = false;
        for (std::size_t id = 0; id < REPORT_ID_COUNT; ++id) {
            if (sizes_.present[k].test(id)) {
                any = true;
                longest = std::max(longest, sizes_.bits[k][id]);
            }
        }
        // MAX_HID_REPORT_BITS keeps this within 16 bits.
        collection.kinds[k].reportByteLength =
            any ? static_cast<std::uint16_t>((longest + 7) / 8 + 1) : std::uint16_t{0};
    }
}

HidParseError Parser::OnUsagePage(const HidItem& item) {
    if (item.data > 0xFFFFu) {
        return HidParseError::UsagePageTooLarge;
    }
    global_.usagePage = static_cast<std::uint16_t>(item.data);
    return HidParseError::None;
}

HidParseError Parser::OnReportSize(const HidItem& item) {
    global_.reportSize = item.data;
    return HidParseError::None;
}

HidParseError Parser::OnReportCount(const HidItem& item) {
    global_.reportCount = item.data;
    return HidParseError::None;
}

HidParseError Parser::OnReportId(const HidItem& item) {
    // 0 is reserved for "no report IDs", and the ID travels in one byte.
    if (item.data == 0 || item.data >= REPORT_ID_COUNT) {
        return HidParseError::InvalidReportId;
    }
    global_.reportId = static_cast<std::uint8_t>(item.data);
    return HidParseError::None;
}

HidParseError Parser::OnPush(const HidItem&) {
    if (globalStack_.size() >= MAX_HID_GLOBAL_STACK_DEPTH) {
        return HidParseError::GlobalStackOverflow;
    }
    globalStack_.push_back(global_);
    return HidParseError::None;
}

HidParseError Parser::OnPop(const HidItem&) {
    if (globalStack_.empty()) {
        return HidParseError::PopWithoutPush;
    }
    global_ = globalStack_.back();
    globalStack_.pop_back();
    return HidParseError::None;
}

// A four-byte usage carries its page in the high word. A shorter one, or one whose high word
// is 0, belongs to the usage page in force when the usage is declared.
Usage Parser::Resolve(const HidItem& item) const {
    const auto high = static_cast<std::uint16_t>(item.data >> 16);
    return Usage{.page = high != 0 ? high : global_.usagePage,
                 .id = static_cast<std::uint16_t>(item.data & 0xFFFFu)};
}

HidParseError Parser::OnUsage(const HidItem& item) {
    if (local_.rangeMin || local_.rangeMax) {
        return HidParseError::UnpairedUsageRange;
    }
    const Usage usage = Resolve(item);
    return AddUsage(PendingUsage{.page = usage.page, .min = usage.id, .max = usage.id});
}

HidParseError Parser::OnUsageMinimum(const HidItem& item) {
    if (local_.rangeMin) {
        return HidParseError::UnpairedUsageRange;
    }
    local_.rangeMin = Resolve(item);
    return CompleteRange();
}

HidParseError Parser::OnUsageMaximum(const HidItem& item) {
    if (local_.rangeMax) {
        return HidParseError::UnpairedUsageRange;
    }
    local_.rangeMax = Resolve(item);
    return CompleteRange();
}

// A Usage Minimum and a Usage Maximum, in either order, make one range.
HidParseError Parser::CompleteRange() {
    if (!local_.rangeMin || !local_.rangeMax) {
        return HidParseError::None;
    }
    const Usage min = *local_.rangeMin;
    const Usage max = *local_.rangeMax;
    local_.rangeMin.reset();
    local_.rangeMax.reset();
    if (min.page != max.page) {
        return HidParseError::UsageRangeAcrossPages;
    }
    if (min.id > max.id) {
        return HidParseError::ReversedUsageRange;
    }
    return AddUsage(PendingUsage{.page = min.page, .min = min.id, .max = max.id, .isRange = true});
}

HidParseError Parser::AddUsage(PendingUsage usage) {
    if (local_.usages.size() >= MAX_HID_USAGES_PER_ITEM) {
        return HidParseError::TooManyUsages;
    }
    // Inside a Delimiter set every usage is an alias for the same fields.
    usage.slot = local_.inDelimiter ? local_.nextSlot : local_.nextSlot++;
    local_.usages.push_back(usage);
    return HidParseError::None;
}

HidParseError Parser::OnDelimiter(const HidItem& item) {
    if (local_.rangeMin || local_.rangeMax) {
        return HidParseError::UnpairedUsageRange;
    }
    if (item.data == DELIMITER_OPEN && !local_.inDelimiter) {
        local_.inDelimiter = true;
        return HidParseError::None;
    }
    if (item.data == DELIMITER_CLOSE && local_.inDelimiter) {
        local_.inDelimiter = false;
        ++local_.nextSlot;
        return HidParseError::None;
    }
    return HidParseError::MisplacedDelimiter;
}

// A main item takes the local items as they stand; half a range or an open alias set is a
// descriptor fault, not something to guess about.
HidParseError Parser::CheckLocalsComplete() const {
    if (local_.inDelimiter) {
        return HidParseError::MisplacedDelimiter;
    }
    if (local_.rangeMin || local_.rangeMax) {
        return HidParseError::UnpairedUsageRange;
    }
    return HidParseError::None;
}

bool CopyCaps(const std::vector<HidCapability>& from, std::span<HidReportCaps> to) {
    if (to.size() < from.size()) {
        return false;
    }
    std::transform(from.begin(), from.end(), to.begin(),
                   [](const HidCapability& c) { return c.caps; });
    return true;
}

// The most buttons of a page (0: of every page) that one output report can hold set.
std::uint32_t MaxUsageListLength(const std::vector<HidCapability>& buttons, std::uint16_t page) {
    std::uint64_t total = 0;
    for (const HidCapability& button : buttons) {
        if (page == 0 || button.caps.usagePage == page) {
            total += button.fieldCount;
        }
    }
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(total, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

HidCaps HidCollectionCaps::Caps() const {
    const HidKindCaps& output = Of(HidReportKind::Output);
    HidCaps caps;
    caps.usage = usage;
    caps.usagePage = usagePage;
    caps.inputReportByteLength = Of(HidReportKind::Input).reportByteLength;
    caps.outputReportByteLength = output.reportByteLength;
    caps.featureReportByteLength = Of(HidReportKind::Feature).reportByteLength;
    // MAX_HID_CAPABILITIES keeps both counts within 16 bits.
    caps.numberOutputButtonCaps = static_cast<std::uint16_t>(output.buttons.size());
    caps.numberOutputValueCaps = static_cast<std::uint16_t>(output.values.size());
    return caps;
}

HidParseResult ParseHidDescriptor(std::span<const std::uint8_t> descriptor) {
    try {
        return Parser{}.Run(descriptor);
    } catch (const std::bad_alloc&) {
        return Refusal(HidParseError::OutOfMemory, 0);
    }
}

OutputCapsReader OutputCapsReaderFor(const HidCollectionCaps& collection) {
    const HidKindCaps* output = &collection.Of(HidReportKind::Output);
    return OutputCapsReader{
        .readButtonCaps =
            [output](std::span<HidButtonCaps> to) { return CopyCaps(output->buttons, to); },
        .readValueCaps =
            [output](std::span<HidValueCaps> to) { return CopyCaps(output->values, to); },
        .maxUsageListLength =
            [output](std::uint16_t page) { return MaxUsageListLength(output->buttons, page); }};
}

}  // namespace norvessa
