#pragma once
// Finding the touch controller among the present HID interfaces and following interfaces
// that arrive and go away. One controller is current at a time. The platform supplies the
// enumeration and the opening of one interface; this logic decides which one is current.

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "controller/controller_match.h"
#include "controller/interface_identity.h"
#include "hid/output_table.h"

namespace norvessa {

// One opened HID interface with its description, as the discovery logic sees it.
// Destroying it closes the interface and gives back everything it holds.
class OpenedInterface {
  public:
    virtual ~OpenedInterface() = default;
    virtual const std::string& path() const = 0;
    virtual const HidCaps& caps() const = 0;
    virtual std::span<const OutputDataEntry> outputTable() const = 0;
    // False once the interface is known to be gone (its node or device no longer there, or a
    // probe of its handle failing with the device-gone error). Used when a removal may have
    // been missed; an interface that cannot tell says it is alive.
    virtual bool IsAlive() const { return true; }
    // Vendor, product, serial number and port, as far as the platform tells them.
    virtual InterfaceIdentity identity() const { return {}; }
};

class HidPlatform {
  public:
    virtual ~HidPlatform() = default;
    // Paths of the present HID interfaces in enumeration order; nullopt when the platform
    // refused to enumerate at all.
    virtual std::optional<std::vector<std::string>> EnumeratePresent() = 0;
    // Opens and describes one interface; null when it cannot be opened or described.
    virtual std::unique_ptr<OpenedInterface> Open(const std::string& path) = 0;
    // Whether two paths name the same interface (Windows compares without case).
    virtual bool SamePath(const std::string& a, const std::string& b) const = 0;
};

// What the user interface hears from the link. All are called on the thread that drives
// the link, in the order given.
struct ControllerEvents {
    // The current controller is about to be closed: stop everything that uses its handle.
    std::function<void(OpenedInterface& leaving)> releasing;
    // The controller that is now current, or null when there is none.
    std::function<void(OpenedInterface* current)> changed;
};

enum class ArrivalResult {
    Ignored,
    NotController,
    BecameCurrent,
    AlreadyHaveController,
    ReplacedDeadController,  // the current one was gone without a removal; the newcomer took over
};
enum class RemovalResult { Ignored, Released, Replaced };

bool IsControllerInterface(const OpenedInterface& device);

class ControllerLink {
  public:
    ControllerLink(HidPlatform& platform, ControllerEvents events);
    ~ControllerLink();
    ControllerLink(const ControllerLink&) = delete;
    ControllerLink& operator=(const ControllerLink&) = delete;

    // Searches every present interface in enumeration order; the first controller wins.
    // Reports the outcome through `changed`. True when a controller became current.
    bool FindController();
    // A new interface appeared at `path`.
    ArrivalResult OnArrival(const std::string& path);
    // The interface at `path` went away. Only the current controller's own removal
    // releases it; another controller present then becomes current.
    RemovalResult OnRemoval(const std::string& path);
    // A read or write on the current controller failed with the device-gone error: release it
    // as its removal would, and search the present interfaces again. False when none was current.
    bool OnCurrentGone();
    // Releases the current controller when the main window goes away; `releasing` is
    // called, `changed` is not (the buttons are gone with the window).
    void Release();
    // Makes an interface that someone else opened current, as a found controller is, without
    // the match test: the seam through which a simulated controller is installed. Reported
    // through `changed`. False, and `device` closed, when a controller is current already.
    bool Adopt(std::unique_ptr<OpenedInterface> device);

    OpenedInterface* current() const { return current_.get(); }
    bool hasController() const { return current_ != nullptr; }

  private:
    std::unique_ptr<OpenedInterface> SearchPresent();
    void MakeCurrent(std::unique_ptr<OpenedInterface> device);
    void ReleaseCurrent();
    void Notify();

    HidPlatform& platform_;
    ControllerEvents events_;
    std::unique_ptr<OpenedInterface> current_;
};

}  // namespace norvessa
