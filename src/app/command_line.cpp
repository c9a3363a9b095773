// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "version.h"

namespace norvessa {
namespace {

constexpr std::array<int, 7> CALIBRATION_COUNTS = {4, 9, 12, 15, 16, 20, 25};

// Qt's options that only shape how the window system is reached or drawn. Options that make
// Qt quit or print on its own (-help of a plugin, -qmljsdebugger) are not among them.
constexpr std::array<std::string_view, 10> TOOLKIT_OPTIONS_WITH_VALUE = {
    "-platform",   "-platformpluginpath", "-platformtheme", "-plugin",      "-style",
    "-stylesheet", "-qwindowgeometry",    "-qwindowtitle",  "-qwindowicon", "-display",
};
constexpr std::array<std::string_view, 4> TOOLKIT_FLAGS = {"-reverse", "-nograb", "-dograb",
                                                           "-sync"};

template <std::size_t N>
bool IsOneOf(std::string_view word, const std::array<std::string_view, N>& words) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

std::optional<int> CalibrationCount(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() ||
        std::find(CALIBRATION_COUNTS.begin(), CALIBRATION_COUNTS.end(), value) ==
            CALIBRATION_COUNTS.end()) {
        return std::nullopt;
    }
    return value;
}

// Walks the arguments once; the first fault ends the walk.
class Parser {
  public:
    Parser(const std::vector<std::string>& arguments, ToolkitOptions toolkit)
        : arguments_(arguments), toolkit_(toolkit) {}

    ParseOutcome Parse() {
        while (next_ < arguments_.size() && error_.empty()) {
            Take(arguments_[next_++]);
        }
        if (!error_.empty()) {
            return {std::nullopt, error_};
        }
        // --help and --version answer whatever else stands beside them.
        if (help_) {
            result_.command = Command::Help;
        } else if (version_) {
            result_.command = Command::Version;
        } else if (commands_.size() > 1) {
            return {std::nullopt, commands_[0] + " and " + commands_[1] + " cannot be combined"};
        } else if (const std::string fault = CheckFault(); !fault.empty()) {
            return {std::nullopt, fault};
        }
        if (result_.check && result_.command == Command::OpenDialog) {
            result_.command = Command::Check;
        }
        return {result_, {}};
    }

  private:
    // --check stands alone or follows --calibrate; its options need it.
    std::string CheckFault() const {
        if (result_.check && !commands_.empty() && result_.command != Command::Calibrate) {
            return "--check and " + commands_[0] + " cannot be combined";
        }
        if (!result_.check && !checkOption_.empty()) {
            return checkOption_ + " needs --check";
        }
        return {};
    }

    void Take(const std::string& argument) {
        if (argument == "-h" || argument == "--help") {
            help_ = true;
        } else if (argument == "--version") {
            version_ = true;
        } else if (argument == "--list") {
            SetCommand(Command::List, argument);
        } else if (argument == "--reset") {
            SetCommand(Command::Reset, argument);
        } else if (argument == "--verbose") {
            result_.verbose = true;
        } else if (argument == "--check") {
            result_.check = true;
        } else if (IsOption(argument, "--check-points")) {
            TakeCheckPoints(argument);
        } else if (IsOption(argument, "--tolerance")) {
            if (const std::optional<std::string> value = Value(argument, "--tolerance")) {
                checkOption_ = "--tolerance";
                result_.tolerance = *value;
            }
        } else if (IsOption(argument, "--report")) {
            if (const std::optional<std::string> value = Value(argument, "--report")) {
                checkOption_ = "--report";
                result_.reportPath = *value;
            }
        } else if (IsOption(argument, "--calibrate")) {
            TakeCalibrate(argument);
        } else if (IsOption(argument, "--screen")) {
            if (const std::optional<std::string> value = Value(argument, "--screen")) {
                result_.screen = *value;
            }
        } else if (toolkit_ == ToolkitOptions::PassedOn && IsToolkitOption(argument)) {
            TakeToolkitOption(argument);
        } else if (argument.size() > 1 && argument[0] == '-') {
            error_ = "unknown option '" + argument + "'";
        } else {
            error_ = "unexpected argument '" + argument + "'";
        }
    }

    void SetCommand(Command command, const std::string& name) {
        // Naming the same command twice is harmless; two different ones are not.
        if (std::find(commands_.begin(), commands_.end(), name) == commands_.end()) {
            commands_.push_back(name);
        }
        result_.command = command;
    }

    static bool IsOption(const std::string& argument, std::string_view name) {
        return argument == name ||
               (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 &&
                argument[name.size()] == '=');
    }

    // The value of "--name=value" or of "--name value".
    std::optional<std::string> Value(const std::string& argument, std::string_view name) {
        if (argument.size() > name.size()) {
            std::string value = argument.substr(name.size() + 1);
            if (!value.empty()) {
                return value;
            }
        } else if (next_ < arguments_.size()) {
            return arguments_[next_++];
        }
        error_ = "option '" + std::string(name) + "' needs a value";
        return std::nullopt;
    }

