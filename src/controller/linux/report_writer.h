#pragma once
// Writes a controller's output reports on a thread of its own. A hidraw write is synchronous
// and the node always polls writable, so a stalled OUT endpoint would hold the writing thread
// for seconds: here only the writer thread is held, and its caller waits a bounded time.
//
// Order and loss: reports go out one at a time, in the order they were handed over. A report
// still being written when its caller's wait ends stays queued (TimedOut), and later reports
// queue behind it: none overtakes another, and none is dropped while the writer lives. At most
// MAX_QUEUED reports wait; beyond that a report is refused at once (Backlogged) and not sent.
// Once a write failed with the device-gone error every later one is refused (Gone). Ending
// the writer drops whatever is still queued and releases a write stuck in the kernel.
//
// Exchanges: a report belongs to the exchange that wrote it. When an exchange ends its reports
// still waiting in the queue are dropped (DropQueued); the next exchange starts only once the
// report in the kernel, if any, has gone out (WaitUntilIdle), so the controller can never answer
// an earlier exchange's frame while a later one listens.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <thread>

namespace norvessa {

enum class WriterStatus {
    Written,     // the whole report went out
    TimedOut,    // not written within the caller's wait; it stays queued, in order
    Backlogged,  // too many reports wait behind a stuck one: this one was not queued
    Gone,        // the controller is gone (device-gone error or hang-up): nothing more is sent
    Failed,      // any other failure: a short write, no thread or fd to write with
};

class ReportWriter {
  public:
    static constexpr std::size_t MAX_QUEUED = 32;

    // Borrows `fd` until the first write, which takes a duplicate of it for the thread: a
    // thread that has to be left behind never writes to a closed or reused fd number.
    explicit ReportWriter(int fd) : fd_(fd) {}
    // Releases a stuck write and joins the thread within THREAD_END_WAIT, or leaves it
    // behind with a message on stderr.
    ~ReportWriter();
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    // Queues the report and waits at most `wait` for its write to finish. Called from one
    // thread only, the user interface's.
    WriterStatus Write(std::span<const std::uint8_t> report, std::chrono::milliseconds wait);

    // Drops every queued report that has not been handed to the kernel yet; the one being
    // written, if any, goes on. Same thread as Write.
    void DropQueued();
    // Drops the queue, then waits at most `wait` until no report is in the kernel any more.
    // True when none is (at once when nothing was ever written). Same thread as Write.
    bool WaitUntilIdle(std::chrono::milliseconds wait);

  private:
    struct Shared;
    bool Start();
    static void Run(std::shared_ptr<Shared> shared) noexcept;
    void Release();

    int fd_;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace norvessa
