#include "controller/controller_link.h"

#include <new>

namespace norvessa {

bool IsControllerInterface(const OpenedInterface& device) {
    return IsController(!device.path().empty(), device.caps(), device.outputTable());
}

ControllerLink::ControllerLink(HidPlatform& platform, ControllerEvents events)
    : platform_(platform), events_(std::move(events)) {}

ControllerLink::~ControllerLink() = default;

std::unique_ptr<OpenedInterface> ControllerLink::SearchPresent() {
    try {
        const std::optional<std::vector<std::string>> paths = platform_.EnumeratePresent();
        if (!paths) {
            return nullptr;
        }
        for (const std::string& path : *paths) {
            std::unique_ptr<OpenedInterface> device = platform_.Open(path);
            if (device && IsControllerInterface(*device)) {
                return device;
            }
            // Not the controller: closed here as `device` goes out of scope.
        }
    } catch (const std::bad_alloc&) {
        // An allocation that fails during the search ends it with no controller found.
    }
    return nullptr;
}

bool ControllerLink::FindController() {
    if (!current_) {
        MakeCurrent(SearchPresent());
    }
    Notify();
    return hasController();
}

ArrivalResult ControllerLink::OnArrival(const std::string& path) {
    std::unique_ptr<OpenedInterface> device;
    try {
        device = platform_.Open(path);
    } catch (const std::bad_alloc&) {
        return ArrivalResult::Ignored;
    }
    if (!device) {
        return ArrivalResult::Ignored;
    }
    if (!IsControllerInterface(*device)) {
        return ArrivalResult::NotController;
    }
    if (current_) {
        if (current_->IsAlive()) {
            // One controller at a time: the one in use stays, the newcomer is closed again.
            return ArrivalResult::AlreadyHaveController;
        }
        // Its removal was missed: a dead controller must not keep a live one out.
        ReleaseCurrent();
        MakeCurrent(std::move(device));
        Notify();
        return ArrivalResult::ReplacedDeadController;
    }
    MakeCurrent(std::move(device));
    Notify();
    return ArrivalResult::BecameCurrent;
}

RemovalResult ControllerLink::OnRemoval(const std::string& path) {
    if (!current_ || !platform_.SamePath(current_->path(), path)) {
        return RemovalResult::Ignored;
    }
    ReleaseCurrent();
    // Another controller may still be present.
    MakeCurrent(SearchPresent());
    Notify();
    return current_ ? RemovalResult::Replaced : RemovalResult::Released;
}

bool ControllerLink::OnCurrentGone() {
    if (!current_) {
        return false;
    }
    ReleaseCurrent();
    MakeCurrent(SearchPresent());
    Notify();
    return true;
}

void ControllerLink::Release() {
    // Only at the main window's end: its buttons are going away, so nobody is told.
    if (current_) {
        ReleaseCurrent();
    }
}

bool ControllerLink::Adopt(std::unique_ptr<OpenedInterface> device) {
    if (current_ || !device) {
        return false;
    }
    MakeCurrent(std::move(device));
    Notify();
    return true;
}

void ControllerLink::MakeCurrent(std::unique_ptr<OpenedInterface> device) {
    current_ = std::move(device);
}

void ControllerLink::ReleaseCurrent() {
    if (events_.releasing) {
        events_.releasing(*current_);
    }
    current_.reset();
}

void ControllerLink::Notify() {
    if (events_.changed) {
        events_.changed(current_.get());
    }
}

}  // namespace norvessa
