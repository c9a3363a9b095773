#include "named_pipe_peer.h"

#include <array>
#include <atomic>
#include <optional>
#include <stdexcept>
#include <vector>

namespace norvessa::sim {
namespace {

constexpr DWORD READ_BUFFER_SIZE = NamedPipePeer::READ_BUFFER_SIZE;
// Room for many replies the tool has not read yet.
constexpr DWORD OUTBOUND_BUFFER_SIZE = 64 * FRAME_SIZE;
// How often a write to a tool that does not read looks whether the peer is stopping.
constexpr DWORD STOP_POLL_MS = 50;
// The longest a touch waits for the serving thread, and a report in the pipe for its read.
constexpr DWORD FINGER_WAIT_MS = 1000;
constexpr auto FINGER_WAIT = std::chrono::milliseconds(FINGER_WAIT_MS);
// The longest a pause waits for the serving thread: generous, as Wine under load can leave
// that thread unscheduled for seconds.
constexpr auto PAUSE_WAIT = std::chrono::seconds(10);

std::wstring UniquePipeName() {
    static std::atomic<unsigned> counter{0};
    return L"\\\\.\\pipe\\norvessa-simulated-controller-" +
           std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

}  // namespace

NamedPipePeer::NamedPipePeer(DWORD inboundBufferSize)
    : path_(UniquePipeName()), wake_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    deviceHandle_.reset(::CreateNamedPipeW(
        path_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
        OUTBOUND_BUFFER_SIZE, inboundBufferSize, 0, nullptr));
    if (!deviceHandle_ || !wake_) {
        throw std::runtime_error("cannot create the simulated controller's pipe");
    }
    hostHandle_.reset(::CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!hostHandle_ || !::SetNamedPipeHandleState(hostHandle_.get(), &mode, nullptr, nullptr)) {
        throw std::runtime_error("cannot open the simulated controller's pipe");
    }
    // The tool's end is open already, so the connection completes at once.
    OVERLAPPED record{};
    UniqueKernelHandle connected = MakeManualResetEvent(false);
    record.hEvent = connected.get();
    if (!::ConnectNamedPipe(deviceHandle_.get(), &record)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_IO_PENDING) {
            DWORD unused = 0;
            ::CancelIoEx(deviceHandle_.get(), &record);
            ::GetOverlappedResult(deviceHandle_.get(), &record, &unused, TRUE);
        }
        if (error != ERROR_PIPE_CONNECTED) {
            throw std::runtime_error("the simulated controller's pipe did not connect");
        }
    }
    thread_ = std::thread([this] { Serve(); });
}

NamedPipePeer::~NamedPipePeer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    Wake();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void NamedPipePeer::FingerDown() {
    TellFinger(true);
}

void NamedPipePeer::FingerUp() {
    TellFinger(false);
}

void NamedPipePeer::TellFinger(bool down) {
    std::unique_lock lock(mutex_);
    fingerEvents_.emplace_back(down, Clock::now());
    const std::uint64_t told = ++fingerEventsTold_;
    lock.unlock();
    Wake();
    lock.lock();
    // A serving thread stuck writing to a tool that does not read must not hold the tool up
    // for long: the touch is then applied whenever that thread comes round.
    fingerApplied_.wait_for(lock, FINGER_WAIT, [&] { return fingerEventsApplied_ >= told; });
}

void NamedPipePeer::TakeWrittenReports(OverlappedOperation& read) {
    // The waiting read may hold a report the tool wrote already: settle it either way.
    if (const std::optional<DWORD> length = read.CancelAndCollect()) {
        OnReportRead(*length);
    }
    DWORD available = 0;
    while (::PeekNamedPipe(deviceHandle_.get(), nullptr, 0, nullptr, &available, nullptr) &&
           available > 0) {
        if (!read.StartRead(deviceHandle_.get(), buffer_.data(), READ_BUFFER_SIZE) ||
            ::WaitForSingleObject(read.event(), FINGER_WAIT_MS) != WAIT_OBJECT_0) {
            return;
        }
        if (const std::optional<DWORD> length = read.Collect()) {
            OnReportRead(*length);
        }
    }
}

void NamedPipePeer::ApplyFingerEvents() {
    {
        std::lock_guard lock(mutex_);
        for (const auto& [down, when] : fingerEvents_) {
            if (down) {
                controller_.FingerDown(when);
            } else {
                controller_.FingerUp(when);
            }
        }
        fingerEvents_.clear();
        fingerEventsApplied_ = fingerEventsTold_;
    }
    fingerApplied_.notify_all();
}

