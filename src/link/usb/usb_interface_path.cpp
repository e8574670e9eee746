// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/usb/usb_interface_path.h"

#include <cctype>
#include <cstdio>

namespace dspprog {

namespace {

constexpr const char* kPrefix = "\\\\?\\usb#";

// Exactly four hex digits.
std::optional<std::uint16_t> ParseHex4(const std::string& text) {
    if (text.size() != 4) return std::nullopt;
    std::uint16_t value = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        const int digit = std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        value = static_cast<std::uint16_t>(value * 16 + digit);
    }
    return value;
}

bool AllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// "<bus>-<port>[.<port>...]", each a decimal number.
bool IsLocation(const std::string& text) {
    const std::size_t dash = text.find('-');
    if (dash == std::string::npos || !AllDigits(text.substr(0, dash))) return false;
    std::size_t from = dash + 1;
    for (;;) {
        const std::size_t dot = text.find('.', from);
        if (!AllDigits(
                text.substr(from, dot == std::string::npos ? std::string::npos : dot - from)))
            return false;
        if (dot == std::string::npos) return true;
        from = dot + 1;
    }
}

}  // namespace

std::string UsbLocationText(std::uint8_t bus, const std::vector<std::uint8_t>& ports) {
    std::string text = std::to_string(bus) + "-";
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (i > 0) text += '.';
        text += std::to_string(ports[i]);
    }
    return text;
}

std::string UsbInterfacePath(std::uint16_t vendor, std::uint16_t product,
                             const std::string& location, const std::string& interface_class) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", vendor, product);
    std::string guid = interface_class;
    for (char& c : guid) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::string(kPrefix) + ids + "#" + location + "#" + guid;
}

std::optional<UsbInterfacePathParts> ParseUsbInterfacePath(const std::string& path) {
    const std::string prefix = kPrefix;
    if (path.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    // vid_XXXX&pid_XXXX#location#{guid}
    const std::size_t ids_end = path.find('#', prefix.size());
    if (ids_end == std::string::npos) return std::nullopt;
    const std::size_t location_end = path.find('#', ids_end + 1);
    if (location_end == std::string::npos) return std::nullopt;
    if (path.find('#', location_end + 1) != std::string::npos) return std::nullopt;

    const std::string ids = path.substr(prefix.size(), ids_end - prefix.size());
    if (ids.size() != 17 || ids.compare(0, 4, "vid_") != 0 || ids.compare(8, 5, "&pid_") != 0)
        return std::nullopt;
    const auto vendor = ParseHex4(ids.substr(4, 4));
    const auto product = ParseHex4(ids.substr(13, 4));
    if (!vendor || !product) return std::nullopt;

    UsbInterfacePathParts parts;
    parts.vendor = *vendor;
    parts.product = *product;
    parts.location = path.substr(ids_end + 1, location_end - ids_end - 1);
    if (!IsLocation(parts.location)) return std::nullopt;
    return parts;
}

}  // namespace dspprog
