// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb/emulated_usb_device.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// <linux/usbdevice_fs.h> needs the ioctl macros first.
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

namespace dspprog::testing {

namespace {

constexpr std::size_t kSignalChunk = 4096;

usbdevfs_urb& UrbOf(UMockdevIoctlData* data) {
    return *reinterpret_cast<usbdevfs_urb*>(data->data);
}

void Complete(UMockdevIoctlClient* client, long result, int error) {
    umockdev_ioctl_client_complete(client, result, error);
}

// A string descriptor: length, type 3, the text in UTF-16LE (ASCII here).
std::vector<std::uint8_t> StringDescriptor(const std::string& text) {
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(2 + 2 * text.size()), 3};
    for (char c : text) out.insert(out.end(), {static_cast<std::uint8_t>(c), 0});
    return out;
}

}  // namespace

EmulatedUsbDevice::EmulatedUsbDevice(UsbDeviceSpec spec, emu::Firmware* firmware)
    : spec_(std::move(spec)), firmware_(firmware), handler_(umockdev_ioctl_base_new()) {
    if (!spec_.interfaces.empty()) {
        const auto& endpoints = spec_.interfaces.front().endpoints;
        for (std::size_t i = 0; i < endpoints.size() && i < emu::kPipeCount; ++i)
            roles_[endpoints[i].address] = static_cast<emu::PipeRole>(i);
    }
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&EmulatedUsbDevice::HandleIoctl), this);
    g_signal_connect(handler_, "client-connected", G_CALLBACK(&EmulatedUsbDevice::ClientConnected),
                     this);
    g_signal_connect(handler_, "client-vanished", G_CALLBACK(&EmulatedUsbDevice::ClientVanished),
                     this);
}

EmulatedUsbDevice::~EmulatedUsbDevice() {
    g_signal_handlers_disconnect_by_data(handler_, this);
    for (Urb& urb : pending_) Forget(urb);
    for (Urb& urb : finished_) Forget(urb);
    g_object_unref(handler_);
    if (signal_fd_ >= 0) close(signal_fd_);
}

void EmulatedUsbDevice::UseSignalNode(const std::string& node_path) {
    std::lock_guard lock(mutex_);
    unlink(node_path.c_str());
    if (mkfifo(node_path.c_str(), 0666) != 0) return;
    signal_fd_ = open(node_path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (signal_fd_ < 0) return;
    // Full: not writable, so the host's poll sleeps.
    const char chunk[kSignalChunk] = {};
    while (write(signal_fd_, chunk, sizeof chunk) == static_cast<ssize_t>(sizeof chunk)) {
    }
    signalled_ = false;
    UpdateSignal();
}

void EmulatedUsbDevice::UpdateSignal() {
    if (signal_fd_ < 0) return;
    char chunk[kSignalChunk] = {};
    const bool due = !finished_.empty();
    if (due && !signalled_) {
        signalled_ = read(signal_fd_, chunk, sizeof chunk) > 0;
    } else if (!due && signalled_) {
        signalled_ = write(signal_fd_, chunk, sizeof chunk) != static_cast<ssize_t>(sizeof chunk);
    }
}

int EmulatedUsbDevice::HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    return static_cast<EmulatedUsbDevice*>(self)->Ioctl(client) ? TRUE : FALSE;
}

void EmulatedUsbDevice::ClientConnected(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self) {
    auto* device = static_cast<EmulatedUsbDevice*>(self);
    std::lock_guard lock(device->mutex_);
    ++device->counts_.opens;
}

void EmulatedUsbDevice::ClientVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                                       void* self) {
    // The node was closed: whatever that host left behind goes with it.
    auto* device = static_cast<EmulatedUsbDevice*>(self);
    std::lock_guard lock(device->mutex_);
    for (auto* queue : {&device->pending_, &device->finished_, &device->held_}) {
        for (auto it = queue->begin(); it != queue->end();) {
            if (it->client != client) {
                ++it;
                continue;
            }
            device->Forget(*it);
            it = queue->erase(it);
        }
    }
    device->UpdateSignal();
}

