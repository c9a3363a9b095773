// SPDX-License-Identifier: MIT
#pragma once
// The command line of both builds, read before any window system is touched. With no
// arguments the tool behaves as it always has: the main dialog opens. The tool's own options
// are long ones; the few options of Qt that are safe to hand on are passed through untouched
// (Windows has none), everything else is refused with exit code 2.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvessa {

// Exit codes of the command-line modes.
inline constexpr int EXIT_DONE = 0;
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_USAGE = 2;
inline constexpr int EXIT_NO_REPLY = 3;
inline constexpr int EXIT_NO_CONTROLLER = 4;
// A reply came, but it carried no verdict (silence is EXIT_NO_REPLY).
inline constexpr int EXIT_NO_VERDICT = 5;
// The check measured touches beyond the tolerance.
inline constexpr int EXIT_CHECK_FAILED = 6;
// The check was cancelled (Escape) or nobody touched it for the time-out.
inline constexpr int EXIT_CHECK_CANCELLED = 7;

enum class Command { OpenDialog, Help, Version, List, Reset, Calibrate, Check };

// Whether the platform's toolkit options (-platform NAME, -style NAME, -reverse, ...) are
// accepted and handed on; the Windows build has no toolkit options.
enum class ToolkitOptions { Refused, PassedOn };

struct CommandLine {
    Command command = Command::OpenDialog;
    int calibrationPoints = 0;  // with Command::Calibrate: one of the seven counts
    // --check: Command::Check alone, or a check after a successful Command::Calibrate.
    bool check = false;
    int checkPoints = 5;                    // --check-points: 5 or 9
    std::optional<std::string> tolerance;   // --tolerance N or Nmm, parsed by the check
    std::optional<std::string> reportPath;  // --report FILE, "-" for standard output
    std::optional<std::string> screen;      // --screen: a screen's name or index, checked later
    bool verbose = false;
    // Toolkit options in their order, each followed by its value when it takes one.
    std::vector<std::string> toolkitArguments;
    // The value of -platform, when given: checked before the toolkit starts.
    std::optional<std::string> platform;
};

struct ParseOutcome {
    std::optional<CommandLine> commandLine;
    std::string error;  // one line naming the culprit when commandLine is empty
};

// `arguments` excludes the program's name.
ParseOutcome ParseCommandLine(const std::vector<std::string>& arguments, ToolkitOptions toolkit);

// Text of --help, ending in a newline.
std::string UsageText(std::string_view program);
// Text of --version, ending in a newline.
std::string VersionText();

// The screen named by --screen among the present ones: an index counted from 0 or a name
// compared exactly. Nothing when neither matches.
std::optional<std::size_t> FindScreen(const std::string& wanted,
                                      const std::vector<std::string>& screenNames);

}  // namespace norvessa
