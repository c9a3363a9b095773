#include "calibration/linux/wayland_outputs.h"

#include <wayland-client.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

namespace norvessa::ui {
namespace {

// wl_output version 4 adds the output's name.
constexpr std::uint32_t OUTPUT_VERSION = 4;

struct OutputRecord {
    wl_output* proxy = nullptr;
    DisplayOutput output;
    std::int32_t transform = WL_OUTPUT_TRANSFORM_NORMAL;
};

struct DisplayDeleter {
    void operator()(wl_display* display) const { wl_display_disconnect(display); }
};

// The registry and the outputs bound through it, released before their display.
class OutputRegistry {
  public:
    explicit OutputRegistry(wl_display* display) : registry_(wl_display_get_registry(display)) {
        wl_registry_add_listener(registry_, &REGISTRY_LISTENER, this);
    }
    OutputRegistry(const OutputRegistry&) = delete;
    OutputRegistry& operator=(const OutputRegistry&) = delete;
    ~OutputRegistry() {
        for (const std::unique_ptr<OutputRecord>& record : records_) {
            wl_output_destroy(record->proxy);
        }
        wl_registry_destroy(registry_);
    }

    std::vector<DisplayOutput> Outputs() const {
        std::vector<DisplayOutput> outputs;
        for (const std::unique_ptr<OutputRecord>& record : records_) {
            DisplayOutput output = record->output;
            // A mode is reported as the output scans it out; turned a quarter, its sides swap.
            if (record->transform % 2 == 1) {
                std::swap(output.mode.width, output.mode.height);
            }
            outputs.push_back(std::move(output));
        }
        return outputs;
    }

  private:
    static void Global(void* data, wl_registry* registry, std::uint32_t id, const char* interface,
                       std::uint32_t version) {
        if (std::strcmp(interface, wl_output_interface.name) != 0) {
            return;
        }
        auto* self = static_cast<OutputRegistry*>(data);
        auto record = std::make_unique<OutputRecord>();
        record->proxy = static_cast<wl_output*>(
            wl_registry_bind(registry, id, &wl_output_interface,
                             version < OUTPUT_VERSION ? version : OUTPUT_VERSION));
        wl_output_add_listener(record->proxy, &OUTPUT_LISTENER, record.get());
        self->records_.push_back(std::move(record));
    }
    static void GlobalRemove(void*, wl_registry*, std::uint32_t) {}

    static void Geometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t,
                         std::int32_t, std::int32_t, const char*, const char*,
                         std::int32_t transform) {
        auto* record = static_cast<OutputRecord*>(data);
        record->output.position = {x, y};
        record->transform = transform;
    }
    static void Mode(void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                     std::int32_t height, std::int32_t) {
        if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) {
            static_cast<OutputRecord*>(data)->output.mode = {width, height};
        }
    }
    static void Done(void*, wl_output*) {}
    static void Scale(void*, wl_output*, std::int32_t) {}
    static void Name(void* data, wl_output*, const char* name) {
        static_cast<OutputRecord*>(data)->output.name = name;
    }
    static void Description(void*, wl_output*, const char*) {}

    static constexpr wl_registry_listener REGISTRY_LISTENER{&Global, &GlobalRemove};
    static constexpr wl_output_listener OUTPUT_LISTENER{&Geometry, &Mode, &Done,
                                                        &Scale,    &Name, &Description};

    wl_registry* registry_;
    std::vector<std::unique_ptr<OutputRecord>> records_;
};

}  // namespace

std::vector<DisplayOutput> WaylandOutputs() {
    // WAYLAND_SOCKET hands one connection to one client (the toolkit's); only a named display
    // may be connected to again.
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (name == nullptr || *name == '\0' || std::getenv("WAYLAND_SOCKET") != nullptr) {
        return {};
    }
    const std::unique_ptr<wl_display, DisplayDeleter> display(wl_display_connect(name));
    if (!display) {
        return {};
    }
    OutputRegistry registry(display.get());
    // The first round trip announces the outputs, the second brings their properties.
    if (wl_display_roundtrip(display.get()) < 0 || wl_display_roundtrip(display.get()) < 0) {
        return {};
    }
    return registry.Outputs();
}

}  // namespace norvessa::ui