bool EmulatedUsbDevice::Ioctl(UMockdevIoctlClient* client) {
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* argument = umockdev_ioctl_client_get_arg(client);
    std::lock_guard lock(mutex_);

    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            if (gone_) break;
            UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(argument, 0, 4, nullptr);
            const std::uint32_t value = USBDEVFS_CAP_BULK_CONTINUATION |
                                        USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_ZERO_PACKET;
            std::memcpy(caps->data, &value, sizeof value);
            g_object_unref(caps);
            Complete(client, 0, 0);
            return true;
        }
        case USBDEVFS_CLAIMINTERFACE:
            if (gone_) break;
            if (refuse_claims_) {
                Complete(client, -1, EBUSY);
                return true;
            }
            ++counts_.claims;
            Complete(client, 0, 0);
            return true;
        case USBDEVFS_RELEASEINTERFACE:
            if (gone_) break;
            ++counts_.releases;
            Complete(client, 0, 0);
            return true;
        case USBDEVFS_CLEAR_HALT: {
            if (gone_) break;
            UMockdevIoctlData* endpoint = umockdev_ioctl_data_resolve(argument, 0, 4, nullptr);
            std::uint32_t value = 0;
            std::memcpy(&value, endpoint->data, sizeof value);
            g_object_unref(endpoint);
            ++counts_.clear_halts[static_cast<std::uint8_t>(value)];
            Complete(client, 0, 0);
            return true;
        }
        case USBDEVFS_RESET:
        case USBDEVFS_RESETEP:
            if (gone_) break;
            Complete(client, 0, 0);
            return true;
        case USBDEVFS_SUBMITURB:
            if (gone_) break;
            Submit(client, argument);
            return true;
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            Reap(client, argument);
            return true;
        case USBDEVFS_DISCARDURB: {
            std::uint64_t address = 0;
            std::memcpy(&address, argument->data, sizeof(void*));
            Discard(client, address);
            return true;
        }
        default:
            return false;
    }
    // Asked of a device that has gone.
    Complete(client, -1, ENODEV);
    return true;
}

void EmulatedUsbDevice::Submit(UMockdevIoctlClient* client, UMockdevIoctlData* argument) {
    UMockdevIoctlData* data =
        umockdev_ioctl_data_resolve(argument, 0, sizeof(usbdevfs_urb), nullptr);
    if (!data) {
        Complete(client, -1, EFAULT);
        return;
    }
    usbdevfs_urb& request = UrbOf(data);
    UMockdevIoctlData* buffer =
        request.buffer_length > 0
            ? umockdev_ioctl_data_resolve(data, offsetof(usbdevfs_urb, buffer),
                                          static_cast<gsize>(request.buffer_length), nullptr)
            : nullptr;
    g_object_ref(client);
    Urb urb{client, data, buffer, request.endpoint};
    Complete(client, 0, 0);

    if (request.type == USBDEVFS_URB_TYPE_CONTROL) {
        AnswerControl(urb);
    } else {
        ++counts_.bulk_urbs;
        if (halt_next_[urb.endpoint]) {
            halt_next_[urb.endpoint] = false;
            Finish(urb, -EPIPE, 0);
        } else if (!Serve(urb)) {
            pending_.push_back(urb);
            pending_changed_.notify_all();
        }
    }
    // Whatever this URB moved may let a waiting one go on.
    ServePending();
    UpdateSignal();
}

