// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/discovery.h"

namespace dspprog {

namespace {

std::string PaddedDecimal(const char* prefix, std::uint32_t number) {
    std::string digits = std::to_string(number);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    return prefix + digits;
}

}  // namespace

std::string VendorText(std::uint32_t vendor) { return PaddedDecimal("vid_", vendor); }
std::string ProductText(std::uint32_t product) { return PaddedDecimal("pid_", product); }

bool GetSymbolicLink(InterfaceEnumerator& enumerator, const std::string& interface_class,
                     std::uint32_t vendor, std::uint32_t product, const std::string& manufacturer,
                     std::string& path) {
    path.clear();
    const std::string vid = VendorText(vendor);
    const std::string pid = ProductText(product);

    if (!enumerator.Begin(interface_class)) return false;

    for (std::uint32_t index = 0;; ++index) {
        if (!enumerator.Exists(index)) break;
        // First detail read: it also tells which device owns the interface.
        if (enumerator.DetailSize(index) == 0) break;
        if (!enumerator.ReadPath(index)) break;
        if (enumerator.Manufacturer(index) != manufacturer) continue;

        // The manufacturer matches: the path is read a second time, into a fresh record.
        if (enumerator.DetailSize(index) == 0) break;
        std::optional<std::string> second = enumerator.ReadPath(index);
        if (!second) break;
        path = *second;
        if (path.find(vid) != std::string::npos && path.find(pid) != std::string::npos) {
            enumerator.End();
            return true;
        }
    }
    enumerator.End();
    return false;
}

std::uint32_t FixedEnumerator::DetailSize(std::uint32_t index) {
    return static_cast<std::uint32_t>(4 + entries_.at(index).path.size() + 1);
}

std::optional<std::string> FixedEnumerator::ReadPath(std::uint32_t index) {
    const std::string& path = entries_.at(index).path;
    return path.substr(0, path.find('\0'));
}

std::string FixedEnumerator::Manufacturer(std::uint32_t index) {
    const std::string& m = entries_.at(index).manufacturer;
    return m.substr(0, m.find('\0'));
}

}  // namespace dspprog