void NamedPipePeer::QueueReport(const ReplyFrame& report) {
    With([&](SimulatedController& c) { c.QueueReport(report, Clock::now()); });
    Wake();
}

bool NamedPipePeer::PauseReading(bool paused) {
    std::unique_lock lock(mutex_);
    paused_ = paused;
    const std::uint64_t told = ++pausesTold_;
    lock.unlock();
    Wake();
    if (!paused) {
        return true;
    }
    // Until the serving thread comes round, the read it has waiting would still take a frame.
    lock.lock();
    return pauseApplied_.wait_for(lock, PAUSE_WAIT, [&] { return pausesApplied_ >= told; });
}

void NamedPipePeer::Disconnect() {
    {
        std::lock_guard lock(mutex_);
        disconnected_ = true;
    }
    ::DisconnectNamedPipe(deviceHandle_.get());
    Wake();
}

bool NamedPipePeer::WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return receivedChanged_.wait_for(lock, timeout,
                                     [&] { return controller_.received().size() >= count; });
}

std::size_t NamedPipePeer::ReceivedCount() {
    std::lock_guard lock(mutex_);
    return controller_.received().size();
}

void NamedPipePeer::Serve() noexcept {
    OverlappedOperation read;
    for (;;) {
        bool stop = false;
        bool reading = false;
        bool touched = false;
        std::uint64_t pausesSeen = 0;
        {
            std::lock_guard lock(mutex_);
            stop = stop_;
            reading = !paused_ && !disconnected_;
            touched = !fingerEvents_.empty();
            pausesSeen = pausesTold_;
        }
        if (stop) {
            break;
        }
        if (touched) {
            if (reading) {
                TakeWrittenReports(read);
            }
            ApplyFingerEvents();
        }
        if (!reading && read.outstanding()) {
            // A report that arrived just before the pause still counts.
            if (const std::optional<DWORD> length = read.CancelAndCollect()) {
                OnReportRead(*length);
            }
        }
        {
            std::lock_guard lock(mutex_);
            pausesApplied_ = pausesSeen;
        }
        pauseApplied_.notify_all();
        if (reading && !read.outstanding()) {
            read.StartRead(deviceHandle_.get(), buffer_.data(), READ_BUFFER_SIZE);
        }
        const HANDLE handles[] = {wake_.get(), read.event()};
        const DWORD count = read.outstanding() ? 2 : 1;
        const DWORD woken =
            ::WaitForMultipleObjects(count, handles, FALSE, MillisecondsToNextReport());
        if (woken == WAIT_OBJECT_0 + 1) {
            if (const std::optional<DWORD> length = read.Collect()) {
                OnReportRead(*length);
            } else if (!read.outstanding()) {
                // The tool's end is gone: nothing more will arrive.
                std::lock_guard lock(mutex_);
                disconnected_ = true;
            }
        }
        SendDueReports();
    }
    read.CancelAndCollect();
}

void NamedPipePeer::OnReportRead(DWORD length) {
    {
        std::lock_guard lock(mutex_);
        controller_.OnOutputReport(std::span<const std::uint8_t>(buffer_.data(), length),
                                   Clock::now());
    }
    receivedChanged_.notify_all();
}

DWORD NamedPipePeer::MillisecondsToNextReport() {
    std::lock_guard lock(mutex_);
    const std::optional<Clock::time_point> due = controller_.NextDueTime();
    if (!due) {
        return INFINITE;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now());
    return wait.count() <= 0 ? 0 : static_cast<DWORD>(wait.count());
}

void NamedPipePeer::SendDueReports() {
    std::vector<ReplyFrame> due;
    {
        std::lock_guard lock(mutex_);
        if (disconnected_) {
            return;
        }
        while (std::optional<ReplyFrame> report = controller_.TakeDueReport(Clock::now())) {
            due.push_back(*report);
        }
    }
    for (const ReplyFrame& report : due) {
        OverlappedOperation write;
        if (!write.StartWrite(deviceHandle_.get(), report.data(),
                              static_cast<DWORD>(report.size()))) {
            return;
        }
        while (write.Wait(STOP_POLL_MS) == WAIT_TIMEOUT) {
            std::lock_guard lock(mutex_);
            if (stop_ || disconnected_) {
                return;  // the operation's destructor cancels and collects it
            }
        }
        write.Collect();
    }
}

}  // namespace norvessa::sim