void EmulatedUsbDevice::AnswerControl(Urb& urb) {
    const usbdevfs_urb& request = UrbOf(urb.urb);
    if (!urb.buffer || request.buffer_length < 8) {
        Finish(urb, -EPIPE, 0);
        return;
    }
    std::uint8_t* setup = urb.buffer->data;
    const std::uint16_t value = static_cast<std::uint16_t>(setup[2] | (setup[3] << 8));
    const std::uint16_t length = static_cast<std::uint16_t>(setup[6] | (setup[7] << 8));
    const bool get_string = setup[0] == 0x80 && setup[1] == 6 && (value >> 8) == 3;
    std::vector<std::uint8_t> answer;
    if (get_string) {
        const int index = value & 0xFF;
        if (index == 0) answer = {4, 3, 0x09, 0x04};  // English (US) only
        if (index == 1 && !spec_.manufacturer.empty())
            answer = StringDescriptor(spec_.manufacturer);
        if (index == 2 && !spec_.product_name.empty())
            answer = StringDescriptor(spec_.product_name);
        if (index == 3 && !spec_.serial.empty()) answer = StringDescriptor(spec_.serial);
    }
    if (answer.empty()) {
        Finish(urb, -EPIPE, 0);  // a request this device does not know: it stalls
        return;
    }
    std::size_t count = std::min<std::size_t>(answer.size(), length);
    count = std::min<std::size_t>(count, static_cast<std::size_t>(request.buffer_length - 8));
    std::memcpy(setup + 8, answer.data(), count);
    Finish(urb, 0, static_cast<std::uint32_t>(count));
}

bool EmulatedUsbDevice::ServePieces(Urb& urb, Pieces& pieces) {
    const usbdevfs_urb& request = UrbOf(urb.urb);
    const auto room = static_cast<std::uint32_t>(request.buffer_length);
    const std::uint32_t from = pieces.first_sent ? pieces.first : 0;
    const std::uint32_t to =
        pieces.first_sent ? static_cast<std::uint32_t>(pieces.bytes.size()) : pieces.first;
    const std::uint32_t count = std::min(room, to - from);
    if (urb.buffer) std::memcpy(urb.buffer->data, pieces.bytes.data() + from, count);
    if (!pieces.first_sent) {
        pieces.first_sent = true;
        urb.hung = true;
        urb.held = count;
        return false;
    }
    pieces_.erase(urb.endpoint);
    Finish(urb, 0, count);
    return true;
}

bool EmulatedUsbDevice::Serve(Urb& urb) {
    if (urb.hung) return false;
    const auto pieces = pieces_.find(urb.endpoint);
    if (pieces != pieces_.end()) return ServePieces(urb, pieces->second);
    const auto role = roles_.find(urb.endpoint);
    const bool in = (urb.endpoint & 0x80) != 0;
    if (!firmware_ || role == roles_.end() || in != emu::IsInPipe(role->second)) {
        Finish(urb, -EPIPE, 0);
        return true;
    }
    const usbdevfs_urb& request = UrbOf(urb.urb);
    const auto length = static_cast<std::uint32_t>(request.buffer_length);
    std::uint8_t* bytes = urb.buffer ? urb.buffer->data : nullptr;
    static std::uint8_t nothing[1];
    if (!bytes) bytes = nothing;
    const std::uint64_t now_us = static_cast<std::uint64_t>(g_get_monotonic_time());
    const emu::TimedCompletion outcome =
        in ? firmware_->HostRead(role->second, bytes, length, now_us)
           : firmware_->HostWrite(role->second, bytes, length, now_us);
    switch (outcome.state) {
        case Completion::State::Pending:
            return false;
        case Completion::State::Done:
            Finish(urb, 0, outcome.count);
            return true;
        case Completion::State::Failed:
            Finish(urb, -EPROTO, 0);
            return true;
        case Completion::State::Gone:
            break;
    }
    // The firmware says the programmer is gone (an unplug@N fault).
    gone_ = true;
    Finish(urb, -ESHUTDOWN, 0);
    return true;
}

void EmulatedUsbDevice::Finish(Urb urb, int status, std::uint32_t actual) {
    usbdevfs_urb& request = UrbOf(urb.urb);
    request.status = status;
    request.actual_length = static_cast<int>(actual);
    finished_.push_back(urb);
}

