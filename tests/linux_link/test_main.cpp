// The tests talk to the simulated controller over a socket pair. A write to a socket whose peer
// is gone raises SIGPIPE, which a hidraw node never does: the process ignores it, as the
// failed write is what the tests look at.

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    // ThreadSanitizer starts a thread of its own at the program's first thread: made here, it is
    // already there when a test counts the process's threads before and after its own.
    std::thread([] {}).join();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
