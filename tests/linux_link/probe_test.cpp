// Which hidraw nodes the access probe lets the logged-in user open: the controller only.

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "controller/linux/controller_access_scan.h"
#include "controller/linux/report_descriptor.h"
#include "link_test_support.h"
#include "protocol/frames.h"

namespace norvessa {
namespace {

using test::Bytes;

struct DescriptorCase {
    const char* name;
    Bytes descriptor;
    AccessVerdict verdict;
    friend void PrintTo(const DescriptorCase& c, std::ostream* os) { *os << c.name; }
};

// The keyboard's collection with its usage changed to Keypad.
Bytes Keypad() {
    Bytes keypad = test::BootKeyboard();
    keypad[3] = 0x07;
    return keypad;
}

std::vector<DescriptorCase> DescriptorCases() {
    using enum AccessVerdict;
    const Bytes controller = test::ControllerDescriptor();
    const Bytes unreadableKeyboard = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x0C, 0xC0};
    const Bytes unreadableVendor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x0C, 0xC0};
    const Bytes unknownUsage = {0x19, 0x01, 0xA1, 0x01, 0xC0};  // a lone Usage Minimum names it
    return {
        {"Controller", controller, Controller},
        {"ShortestController", test::VendorCollection(0xAA, 63, 7), Controller},
        {"ControllerAfterAnUnreadableCollection", test::Concat(unreadableVendor, controller),
         Controller},
        {"ControllerBesideATouchScreenDigitizer", support::TouchScreenWithController(), Controller},
        {"ControllerAfterAKeyboardCollection", test::Concat(test::BootKeyboard(), controller),
         ControllerBesideKeyboard},
        {"ControllerBeforeAKeypadCollection", test::Concat(controller, Keypad()),
         ControllerBesideKeyboard},
        {"ControllerBesideAnUnreadableKeyboard", test::Concat(unreadableKeyboard, controller),
         ControllerBesideKeyboard},
        {"ControllerBesideACollectionOfUnknownUsage", test::Concat(unknownUsage, controller),
         ControllerBesideKeyboard},
        {"Keyboard", test::BootKeyboard(), OtherDevice},
        {"OtherReportId", test::VendorCollection(0x55, 63, 63), OtherDevice},
        {"OutputOver64", test::VendorCollection(0xAA, 63, 64), OtherDevice},
        {"InputOver64", test::VendorCollection(0xAA, 64, 63), OtherDevice},
        {"Truncated", Bytes(controller.begin(), controller.end() - 1), OtherDevice},
        {"Empty", {}, OtherDevice},
    };
}

class ProbeDecision : public ::testing::TestWithParam<DescriptorCase> {};

// The controller's node only, and never one through which a keyboard could be read.
TEST_P(ProbeDecision, AcceptsOnlyTheController) {
    EXPECT_EQ(JudgeForSeatAccess(GetParam().descriptor), GetParam().verdict);
}

INSTANTIATE_TEST_SUITE_P(Descriptors, ProbeDecision, ::testing::ValuesIn(DescriptorCases()),
                         [](const auto& p) { return std::string(p.param.name); });

// The application itself still finds the controller beside a keyboard when it may open the node.
TEST(ReportDescriptor, FindsTheControllerBesideAKeyboard) {
    const auto description =
        DescribeReportDescriptor(test::Concat(test::BootKeyboard(), test::ControllerDescriptor()));
    ASSERT_TRUE(description.has_value());
    EXPECT_EQ(description->match, MatchResult::Controller);
}

TEST(ReportDescriptor, DescribesTheControllerLikeWindowsDoes) {
    const auto description = DescribeReportDescriptor(test::ControllerDescriptor());
    ASSERT_TRUE(description.has_value());
    EXPECT_EQ(description->match, MatchResult::Controller);
    EXPECT_EQ(description->caps.outputReportByteLength, 64);
    EXPECT_EQ(description->caps.inputReportByteLength, 64);
    ASSERT_FALSE(description->output.outTable.empty());
    EXPECT_EQ(description->output.outTable.front().reportId, CONTROLLER_REPORT_ID);
}

