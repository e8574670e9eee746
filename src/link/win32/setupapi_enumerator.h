// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The present device interfaces of one class, walked through SetupAPI.

#include <windows.h>
// SetupAPI's header needs windows.h before it.
#include <setupapi.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/discovery.h"

namespace dspprog {

// The record sizes the platform declares for this build. The detail record's
// size is the offset of its path plus one character, padded as the platform
// pads it: 8 in a 64-bit process, 5 in a 32-bit one.
inline constexpr DWORD kInterfaceDataSize = sizeof(SP_DEVICE_INTERFACE_DATA);
inline constexpr DWORD kDevInfoDataSize = sizeof(SP_DEVINFO_DATA);
inline constexpr DWORD kDetailDataSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
static_assert(kDetailDataSize == (sizeof(void*) == 8 ? 8 : 5));

// The manufacturer property is read into a buffer of this size.
inline constexpr DWORD kPropertyBufferSize = 1024;

// Each call is one SetupAPI step of the search: Begin makes the device
// information set, Exists enumerates one interface, DetailSize is the size
// query, ReadPath one detail read (the first one of an interface also learns
// the device that owns it), Manufacturer reads that device's SPDRP_MFG.
class SetupApiEnumerator final : public InterfaceEnumerator {
public:
    SetupApiEnumerator() = default;
    ~SetupApiEnumerator() override { End(); }
    SetupApiEnumerator(const SetupApiEnumerator&) = delete;
    SetupApiEnumerator& operator=(const SetupApiEnumerator&) = delete;

    // `interface_class` is the GUID as text, with or without braces.
    bool Begin(const std::string& interface_class) override;
    bool Exists(std::uint32_t index) override;
    std::uint32_t DetailSize(std::uint32_t index) override;
    std::optional<std::string> ReadPath(std::uint32_t index) override;
    std::string Manufacturer(std::uint32_t index) override;
    // The serial number from the device's instance ID, the location its
    // SPDRP_LOCATION_INFORMATION reports.
    DeviceFacts Facts(std::uint32_t index) override;
    // Present USB devices 1992:2003 that show no interface of the class: bound
    // to another driver (WinUSB, say) or to none.
    std::vector<Unreachable> UnreachableProgrammers() override;
    void End() override;

private:
    HDEVINFO set_ = INVALID_HANDLE_VALUE;
    GUID class_guid_{};
    SP_DEVICE_INTERFACE_DATA interface_{};
    SP_DEVINFO_DATA device_{};
    std::uint32_t index_ = 0;        // the interface `interface_` holds
    std::uint32_t detail_size_ = 0;  // what the last size query reported
    int reads_ = 0;                  // detail reads of the current interface
};

// The serial number in a USB device instance ID ("USB\\VID_1992&PID_2003\\A1"
// gives "A1"); empty for an ID Windows made up for a device without one,
// which has "&" in its last part.
std::string SerialFromInstanceId(const std::string& instance_id);

// Why the native backend cannot open a programmer bound to `service`
// (SPDRP_SERVICE; empty when no driver is bound).
std::string WrongDriverText(const std::string& service);

// The interface class GUID from its text form; false when it is not one.
bool ParseInterfaceClass(const std::string& text, GUID& guid);

}  // namespace dspprog
