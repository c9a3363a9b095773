// Our descriptor parser against the HID parser of the platform, on every descriptor of the
// parser's seed corpus: the caps lengths and counts, every button and value capability of every
// report kind in the order listed, and the output-data table built from each. Wine's
// hidparse.sys stands in for the Windows parser: Windows gives no way to run its parser on
// chosen bytes, and the raw descriptors of Wine's virtual devices cannot be read either.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>

#include "hid/hid_descriptor.h"
#include "hid_descriptor_corpus.h"
#include "parser_report.h"
#include "wine_hid_parser.h"

namespace norvessa::test {
namespace {

// Where Wine's parser knowingly departs from ours. Each stays checked: should the difference
// go away, the descriptor must be compared in full instead.
enum class Difference {
    WineRefuses,  // we accept the descriptor, Wine's parser does not
    CapsDiffer,   // same lengths, other capabilities
};

struct KnownDifference {
    const char* descriptor;
    Difference difference;
    const char* reason;
};

constexpr KnownDifference KNOWN_DIFFERENCES[] = {
    {"aliases_and_push", Difference::WineRefuses, "Wine refuses Delimiter sets"},
    {"extended_usages_long_item", Difference::WineRefuses, "Wine refuses long items"},
    {"range_and_usages", Difference::CapsDiffer,
     "Wine keeps only the last group of an item that mixes ranges and single usages"},
    {"count_below_usages", Difference::CapsDiffer,
     "Wine keeps the usages beyond the item's field count"},
};

const KnownDifference* KnownDifferenceOf(const char* name) {
    for (const KnownDifference& known : KNOWN_DIFFERENCES) {
        if (std::strcmp(known.descriptor, name) == 0) {
            return &known;
        }
    }
    return nullptr;
}

}  // namespace

// Names the descriptor in test output instead of dumping the record's bytes.
void PrintTo(const CorpusDescriptor& descriptor, std::ostream* os) {
    *os << descriptor.name << " (" << descriptor.bytes.size() << " bytes)";
}

namespace {

class HidParserCrossCheck : public ::testing::TestWithParam<CorpusDescriptor> {
  protected:
    static void SetUpTestSuite() { wine_ = WineHidParser::Load(whyNot_); }
    static void TearDownTestSuite() { wine_.reset(); }

    void SetUp() override {
        if (!wine_) {
            // CTest reads this message as a skip of the whole executable.
            GTEST_SKIP() << "Wine's hidparse.sys is not usable here: " << whyNot_;
        }
    }

    static std::unique_ptr<WineHidParser> wine_;
    static std::string whyNot_;
};

std::unique_ptr<WineHidParser> HidParserCrossCheck::wine_;
std::string HidParserCrossCheck::whyNot_;

void ExpectKnownDifference(const KnownDifference& known, const ParserReport& ours,
                           const std::optional<std::vector<ParserReport>>& wine) {
    SCOPED_TRACE(known.reason);
    if (known.difference == Difference::WineRefuses) {
        EXPECT_FALSE(wine.has_value()) << "Wine's parser now accepts it: compare it in full";
        return;
    }
    ASSERT_TRUE(wine.has_value());
    ASSERT_EQ(wine->size(), 1u);
    EXPECT_EQ(LengthLines(ours), LengthLines(wine->front()));
    EXPECT_NE(ReportLines(ours), ReportLines(wine->front()))
        << "the parsers now agree: compare it in full";
}

TEST_P(HidParserCrossCheck, ReportsWhatWinesParserReports) {
    const CorpusDescriptor& descriptor = GetParam();
    const HidParseResult ours = ParseHidDescriptor(descriptor.bytes);
    if (!ours.ok()) {
        // A refused input (the fuzzer's finds land in the corpus) has no capabilities to compare;
        // Wine's parser accepts much that ours refuses.
        GTEST_SKIP() << "our parser refuses it: " << DescribeHidParseResult(ours);
    }
    if (!ours.skipped.empty()) {
        // Wine's parser takes or refuses the descriptor whole; ours skips what it cannot read.
        GTEST_SKIP() << DescribeHidParseResult(ours);
    }
    if (ours.collections.size() != 1) {
        // Wine 8 describes all top-level collections as one; there is nothing alike to compare.
        GTEST_SKIP() << ours.collections.size() << " top-level collections";
    }
    const ParserReport ourReport = ReportOfOurParser(ours.collections.front());
    const std::optional<std::vector<ParserReport>> wine = wine_->Describe(descriptor.bytes);

    if (const KnownDifference* known = KnownDifferenceOf(descriptor.name)) {
        ExpectKnownDifference(*known, ourReport, wine);
        return;
    }
    ASSERT_TRUE(wine.has_value()) << "Wine's parser refuses it";
    ASSERT_EQ(wine->size(), 1u);
    EXPECT_EQ(ReportLines(ourReport), ReportLines(wine->front()));
}

// Test names take letters, digits and underscores only.
std::string TestName(const ::testing::TestParamInfo<CorpusDescriptor>& info) {
    std::string name = info.param.name;
    std::replace_if(
        name.begin(), name.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, HidParserCrossCheck, ::testing::ValuesIn(HID_DESCRIPTOR_CORPUS),
                         TestName);

TEST(HidParserCrossCheckSet, EveryKnownDifferenceNamesACorpusDescriptor) {
    for (const KnownDifference& known : KNOWN_DIFFERENCES) {
        EXPECT_TRUE(std::any_of(
            std::begin(HID_DESCRIPTOR_CORPUS), std::end(HID_DESCRIPTOR_CORPUS),
            [&](const CorpusDescriptor& d) { return std::strcmp(d.name, known.descriptor) == 0; }))
            << known.descriptor;
    }
}

}  // namespace
}  // namespace norvessa::test