TEST(ReportDescriptor, AKeyboardIsDescribedButRefusedByItsReportId) {
    const auto description = DescribeReportDescriptor(test::BootKeyboard());
    ASSERT_TRUE(description.has_value());
    EXPECT_EQ(description->match, MatchResult::OtherReportId);
}

// The probe program itself, as udev runs it, on a sysfs-like tree.
class ProbeProgram : public ::testing::Test {
  protected:
    std::filesystem::path root;

    void SetUp() override {
        char pattern[] = "/tmp/norvessa-probe-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    std::string Node(const std::string& name, const Bytes& descriptor) {
        const auto device = root / name / "device";
        std::filesystem::create_directories(device);
        std::ofstream(device / "report_descriptor", std::ios::binary)
            .write(reinterpret_cast<const char*>(descriptor.data()),
                   static_cast<std::streamsize>(descriptor.size()));
        return (root / name).string();
    }

    static int Run(std::vector<std::string> arguments) {
        std::vector<char*> argv{const_cast<char*>(NORVESSA_PROBE_PATH)};
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_t child = 0;
        if (::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            return -1;
        int status = 0;
        if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
            return -1;
        return WEXITSTATUS(status);
    }
};

TEST_F(ProbeProgram, ExitStatusTellsTheControllerFromOtherDevices) {
    EXPECT_EQ(Run({Node("hidraw0", test::ControllerDescriptor())}), 0);
    EXPECT_EQ(Run({Node("hidraw1", test::BootKeyboard())}), 1);
    EXPECT_EQ(Run({Node("hidraw2", test::VendorCollection(0xAA, 63, 64))}), 1);
    EXPECT_EQ(
        Run({Node("hidraw4", test::Concat(test::BootKeyboard(), test::ControllerDescriptor()))}),
        1);
    // A controller descriptor followed by more than the parser takes is refused, not cut short.
    Bytes oversized = test::ControllerDescriptor();
    oversized.resize(5000, 0x00);
    EXPECT_EQ(Run({Node("hidraw3", oversized)}), 1);
    EXPECT_EQ(Run({(root / "missing").string()}), 2);
    EXPECT_EQ(Run({}), 2);
}

// The main window's question: is a controller there that this user may not open?
TEST_F(ProbeProgram, RefusedControllersAreToldByTheirErrno) {
    Node("hidraw0", test::BootKeyboard());
    Node("hidraw1", test::ControllerDescriptor());
    Node("hidraw2", test::ControllerDescriptor());
    Node("hidraw10", test::ControllerDescriptor());
    Node("hidraw11", test::ControllerDescriptor());
    Node("hidraw12", test::ControllerDescriptor());
    const std::map<std::string, int> errors = {{"/dev/hidraw0", EACCES},  {"/dev/hidraw1", 0},
                                               {"/dev/hidraw2", EPERM},   {"/dev/hidraw10", EBUSY},
                                               {"/dev/hidraw11", ENOENT}, {"/dev/hidraw12", EIO}};
    std::vector<std::string> tried;
    const AccessScanRoots roots{root.string(), "/dev", [&](const std::string& devnode) {
                                    tried.push_back(devnode);
                                    return errors.at(devnode);
                                }};
    const std::vector<ControllerAccess> refused = FindRefusedControllers(roots);
    // The keyboard is never opened; a node that opened or is gone is no refusal.
    EXPECT_EQ(tried, (std::vector<std::string>{"/dev/hidraw1", "/dev/hidraw2", "/dev/hidraw10",
                                               "/dev/hidraw11", "/dev/hidraw12"}));
    ASSERT_EQ(refused.size(), 3u);
    EXPECT_EQ(refused[0].path, "/dev/hidraw2");
    EXPECT_EQ(refused[0].problem, AccessProblem::Denied);
    EXPECT_EQ(refused[1].path, "/dev/hidraw10");
    EXPECT_EQ(refused[1].problem, AccessProblem::InUse);
    EXPECT_EQ(refused[2].problem, AccessProblem::Other);
    EXPECT_EQ(AccessProblemForErrno(EACCES), AccessProblem::Denied);
    EXPECT_TRUE(FindRefusedControllers({(root / "missing").string(), "/dev", {}}).empty());
}

}  // namespace
}  // namespace norvessa