void EmulatedUsbDevice::ServePending() {
    for (auto it = pending_.begin(); it != pending_.end() && !gone_;) {
        if (Serve(*it)) {
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    if (gone_) {
        // Unplugged: the kernel ends everything in flight.
        for (Urb& urb : pending_) Finish(urb, -ESHUTDOWN, 0);
        pending_.clear();
    }
}

void EmulatedUsbDevice::Reap(UMockdevIoctlClient* client, UMockdevIoctlData* argument) {
    for (auto it = finished_.begin(); it != finished_.end(); ++it) {
        if (it->client != client) continue;
        Urb urb = *it;
        finished_.erase(it);
        UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(argument, 0, sizeof(void*), nullptr);
        umockdev_ioctl_data_set_ptr(slot, 0, urb.urb);
        g_object_unref(slot);
        Complete(client, 0, 0);
        Forget(urb);
        UpdateSignal();
        return;
    }
    Complete(client, -1, gone_ ? ENODEV : EAGAIN);
}

void EmulatedUsbDevice::Discard(UMockdevIoctlClient* client, std::uint64_t address) {
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->client != client || it->urb->client_addr != address) continue;
        Urb urb = *it;
        pending_.erase(it);
        ++counts_.discards;
        if (hold_discards_) {
            held_.push_back(urb);
            Complete(client, 0, 0);
            return;
        }
        // What had moved before the discard stays moved.
        Finish(urb, -ENOENT, urb.held);
        Complete(client, 0, 0);
        UpdateSignal();
        return;
    }
    Complete(client, -1, EINVAL);
}

void EmulatedUsbDevice::Forget(Urb& urb) {
    if (urb.buffer) g_object_unref(urb.buffer);
    g_object_unref(urb.urb);
    g_object_unref(urb.client);
    urb = {};
}

void EmulatedUsbDevice::Unplug() {
    std::lock_guard lock(mutex_);
    gone_ = true;
    ServePending();
    UpdateSignal();
}

void EmulatedUsbDevice::HoldDiscards() {
    std::lock_guard lock(mutex_);
    hold_discards_ = true;
}

void EmulatedUsbDevice::EndHeldDiscards(std::uint8_t fill) {
    std::lock_guard lock(mutex_);
    for (Urb& urb : held_) {
        const auto length = static_cast<std::uint32_t>(UrbOf(urb.urb).buffer_length);
        if (urb.buffer) std::memset(urb.buffer->data, fill, length);
        Finish(urb, -ENOENT, length);
    }
    held_.clear();
    UpdateSignal();
}

void EmulatedUsbDevice::RefuseClaims() {
    std::lock_guard lock(mutex_);
    refuse_claims_ = true;
}

void EmulatedUsbDevice::HaltNext(std::uint8_t endpoint) {
    std::lock_guard lock(mutex_);
    halt_next_[endpoint] = true;
}

void EmulatedUsbDevice::DeliverInPieces(std::uint8_t endpoint, std::vector<std::uint8_t> bytes,
                                        std::uint32_t first) {
    std::lock_guard lock(mutex_);
    pieces_[endpoint] = {std::move(bytes), first, false};
}

void EmulatedUsbDevice::AwaitPending(int count) {
    std::unique_lock lock(mutex_);
    pending_changed_.wait(lock, [&] { return static_cast<int>(pending_.size()) >= count; });
}

void EmulatedUsbDevice::WithFirmware(const std::function<void(emu::Firmware&)>& change) {
    std::lock_guard lock(mutex_);
    if (firmware_) change(*firmware_);
    ServePending();
    UpdateSignal();
}

EmulatedUsbDevice::Counts EmulatedUsbDevice::counts() {
    std::lock_guard lock(mutex_);
    Counts counts = counts_;
    counts.pending = static_cast<int>(pending_.size() + finished_.size() + held_.size());
    return counts;
}

}  // namespace dspprog::testing
