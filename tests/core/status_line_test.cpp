#include "app/status_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "resource.h"

namespace norvessa {
namespace {

struct StatusCase {
    const char* name;
    bool current;
    std::vector<ControllerAccess> refused;
    ControllerStatus expected;
    int stringId;
};

class StatusLine : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusLine, SaysWhyTheButtonsAreGrey) {
    const StatusCase& c = GetParam();
    const ControllerStatus status = StatusOfController(c.current, c.refused);
    EXPECT_EQ(status, c.expected);
    EXPECT_EQ(StatusLineStringId(status.presence), c.stringId);
}

INSTANTIATE_TEST_SUITE_P(Searches, StatusLine,
                         ::testing::Values(StatusCase{"Connected",
                                                      true,
                                                      {{"/dev/hidraw1", AccessProblem::Denied}},
                                                      {ControllerPresence::Connected, ""},
                                                      IDS_STATUS_CONNECTED},
                                           StatusCase{"NothingThere",
                                                      false,
                                                      {},
                                                      {ControllerPresence::NotFound, ""},
                                                      IDS_STATUS_NO_CONTROLLER},
                                           StatusCase{
                                               "DeniedBeforeInUse",
                                               false,
                                               {{"/dev/hidraw0", AccessProblem::Other},
                                                {"/dev/hidraw2", AccessProblem::InUse},
                                                {"/dev/hidraw3", AccessProblem::Denied}},
                                               {ControllerPresence::AccessDenied, "/dev/hidraw3"},
                                               IDS_STATUS_ACCESS_DENIED},
                                           StatusCase{"InUse",
                                                      false,
                                                      {{"\\\\?\\hid#a", AccessProblem::InUse}},
                                                      {ControllerPresence::InUse, "\\\\?\\hid#a"},
                                                      IDS_STATUS_IN_USE},
                                           StatusCase{"OtherFailuresAreNotFound",
                                                      false,
                                                      {{"/dev/hidraw0", AccessProblem::Other}},
                                                      {ControllerPresence::NotFound, ""},
                                                      IDS_STATUS_NO_CONTROLLER}),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace norvessa
