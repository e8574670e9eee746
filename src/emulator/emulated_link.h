// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The emulated programmer behind the link seam: an enumerator that shows one
// programmer, and a backend whose device and pipes talk to a Firmware in
// process.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/firmware.h"
#include "link/discovery.h"
#include "link/pipe.h"

namespace dspprog::emu {

// The interface path the emulated programmer shows.
inline constexpr const char* kEmulatedPath =
    "\\\\?\\usb#vid_1992&pid_2003#emulated#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}";

class EmulatedBackend final : public LinkBackend {
public:
    EmulatedBackend(Firmware& firmware, Clock& clock, std::string device_path = kEmulatedPath);

    std::unique_ptr<Device> OpenDevice(const std::string& path) override;
    std::unique_ptr<Pipe> OpenPipe(Device& device, const std::string& path, Access access) override;

    // What was opened and closed, in order, with the clock's time: "open device",
    // "open \PIPE00", "close \PIPE00", "close device", ...
    struct Event {
        std::string what;
        std::uint64_t at_ms;
    };
    const std::vector<Event>& events() const { return events_; }
    void Record(std::string what, std::uint64_t at_ms);

    Firmware& firmware() { return firmware_; }
    // Serialises the firmware between the pipes and anyone else (tests, other threads).
    std::mutex& mutex() { return mutex_; }
    std::condition_variable& changed() { return changed_; }
    // Makes the device vanish; transfers in flight end as Gone.
    void Disconnect();
    // Wakes transfers waiting on the firmware after a test changed its faults.
    void Poke();
    std::uint64_t generation() const { return generation_; }
    Clock& clock() { return clock_; }

private:
    Firmware& firmware_;
    std::string device_path_;
    std::vector<Event> events_;
    std::mutex mutex_;
    std::condition_variable changed_;
    Clock& clock_;
    std::uint64_t generation_ = 0;
};

}  // namespace dspprog::emu
