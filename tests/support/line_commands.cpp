#include "line_commands.h"

namespace norvessa::support {

std::optional<std::string> LineBuffer::TakeLine() {
    const auto end = pending_.find('\n');
    if (end == std::string::npos)
        return std::nullopt;
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    return line;
}

std::optional<std::string> LineBuffer::NextLine(const std::function<bool()>& readMore) {
    for (;;) {
        if (std::optional<std::string> line = TakeLine())
            return line;
        if (!readMore())
            return std::nullopt;
    }
}

std::string LineCommands::Command(const std::string& line) {
    // An unsent command has no answer coming: reading one would take the next command's.
    if (!Send(line + "\n"))
        return "";
    return ReceiveLine().value_or("");
}

}  // namespace norvessa::support