    void TakeCalibrate(const std::string& argument) {
        const std::optional<std::string> value = Value(argument, "--calibrate");
        if (!value) {
            return;
        }
        const std::optional<int> count = CalibrationCount(*value);
        if (!count) {
            error_ = "--calibrate takes 4, 9, 12, 15, 16, 20 or 25 points, not '" + *value + "'";
            return;
        }
        SetCommand(Command::Calibrate, "--calibrate");
        result_.calibrationPoints = *count;
    }

    void TakeCheckPoints(const std::string& argument) {
        const std::optional<std::string> value = Value(argument, "--check-points");
        if (!value) {
            return;
        }
        if (*value != "5" && *value != "9") {
            error_ = "--check-points takes 5 or 9 points, not '" + *value + "'";
            return;
        }
        checkOption_ = "--check-points";
        result_.checkPoints = *value == "5" ? 5 : 9;
    }

    static bool IsToolkitOption(const std::string& argument) {
        return IsOneOf(argument, TOOLKIT_OPTIONS_WITH_VALUE) || IsOneOf(argument, TOOLKIT_FLAGS);
    }

    void TakeToolkitOption(const std::string& argument) {
        result_.toolkitArguments.push_back(argument);
        if (IsOneOf(argument, TOOLKIT_FLAGS)) {
            return;
        }
        if (next_ >= arguments_.size()) {
            error_ = "option '" + argument + "' needs a value";
            return;
        }
        const std::string& value = arguments_[next_++];
        result_.toolkitArguments.push_back(value);
        if (argument == "-platform") {
            result_.platform = value;
        }
    }

    const std::vector<std::string>& arguments_;
    ToolkitOptions toolkit_;
    std::size_t next_ = 0;
    CommandLine result_;
    std::vector<std::string> commands_;
    std::string error_;
    std::string checkOption_;  // the last option that only a check takes
    bool help_ = false;
    bool version_ = false;
};

}  // namespace

ParseOutcome ParseCommandLine(const std::vector<std::string>& arguments, ToolkitOptions toolkit) {
    return Parser(arguments, toolkit).Parse();
}

std::string UsageText(std::string_view program) {
    std::string text = "Usage: " + std::string(program) + " [OPTION]...\n";
    text +=
        "Calibrates a touch screen driven by a USB HID touch controller. With no option the\n"
        "main window opens.\n"
        "\n"
        "  --calibrate N        start an N-point calibration at once (N: 4, 9, 12, 15, 16, 20\n"
        "                       or 25); exit code 0 when it succeeds, 1 when it fails or is\n"
        "                       cancelled, 3 when the controller is not responding, 4 without\n"
        "                       a controller\n"
        "  --check              check the calibration at the glass: touch each check point;\n"
        "                       after --calibrate N, once the calibration succeeded. Exit\n"
        "                       code 0 passed, 6 failed, 7 cancelled or timed out\n"
        "  --check-points N     5 (the default) or 9 check points\n"
        "  --tolerance N|Nmm    the largest error that passes, in pixels or millimetres\n"
        "                       (default: 1 % of the screen's diagonal)\n"
        "  --report FILE        write the check's report as JSON to FILE (- for standard\n"
        "                       output)\n"
        "  --screen NAME|INDEX  the screen the windows open on: a screen's name or its index\n"
        "                       counted from 0\n"
        "  --list               list every HID interface searched and say why it is or is not\n"
        "                       the controller; exit code 0 when a controller is present, 1\n"
        "                       when not\n"
        "  --reset              reset the controller's calibration without a window and print\n"
        "                       the outcome; exit code 0 reset succeeded, 1 reset failed, 3 no\n"
        "                       reply (or not responding), 4 no controller, 5 no verdict\n"
        "  --verbose            also log the controller link's debug messages\n"
        "  -h, --help           show this help and exit\n"
        "  --version            show the version and exit\n"
        "\n"
        "The Linux build hands Qt's window-system options on to Qt: -platform NAME,\n"
        "-platformpluginpath DIR, -platformtheme NAME, -plugin NAME, -style NAME,\n"
        "-stylesheet FILE, -qwindowgeometry GEOMETRY, -qwindowtitle TITLE, -qwindowicon FILE,\n"
        "-display DISPLAY, -reverse, -nograb, -dograb, -sync.\n"
        "\n"
        "A wrong command line ends with exit code 2.\n";
    return text;
}

std::string VersionText() {
    return std::string("Norvessa ") + NORVESSA_VERSION_STRING + "\n";
}

std::optional<std::size_t> FindScreen(const std::string& wanted,
                                      const std::vector<std::string>& screenNames) {
    const auto byName = std::find(screenNames.begin(), screenNames.end(), wanted);
    if (byName != screenNames.end()) {
        return static_cast<std::size_t>(byName - screenNames.begin());
    }
    std::size_t index = 0;
    const auto [end, error] = std::from_chars(wanted.data(), wanted.data() + wanted.size(), index);
    if (error == std::errc() && end == wanted.data() + wanted.size() && !wanted.empty() &&
        index < screenNames.size()) {
        return index;
    }
    return std::nullopt;
}

}  // namespace norvessa
