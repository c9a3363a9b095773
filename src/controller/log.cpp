// SPDX-License-Identifier: MIT
#include "controller/log.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace norvessa {
namespace {

std::atomic<bool> g_debugLogging{false};

LogSink& Sink() {
    static LogSink sink;
    return sink;
}

void WriteToStderr(LogLevel level, const std::string& message) {
    if (level == LogLevel::Debug && !g_debugLogging.load()) {
        return;
    }
    // One write per message, so lines of two threads do not interleave.
    const std::string line = "norvessa: " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

void SetLogSink(LogSink sink) {
    Sink() = std::move(sink);
}

void SetDebugLogging(bool enabled) {
    g_debugLogging.store(enabled);
}

void Log(LogLevel level, const std::string& message) {
    if (const LogSink& sink = Sink()) {
        sink(level, message);
    } else {
        WriteToStderr(level, message);
    }
}

std::string ErrorNumberText(int error) {
    // Copied at once: strerror's buffer may be reused by its next call.
    char buffer[128] = {};
    std::snprintf(buffer, sizeof buffer, "%s (%d)", std::strerror(error), error);
    return buffer;
}

}  // namespace norvessa
