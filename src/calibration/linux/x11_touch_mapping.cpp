#include "calibration/linux/x11_touch_mapping.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <algorithm>

#include "calibration/linux/xcb_support.h"
#include "calibration/touch_mapping.h"

namespace norvessa::ui {
namespace {

// A connection of our own must announce XInput 2 before its requests are taken.
OwnConnection ConnectToDisplay() {
    OwnConnection connection(xcb_connect(nullptr, nullptr));
    if (xcb_connection_has_error(connection.get()) != 0) {
        return nullptr;
    }
    const ReplyPtr<xcb_input_xi_query_version_reply_t> version(xcb_input_xi_query_version_reply(
        connection.get(), xcb_input_xi_query_version(connection.get(), 2, 2), nullptr));
    return version && version->major_version >= 2 ? std::move(connection) : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, const std::string& name) {
    const ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(name.size()), name.data()),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::optional<std::string> DeviceName(xcb_connection_t* connection, xcb_input_device_id_t id) {
    const ReplyPtr<xcb_input_xi_query_device_reply_t> reply(xcb_input_xi_query_device_reply(
        connection, xcb_input_xi_query_device(connection, id), nullptr));
    if (!reply || xcb_input_xi_query_device_infos_length(reply.get()) < 1) {
        return std::nullopt;
    }
    xcb_input_xi_device_info_t* info = xcb_input_xi_query_device_infos_iterator(reply.get()).data;
    return std::string(xcb_input_xi_device_info_name(info),
                       static_cast<std::size_t>(xcb_input_xi_device_info_name_length(info)));
}

bool HasProperty(xcb_connection_t* connection, xcb_input_device_id_t id, xcb_atom_t property) {
    const ReplyPtr<xcb_input_xi_list_properties_reply_t> reply(xcb_input_xi_list_properties_reply(
        connection, xcb_input_xi_list_properties(connection, id), nullptr));
    if (!reply) {
        return false;
    }
    const xcb_atom_t* atoms = xcb_input_xi_list_properties_properties(reply.get());
    const int count = xcb_input_xi_list_properties_properties_length(reply.get());
    return std::find(atoms, atoms + count, property) != atoms + count;
}

std::optional<TouchMapping> MapOn(xcb_connection_t* connection, xcb_input_device_id_t id,
                                  PixelRect monitor, PixelSize root, std::string& error) {
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection, &xcb_input_id);
    if (extension == nullptr || extension->present == 0) {
        error = "the X server has no XInput extension";
        return std::nullopt;
    }
    std::optional<std::string> name = DeviceName(connection, id);
    if (!name) {
        error = "no XInput device " + std::to_string(id);
        return std::nullopt;
    }
    const xcb_atom_t property = Atom(connection, "Coordinate Transformation Matrix");
    const xcb_atom_t floatType = Atom(connection, "FLOAT");
    if (property == XCB_ATOM_NONE || floatType == XCB_ATOM_NONE ||
        !HasProperty(connection, id, property)) {
        error = "XInput device " + *name + " has no Coordinate Transformation Matrix";
        return std::nullopt;
    }
    const std::array<float, 9> matrix = TransformationMatrixFor(monitor, root);
    const ReplyPtr<xcb_generic_error_t> refused(xcb_request_check(
        connection,
        xcb_input_xi_change_property_checked(connection, id, XCB_PROP_MODE_REPLACE, 32, property,
                                             floatType, matrix.size(), matrix.data())));
    if (refused) {
        error = "the X server refused the matrix of " + *name + " (X error " +
                std::to_string(refused->error_code) + ")";
        return std::nullopt;
    }
    std::string snippet = XorgSnippetFor(*name, matrix);
    return TouchMapping{std::move(*name), matrix, std::move(snippet)};
}

}  // namespace

std::optional<TouchMapping> MapTouchDeviceToMonitor(std::int64_t xinputDeviceId,
                                                    PixelRect monitorInRootPixels,
                                                    PixelSize rootSize, std::string* error) {
    std::string why;
    std::optional<TouchMapping> mapping;
    OwnConnection own;
    xcb_connection_t* connection = QtConnection();
    if (connection == nullptr) {
        own = ConnectToDisplay();
        connection = own.get();
    }
    // XI2 device ids are 16 bits; 0 and 1 stand for all devices and all master devices.
    if (xinputDeviceId < 2 || xinputDeviceId > 0xFFFF) {
        why = "no XInput device " + std::to_string(xinputDeviceId);
    } else if (connection == nullptr) {
        why = "no X server with XInput 2";
    } else {
        mapping = MapOn(connection, static_cast<xcb_input_device_id_t>(xinputDeviceId),
                        monitorInRootPixels, rootSize, why);
    }
    if (!mapping && error != nullptr) {
        *error = why;
    }
    return mapping;
}

}  // namespace norvessa::ui
