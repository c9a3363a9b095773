#include "uhid_device.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "hid_test_descriptors.h"

namespace norvessa::kernel {
namespace {

bool WriteEvent(int fd, const uhid_event& event) {
    return ::write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}

void CopyName(std::uint8_t* target, std::size_t size, const std::string& text) {
    std::memset(target, 0, size);
    std::memcpy(target, text.data(), std::min(text.size(), size - 1));
}

}  // namespace

std::optional<DeviceKind> ParseDeviceKind(const std::string& name) {
    for (DeviceKind kind :
         {DeviceKind::Controller, DeviceKind::Keyboard, DeviceKind::OtherId, DeviceKind::Wide,
          DeviceKind::TouchController, DeviceKind::TouchScreen}) {
        if (name == DeviceKindName(kind))
            return kind;
    }
    return std::nullopt;
}

const char* DeviceKindName(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::Controller:
            return "controller";
        case DeviceKind::Keyboard:
            return "keyboard";
        case DeviceKind::OtherId:
            return "otherid";
        case DeviceKind::Wide:
            return "wide";
        case DeviceKind::TouchController:
            return "touchcontroller";
        case DeviceKind::TouchScreen:
            return "touchscreen";
    }
    return "?";
}

std::vector<std::uint8_t> ReportDescriptor(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::Controller:
            return support::VendorCollection(0xAA, 63, 63);
        case DeviceKind::OtherId:
            return support::VendorCollection(0x55, 63, 63);
        case DeviceKind::Wide:
            return support::VendorCollection(0xAA, 64, 64);
        case DeviceKind::Keyboard:
            return support::BootKeyboard();
        case DeviceKind::TouchController:
            return support::TouchScreenWithController();
        case DeviceKind::TouchScreen:
            return support::MultitouchScreenWithController();
    }
    return {};
}

std::unique_ptr<UhidDevice> UhidDevice::Create(DeviceKind kind) {
    UniqueFd fd(::open("/dev/uhid", O_RDWR | O_CLOEXEC | O_NONBLOCK));
    if (!fd)
        return nullptr;
    auto event = std::make_unique<uhid_event>();
    std::memset(event.get(), 0, sizeof *event);
    event->type = UHID_CREATE2;
    auto& create = event->u.create2;
    CopyName(create.name, sizeof create.name, std::string("norvessa-test-") + DeviceKindName(kind));
    CopyName(create.phys, sizeof create.phys, std::string("norvessa/") + DeviceKindName(kind));
    // A uhid device has no USB parent: its serial number is the uniq text alone.
    CopyName(create.uniq, sizeof create.uniq, UniqText(kind));
    const auto descriptor = ReportDescriptor(kind);
    std::memcpy(create.rd_data, descriptor.data(), descriptor.size());
    create.rd_size = static_cast<std::uint16_t>(descriptor.size());
    create.bus = 0x03;  // USB
    create.vendor = 0x1209;
    create.product = 0x0001 + static_cast<std::uint32_t>(kind);
    create.version = 0x0100;
    if (!WriteEvent(fd.get(), *event))
        return nullptr;
    return std::unique_ptr<UhidDevice>(new UhidDevice(std::move(fd), kind));
}

UhidDevice::~UhidDevice() {
    uhid_event event{};
    event.type = UHID_DESTROY;
    WriteEvent(fd_.get(), event);
}

std::optional<OutputReport> UhidDevice::ReadEvent() {
    auto event = std::make_unique<uhid_event>();
    if (::read(fd_.get(), event.get(), sizeof *event) <= 0)
        return std::nullopt;
    // The kernel waits for these answers (hid-multitouch asks for the contact count maximum
    // while it binds); an unanswered one stalls the binding for seconds.
    if (event->type == UHID_GET_REPORT) {
        AnswerGetReport(event->u.get_report.id, event->u.get_report.rnum);
        return std::nullopt;
    }
    if (event->type == UHID_SET_REPORT) {
        AnswerSetReport(event->u.set_report.id);
        return std::nullopt;
    }
    if (event->type != UHID_OUTPUT)
        return std::nullopt;
    const auto& output = event->u.output;
    const std::size_t size = std::min<std::size_t>(output.size, sizeof output.data);
    return OutputReport{std::vector<std::uint8_t>(output.data, output.data + size)};
}

void UhidDevice::AnswerGetReport(std::uint32_t id, std::uint8_t reportNumber) {
    auto event = std::make_unique<uhid_event>();
    std::memset(event.get(), 0, sizeof *event);
    event->type = UHID_GET_REPORT_REPLY;
    auto& reply = event->u.get_report_reply;
    reply.id = id;
    if (kind_ == DeviceKind::TouchScreen && reportNumber == support::MT_FEATURE_REPORT_ID) {
        reply.data[0] = support::MT_FEATURE_REPORT_ID;
        reply.data[1] = 1;  // one contact at most
        reply.size = 2;
    } else {
        reply.err = EIO;
    }
    WriteEvent(fd_.get(), *event);
}

void UhidDevice::AnswerSetReport(std::uint32_t id) {
    auto event = std::make_unique<uhid_event>();
    std::memset(event.get(), 0, sizeof *event);
    event->type = UHID_SET_REPORT_REPLY;
    event->u.set_report_reply.id = id;
    WriteEvent(fd_.get(), *event);
}

bool UhidDevice::SendInput(std::span<const std::uint8_t> report) {
    auto event = std::make_unique<uhid_event>();
    std::memset(event.get(), 0, sizeof *event);
    event->type = UHID_INPUT2;
    const std::size_t size = std::min(report.size(), sizeof event->u.input2.data);
    std::memcpy(event->u.input2.data, report.data(), size);
    event->u.input2.size = static_cast<std::uint16_t>(size);
    return WriteEvent(fd_.get(), *event);
}

}  // namespace norvessa::kernel
