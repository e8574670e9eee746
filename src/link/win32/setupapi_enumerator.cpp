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

void SetupApiEnumerator::End() {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
    set_ = INVALID_HANDLE_VALUE;
}

}  // namespace dspprog
