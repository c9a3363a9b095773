#pragma once
// The device program's command protocol, whatever carries it (a child's pipes on Linux, a
// loopback socket under Wine): one command line out, one answer line back.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace norvessa::support {

// Whole lines out of a byte stream that arrives in pieces of any size.
class LineBuffer {
  public:
    void Append(const char* bytes, std::size_t size) { pending_.append(bytes, size); }
    // The next whole line without its '\n'; nullopt while none is complete.
    std::optional<std::string> TakeLine();
    // The next whole line, calling `readMore` while none is complete. `readMore` appends what
    // arrives and returns false once nothing more will (the stream ended, the wait ran out).
    std::optional<std::string> NextLine(const std::function<bool()>& readMore);
    // What arrived and no line has taken yet.
    const std::string& pending() const { return pending_; }

  private:
    std::string pending_;
};

class LineCommands {
  public:
    LineCommands(const LineCommands&) = delete;
    LineCommands& operator=(const LineCommands&) = delete;

    // Sends one command and returns its one-line answer ("" when the other end is gone).
    std::string Command(const std::string& line);
    bool Ok(const std::string& line) { return Command(line) == "ok"; }

  protected:
    LineCommands() = default;
    virtual ~LineCommands() = default;

    // Writes all of `text`; false when it could not.
    virtual bool Send(const std::string& text) = 0;
    // The next line that came back; nullopt when the other end is gone.
    virtual std::optional<std::string> ReceiveLine() = 0;
};

}  // namespace norvessa::support
