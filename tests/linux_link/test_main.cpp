// The tests talk to the simulated controller over a socket pair. A write to a socket whose peer
// is gone raises SIGPIPE, which a hidraw node never does: the process ignores it, as the
// failed write is what the tests look at.

#include <gtest/gtest.h>

#include <csignal>

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
