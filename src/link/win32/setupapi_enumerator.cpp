// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/win32/setupapi_enumerator.h"

#include <rpc.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace dspprog {

bool ParseInterfaceClass(const std::string& text, GUID& guid) {
    std::string bare = text;
    if (bare.size() == 38 && bare.front() == '{' && bare.back() == '}') bare = bare.substr(1, 36);
    if (bare.size() != 36) return false;
    std::vector<unsigned char> chars(bare.begin(), bare.end());
    chars.push_back(0);
    UUID uuid{};
    if (UuidFromStringA(chars.data(), &uuid) != RPC_S_OK) return false;
    guid = uuid;
    return true;
}

bool SetupApiEnumerator::Begin(const std::string& interface_class) {
    End();
    if (!ParseInterfaceClass(interface_class, class_guid_)) return false;
    set_ =
        SetupDiGetClassDevsA(&class_guid_, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    return set_ != INVALID_HANDLE_VALUE;
}

bool SetupApiEnumerator::Exists(std::uint32_t index) {
    if (set_ == INVALID_HANDLE_VALUE) return false;
    interface_ = {};
    interface_.cbSize = kInterfaceDataSize;
    index_ = index;
    reads_ = 0;
    detail_size_ = 0;
    if (!SetupDiEnumDeviceInterfaces(set_, nullptr, &class_guid_, index, &interface_)) return false;
    device_ = {};
    device_.cbSize = kDevInfoDataSize;
    return true;
}

std::uint32_t SetupApiEnumerator::DetailSize(std::uint32_t index) {
    if (index != index_ && !Exists(index)) return 0;
    // The query has no buffer, so it fails with ERROR_INSUFFICIENT_BUFFER by
    // design; only the size it reports counts.
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(set_, &interface_, nullptr, 0, &required, nullptr);
    detail_size_ = required;
    return required;
}

std::optional<std::string> SetupApiEnumerator::ReadPath(std::uint32_t index) {
    if (index != index_ || detail_size_ == 0) return std::nullopt;
    // A fresh zero-filled record of the reported size for every read; never
    // smaller than the record's fixed part, whose size field is written here.
    std::vector<std::uint8_t> block(std::max<std::size_t>(detail_size_, kDetailDataSize), 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());
    detail->cbSize = kDetailDataSize;

    DWORD required = 0;
    // The first read of an interface also fills in the device that owns it,
    // for the manufacturer query.
    SP_DEVINFO_DATA* device = reads_ == 0 ? &device_ : nullptr;
    ++reads_;
    if (!SetupDiGetDeviceInterfaceDetailA(set_, &interface_, detail, detail_size_, &required,
                                          device))
        return std::nullopt;

    constexpr std::size_t kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    if (detail_size_ <= kPathOffset) return std::string();
    const char* path = reinterpret_cast<const char*>(block.data()) + kPathOffset;
    return std::string(path, strnlen(path, detail_size_ - kPathOffset));
}

std::string SetupApiEnumerator::Manufacturer(std::uint32_t index) {
    if (index != index_ || reads_ == 0) return {};
    char buffer[kPropertyBufferSize];
    buffer[0] = 0;
    DWORD type = 0;
    DWORD required = 0;
    // A property that is absent or does not fit delivers nothing: empty text.
    if (!SetupDiGetDeviceRegistryPropertyA(set_, &device_, SPDRP_MFG, &type,
                                           reinterpret_cast<PBYTE>(buffer), sizeof buffer,
                                           &required))
        return {};
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

namespace {

// A text property of a device; empty when it has none.
std::string TextProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    char buffer[kPropertyBufferSize];
    buffer[0] = 0;
    if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr,
                                           reinterpret_cast<PBYTE>(buffer), sizeof buffer, nullptr))
        return {};
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

std::string InstanceId(HDEVINFO set, SP_DEVINFO_DATA& device) {
    char buffer[kPropertyBufferSize];
    if (!SetupDiGetDeviceInstanceIdA(set, &device, buffer, sizeof buffer, nullptr)) return {};
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace

std::string SerialFromInstanceId(const std::string& instance_id) {
    const auto slash = instance_id.find_last_of('\\');
    if (slash == std::string::npos) return {};
    const std::string last = instance_id.substr(slash + 1);
    return last.find('&') == std::string::npos ? last : std::string();
}

std::string WrongDriverText(const std::string& service) {
    if (service.empty())
        return "драйвер для него не установлен; установите собственный драйвер программатора "
               "(или WinUSB для --usb libusb)";
    return "к нему привязан драйвер \"" + service +
           "\", а не собственный драйвер программатора; выберите --usb libusb с WinUSB или "
           "установите драйвер программатора";
}

DeviceFacts SetupApiEnumerator::Facts(std::uint32_t index) {
    if (index != index_ || reads_ == 0) return {};
    return {SerialFromInstanceId(InstanceId(set_, device_)),
            TextProperty(set_, device_, SPDRP_LOCATION_INFORMATION),
            {}};
}

std::vector<InterfaceEnumerator::Unreachable> SetupApiEnumerator::UnreachableProgrammers() {
    std::vector<Unreachable> found;
    if (set_ == INVALID_HANDLE_VALUE) return found;
    // The devices that do show the class: their instance IDs.
    std::vector<std::string> reachable;
    for (DWORD i = 0;; ++i) {
        SP_DEVICE_INTERFACE_DATA record{};
        record.cbSize = kInterfaceDataSize;
        if (!SetupDiEnumDeviceInterfaces(set_, nullptr, &class_guid_, i, &record)) break;
        SP_DEVINFO_DATA device{};
        device.cbSize = kDevInfoDataSize;
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailA(set_, &record, nullptr, 0, &required, &device);
        reachable.push_back(Upper(InstanceId(set_, device)));
    }
    HDEVINFO usb = SetupDiGetClassDevsA(nullptr, "USB", nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (usb == INVALID_HANDLE_VALUE) return found;
    for (DWORD i = 0;; ++i) {
        SP_DEVINFO_DATA device{};
        device.cbSize = kDevInfoDataSize;
        if (!SetupDiEnumDeviceInfo(usb, i, &device)) break;
        const std::string id = InstanceId(usb, device);
        if (Upper(id).find("VID_1992&PID_2003") == std::string::npos) continue;
        if (std::find(reachable.begin(), reachable.end(), Upper(id)) != reachable.end()) continue;
        found.push_back(
            {id,
             {SerialFromInstanceId(id), TextProperty(usb, device, SPDRP_LOCATION_INFORMATION),
              WrongDriverText(TextProperty(usb, device, SPDRP_SERVICE))}});
    }
    SetupDiDestroyDeviceInfoList(usb);
    return found;
}

void SetupApiEnumerator::End() {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
    set_ = INVALID_HANDLE_VALUE;
}

}  // namespace dspprog
