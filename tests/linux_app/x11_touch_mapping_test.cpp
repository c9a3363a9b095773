// The touch device's transformation matrix set on a real X server (Xvfb): its XTEST pointer
// takes it as a touch screen's device does; its XTEST keyboard shows the property but, having no
// axes, refuses a new matrix.

#include "calibration/linux/x11_touch_mapping.h"
#include "calibration/linux/xcb_support.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <QGuiApplication>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace norvessa::ui {
namespace {

class X11TouchMapping : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "no X display";
        connection.reset(xcb_connect(nullptr, nullptr));
        ASSERT_EQ(xcb_connection_has_error(connection.get()), 0);
        ReplyPtr<xcb_input_xi_query_version_reply_t>(xcb_input_xi_query_version_reply(
            connection.get(), xcb_input_xi_query_version(connection.get(), 2, 2), nullptr));
    }

    int DeviceId(const std::string& name) {
        ReplyPtr<xcb_input_xi_query_device_reply_t> reply(xcb_input_xi_query_device_reply(
            connection.get(), xcb_input_xi_query_device(connection.get(), XCB_INPUT_DEVICE_ALL),
            nullptr));
        if (!reply)
            return -1;
        for (auto it = xcb_input_xi_query_device_infos_iterator(reply.get()); it.rem > 0;
             xcb_input_xi_device_info_next(&it)) {
            const std::string deviceName(xcb_input_xi_device_info_name(it.data),
                                         xcb_input_xi_device_info_name_length(it.data));
            if (deviceName == name)
                return it.data->deviceid;
        }
        return -1;
    }

    // The matrix as the server holds it; empty unless it is nine 32-bit FLOATs.
    std::vector<float> Matrix(int device) {
        const char name[] = "Coordinate Transformation Matrix";
        ReplyPtr<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
            connection.get(), xcb_intern_atom(connection.get(), 1, sizeof name - 1, name),
            nullptr));
        ReplyPtr<xcb_intern_atom_reply_t> floatType(xcb_intern_atom_reply(
            connection.get(), xcb_intern_atom(connection.get(), 1, 5, "FLOAT"), nullptr));
        ReplyPtr<xcb_input_xi_get_property_reply_t> reply(xcb_input_xi_get_property_reply(
            connection.get(),
            xcb_input_xi_get_property(connection.get(), static_cast<std::uint16_t>(device), 0,
                                      atom->atom, XCB_ATOM_ANY, 0, 9),
            nullptr));
        if (!reply || reply->format != 32 || reply->type != floatType->atom ||
            reply->num_items != 9)
            return {};
        std::vector<float> matrix(9);
        std::memcpy(matrix.data(), xcb_input_xi_get_property_items(reply.get()), 9 * sizeof(float));
        return matrix;
    }

    OwnConnection connection;
};

TEST_F(X11TouchMapping, SetsTheMatrixOfTheDeviceAndHandsBackItsSnippet) {
    const int pointer = DeviceId("Virtual core XTEST pointer");
    ASSERT_GT(pointer, 1);
    std::string error;
    const auto mapping =
        MapTouchDeviceToMonitor(pointer, {1280, 0, 640, 480}, {1920, 1080}, &error);
    ASSERT_TRUE(mapping) << error;
    EXPECT_EQ(mapping->deviceName, "Virtual core XTEST pointer");
    const std::vector<float> expected = {static_cast<float>(1.0 / 3),
                                         0,
                                         static_cast<float>(2.0 / 3),
                                         0,
                                         static_cast<float>(4.0 / 9),
                                         0,
                                         0,
                                         0,
                                         1};
    EXPECT_EQ(Matrix(pointer), expected);
    EXPECT_EQ(std::vector<float>(mapping->matrix.begin(), mapping->matrix.end()), expected);
    EXPECT_NE(mapping->xorgSnippet.find("MatchProduct \"Virtual core XTEST pointer\""),
              std::string::npos);

    // Back onto the whole root: the identity the server started with.
    ASSERT_TRUE(MapTouchDeviceToMonitor(pointer, {0, 0, 1920, 1080}, {1920, 1080}, nullptr));
    EXPECT_EQ(Matrix(pointer), (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST_F(X11TouchMapping, RefusesDevicesThatTakeNoMatrixAndLeavesThemAlone) {
    const int keyboard = DeviceId("Virtual core XTEST keyboard");
    ASSERT_GT(keyboard, 1);
    const struct {
        std::int64_t device;
        const char* error;
    } cases[] = {
        {keyboard, "the X server refused the matrix of Virtual core XTEST keyboard (X error 8)"},
        {250, "no XInput device 250"},
        {0, "no XInput device 0"},
        {0x10000, "no XInput device 65536"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(MapTouchDeviceToMonitor(c.device, {0, 0, 960, 540}, {1920, 1080}, &error));
        EXPECT_EQ(error, c.error);
    }
    EXPECT_EQ(Matrix(keyboard), (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

// The check window calls it from the application, over the connection of Qt's xcb platform.
TEST_F(X11TouchMapping, WorksOverTheConnectionOfQtsXcbPlatform) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "norvessa_x11_touch_mapping_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    const int pointer = DeviceId("Virtual core XTEST pointer");
    std::string error;
    ASSERT_TRUE(MapTouchDeviceToMonitor(pointer, {0, 0, 960, 1080}, {1920, 1080}, &error)) << error;
    EXPECT_EQ(Matrix(pointer), (std::vector<float>{0.5f, 0, 0, 0, 1, 0, 0, 0, 1}));
    ASSERT_TRUE(MapTouchDeviceToMonitor(pointer, {0, 0, 1920, 1080}, {1920, 1080}, nullptr));
}

}  // namespace
}  // namespace norvessa::ui
