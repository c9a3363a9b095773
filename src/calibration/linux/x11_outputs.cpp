#include "calibration/linux/x11_outputs.h"

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <string>

#include "calibration/linux/xcb_support.h"

namespace norvessa::ui {
namespace {

bool HasRandr(xcb_connection_t* connection) {
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection, &xcb_randr_id);
    return extension != nullptr && extension->present != 0;
}

std::string OutputName(xcb_randr_get_output_info_reply_t* info) {
    return std::string(reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info)),
                       static_cast<std::size_t>(xcb_randr_get_output_info_name_length(info)));
}

void AddScreenOutputs(xcb_connection_t* connection, xcb_window_t root,
                      std::vector<DisplayOutput>& outputs) {
    const ReplyPtr<xcb_randr_get_screen_resources_current_reply_t> resources(
        xcb_randr_get_screen_resources_current_reply(
            connection, xcb_randr_get_screen_resources_current(connection, root), nullptr));
    if (!resources) {
        return;
    }
    const xcb_timestamp_t stamp = resources->config_timestamp;
    const xcb_randr_output_t* ids = xcb_randr_get_screen_resources_current_outputs(resources.get());
    const int count = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
    for (int i = 0; i < count; ++i) {
        const ReplyPtr<xcb_randr_get_output_info_reply_t> info(xcb_randr_get_output_info_reply(
            connection, xcb_randr_get_output_info(connection, ids[i], stamp), nullptr));
        if (!info || info->crtc == XCB_NONE) {
            continue;  // not shown: no CRTC scans it out
        }
        const ReplyPtr<xcb_randr_get_crtc_info_reply_t> crtc(xcb_randr_get_crtc_info_reply(
            connection, xcb_randr_get_crtc_info(connection, info->crtc, stamp), nullptr));
        if (!crtc) {
            continue;
        }
        // A CRTC's size is its area of the root window: already turned by its rotation.
        outputs.push_back(
            {OutputName(info.get()), {crtc->x, crtc->y}, {crtc->width, crtc->height}});
    }
}

}  // namespace

std::vector<DisplayOutput> X11Outputs() {
    xcb_connection_t* connection = QtConnection();
    if (connection == nullptr || !HasRandr(connection)) {
        return {};
    }
    std::vector<DisplayOutput> outputs;
    for (xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(connection));
         screen.rem > 0; xcb_screen_next(&screen)) {
        AddScreenOutputs(connection, screen.data->root, outputs);
    }
    return outputs;
}

}  // namespace norvessa::ui
