// SPDX-License-Identifier: MIT
#pragma once
// The program's log: errors that would otherwise vanish (a device that cannot be opened, a
// refused report descriptor, a failed write, a listener ending on an error) and debug detail.
// It sits in the lowest layer so that every layer may write to it. Errors go to stderr and
// debug messages nowhere until a platform puts its own sink in place (Qt's logging category on
// Linux, the debugger and the console on Windows) or debug messages are turned on.

#include <functional>
#include <string>

namespace norvessa {

enum class LogLevel { Debug, Error };

// Receives every message with its level, from any thread: it must be safe to call from the
// listener thread as well. Put in place once at start-up, before any thread runs.
using LogSink = std::function<void(LogLevel level, const std::string& message)>;

// An empty sink puts the stderr sink back.
void SetLogSink(LogSink sink);
// Whether the stderr sink writes debug messages; off at start.
void SetDebugLogging(bool enabled);

void Log(LogLevel level, const std::string& message);
inline void LogError(const std::string& message) {
    Log(LogLevel::Error, message);
}
inline void LogDebug(const std::string& message) {
    Log(LogLevel::Debug, message);
}

// For thread procedures, which no exception may leave: logs `what` followed by `detail()`,
// and drops the message if memory runs out on the way.
template <typename Detail>
void LogErrorFromThread(const char* what, Detail detail) noexcept {
    try {
        LogError(what + std::string(detail()));
    } catch (...) {
    }
}

// "<text> (<number>)": a C library error number in words, for messages.
std::string ErrorNumberText(int error);

}  // namespace norvessa
