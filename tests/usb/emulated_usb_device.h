// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One device on the emulated bus, answering what the kernel's usbfs would:
// claims, string descriptors on the control endpoint, and bulk URBs, which
// the programmer's firmware serves. An IN or OUT URB that the firmware
// cannot serve yet stays pending, as on a device that NAKs, until something
// changes or the host discards it.
//
// Completions are signalled the way usbfs signals them, through the device
// node becoming writable, so the host's event loop sleeps while nothing is
// due (the node is a FIFO kept full while no URB waits to be reaped).
//
// umockdev runs the handler on its own thread; everything here is guarded
// by one mutex, the firmware included.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/firmware.h"
#include "usb/usb_descriptors.h"

typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace dspprog::testing {

class EmulatedUsbDevice {
public:
    // `firmware` serves the bulk endpoints of the device's first interface,
    // the n-th endpoint being pipe n; null for a device that moves no data.
    EmulatedUsbDevice(UsbDeviceSpec spec, emu::Firmware* firmware);
    ~EmulatedUsbDevice();
    EmulatedUsbDevice(const EmulatedUsbDevice&) = delete;
    EmulatedUsbDevice& operator=(const EmulatedUsbDevice&) = delete;

    UMockdevIoctlBase* handler() const { return handler_; }
    // Turns the device node at `node_path` (in the testbed) into the FIFO
    // that signals completions. Call after the node exists.
    void UseSignalNode(const std::string& node_path);

    // The device vanishes: URBs in flight end with -ESHUTDOWN, and every
    // request after that fails with ENODEV, as after a real unplug.
    void Unplug();
    // Claims fail with EBUSY, as when another program holds the interface.
    void RefuseClaims();
    // The next bulk URB on `endpoint` ends with -EPIPE: the endpoint halts.
    void HaltNext(std::uint8_t endpoint);
    // The next IN URB on `endpoint` receives the first `first` bytes of
    // `bytes` and then hangs, as a device that stops mid-block; the URB after
    // it receives the rest. The firmware is not asked.
    void DeliverInPieces(std::uint8_t endpoint, std::vector<std::uint8_t> bytes,
                         std::uint32_t first);
    // Discards are taken but not carried out, as by a driver that does not
    // end a cancelled transfer: the URBs stay with the device until
    // EndHeldDiscards() fills each with `fill` and ends it.
    void HoldDiscards();
    void EndHeldDiscards(std::uint8_t fill);
    // Blocks until `count` URBs wait on the device for data or for room.
    void AwaitPending(int count);
    // Runs `change` on the firmware under the device's lock, then serves the
    // URBs left pending, in case the change lets them go on.
    void WithFirmware(const std::function<void(emu::Firmware&)>& change);

    // What the host has done to the device.
    struct Counts {
        int opens = 0;                            // the node opened
        int claims = 0;                           // CLAIMINTERFACE
        int releases = 0;                         // RELEASEINTERFACE
        int discards = 0;                         // DISCARDURB of a pending URB
        int bulk_urbs = 0;                        // bulk URBs submitted
        std::map<std::uint8_t, int> clear_halts;  // CLEAR_HALT per endpoint
        int pending = 0;                          // URBs submitted and not reaped yet
    };
    Counts counts();

private:
    struct Urb {
        UMockdevIoctlClient* client;
        UMockdevIoctlData* urb;     // the host's URB; synced back when reaped
        UMockdevIoctlData* buffer;  // its data buffer, may be null
        std::uint8_t endpoint;
        bool hung = false;       // waits for nothing but its discard
        std::uint32_t held = 0;  // bytes it received before it hung
    };
    struct Pieces {
        std::vector<std::uint8_t> bytes;
        std::uint32_t first = 0;
        bool first_sent = false;
    };

    static int HandleIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
    static void ClientConnected(UMockdevIoctlBase* handler, UMockdevIoctlClient* client,
                                void* self);
    static void ClientVanished(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
    bool Ioctl(UMockdevIoctlClient* client);
    void Submit(UMockdevIoctlClient* client, UMockdevIoctlData* argument);
    void Reap(UMockdevIoctlClient* client, UMockdevIoctlData* argument);
    void Discard(UMockdevIoctlClient* client, std::uint64_t address);
    void AnswerControl(Urb& urb);
    // Lets the firmware move the URB's bytes; false while it cannot yet.
    bool Serve(Urb& urb);
    bool ServePieces(Urb& urb, Pieces& pieces);
    void Finish(Urb urb, int status, std::uint32_t actual);
    void ServePending();
    void Forget(Urb& urb);
    void UpdateSignal();

    UsbDeviceSpec spec_;
    emu::Firmware* firmware_;
    std::map<std::uint8_t, emu::PipeRole> roles_;
    UMockdevIoctlBase* handler_;

    std::mutex mutex_;
    std::deque<Urb> pending_;
    std::deque<Urb> finished_;
    std::deque<Urb> held_;  // discarded while discards are held
    bool hold_discards_ = false;
    std::condition_variable pending_changed_;
    std::map<std::uint8_t, bool> halt_next_;
    std::map<std::uint8_t, Pieces> pieces_;
    bool gone_ = false;
    bool refuse_claims_ = false;
    Counts counts_;
    int signal_fd_ = -1;
    bool signalled_ = false;
};

}  // namespace dspprog::testing
