#pragma once
// Frames over the controller's hidraw fd. The fd is non-blocking and every read waits in a
// bounded poll. Writes go through the channel's writer thread, which the caller waits for a
// bounded time (a hidraw write blocks whatever poll says); a channel without one writes to the
// fd directly, bounded by poll. So no call can hang the user-interface thread. With no
// controller current (an empty channel) every call returns at once and writes nothing.

#include <cstddef>
#include <span>

#include "controller/linux/controller_channel.h"
#include "protocol/frames.h"

namespace norvessa {

enum class WriteStatus {
    Written,       // the whole report went out
    TimedOut,      // the fd did not take it within the bound
    NoController,  // empty channel: nothing written
    Refused,       // a report length beyond the frame, never sent
    Failed,        // the write failed (a short write, no writer thread)
    Gone,          // the device-gone error or a hang-up: the controller is gone
    Backlogged,    // writes are stuck behind one that never finished: this one was not queued
};

// Writes the first `channel.outputReportLength` bytes of the frame (report ID first), waiting
// at most `waitMs` for the write. A frame that timed out is still written later, before any
// frame sent after it. Callers need act only on Gone.
WriteStatus SendFrame(const ControllerChannel& channel, const CalibrationFrame& frame,
                      unsigned waitMs = WRITE_WAIT_MS);

enum class ReadStatus {
    Report,        // one report read; `length` bytes of the buffer hold it
    TimedOut,      // nothing arrived within the bound
    NoController,  // no fd to read from
    Gone,          // the fd hung up or failed: the controller went away
};

struct ReadResult {
    ReadStatus status = ReadStatus::NoController;
    std::size_t length = 0;
};

// Reads one report of up to 64 bytes into `buffer`, waiting at most `waitMs`.
ReadResult ReadReport(int fd, std::span<std::uint8_t, FRAME_SIZE> buffer, unsigned waitMs);

// A hidraw node carries every report of its device: touch reports of a digitizer collection
// arrive on the controller's node too. Only a report whose first byte is the controller's
// report ID can be an answer.
bool IsControllerReport(std::span<const std::uint8_t> report);

// Like ReadReport, but discards every report of another collection on the way; `waitMs` bounds
// the whole wait, however many reports are discarded in it.
ReadResult ReadControllerReport(int fd, std::span<std::uint8_t, FRAME_SIZE> buffer,
                                unsigned waitMs);

enum class DrainStatus {
    Drained,       // nothing is queued any more
    NoController,  // no fd
    Gone,          // the fd hung up or failed
};

// Discards every input report already queued on the fd, without waiting: a reply that came
// too late for an earlier exchange must not answer the next one. Bounded in the number of
// reads so a device that streams faster than it can be read cannot hold the caller.
DrainStatus DrainInput(int fd);

// Discards every report that is queued or arrives within `waitMs`: the answer to a frame that
// has only just gone out may still be on its way.
DrainStatus DiscardInputFor(int fd, unsigned waitMs);

}  // namespace norvessa
