#include "line_commands.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace norvessa::support {
namespace {

// The other end as a list of reads: each gives one piece, and after the last it is gone.
class ScriptedPeer : public LineCommands {
  public:
    ScriptedPeer(const std::vector<std::string>& pieces, int refusedSend)
        : pieces_(pieces.begin(), pieces.end()), refusedSend_(refusedSend) {}

    std::string sent;
    std::size_t reads = 0;

  private:
    bool Send(const std::string& text) override {
        if (sends_++ == refusedSend_)
            return false;
        sent += text;
        return true;
    }
    std::optional<std::string> ReceiveLine() override {
        return answers_.NextLine([&] {
            if (pieces_.empty())
                return false;
            ++reads;
            answers_.Append(pieces_.front().data(), pieces_.front().size());
            pieces_.pop_front();
            return true;
        });
    }

    std::deque<std::string> pieces_;
    int refusedSend_;
    int sends_ = 0;
    LineBuffer answers_;
};

struct ExchangeCase {
    const char* name;
    std::vector<std::string> pieces;
    std::vector<std::string> answers;  // one command each
    std::size_t reads;                 // pieces taken when all were answered
    int refusedSend = -1;              // the command whose sending fails
};

class CommandAnswers : public ::testing::TestWithParam<ExchangeCase> {};

TEST_P(CommandAnswers, OneLineBackForEachLineOut) {
    const ExchangeCase& c = GetParam();
    ScriptedPeer peer(c.pieces, c.refusedSend);
    std::string expectedSent;
    for (std::size_t i = 0; i < c.answers.size(); ++i) {
        const std::string command = "command " + std::to_string(i);
        EXPECT_EQ(peer.Command(command), c.answers[i]) << "command " << i;
        if (static_cast<int>(i) != c.refusedSend)
            expectedSent += command + "\n";
    }
    EXPECT_EQ(peer.sent, expectedSent);
    EXPECT_EQ(peer.reads, c.reads);
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, CommandAnswers,
    ::testing::Values(
        ExchangeCase{"OneAnswerOneRead", {"ok\n"}, {"ok"}, 1},
        ExchangeCase{"AnswerSplitAcrossReads", {"rece", "ived 1", "2\n"}, {"received 12"}, 3},
        // The second answer is already here: its command must not wait for another read.
        ExchangeCase{"SeveralAnswersInOneRead", {"ok\nfailed\nok\n"}, {"ok", "failed", "ok"}, 1},
        ExchangeCase{"NextAnswerBegunInSameRead", {"ok\nrep", "ort 3\n"}, {"ok", "report 3"}, 2},
        ExchangeCase{"EmptyAnswerIsALine", {"\nok\n"}, {"", "ok"}, 1},
        ExchangeCase{"GoneBeforeAnswering", {}, {"", ""}, 0},
        // A half line is no answer, and the commands after it get none either.
        ExchangeCase{"GoneMidAnswer", {"ok\nfai"}, {"ok", "", ""}, 1},
        // An unsent command reads nothing, so the next command still gets its own answer.
        ExchangeCase{
            "UnsentCommandTakesNoAnswer", {"ok\n", "failed\n"}, {"", "ok", "failed"}, 2, 0}),
    [](const ::testing::TestParamInfo<ExchangeCase>& param) {
        return std::string(param.param.name);
    });

}  // namespace
}  // namespace norvessa::support
