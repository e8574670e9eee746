// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/virtual_chip.h"

#include <fstream>

#include "base/utf8_path.h"

namespace dspprog::emu {

VirtualChip::VirtualChip(std::uint32_t size, std::uint16_t type)
    : type_(type), content_(size, 0xFF) {}

bool VirtualChip::Erasable() const { return type_ == 0x00FF || type_ == 0xFC00; }

void VirtualChip::Program(std::uint32_t offset, const std::uint8_t* data, std::uint32_t length) {
    for (std::uint32_t i = 0; i < length && offset + i < content_.size(); ++i)
        content_[offset + i] &= data[i];
}

void VirtualChip::Erase(std::uint32_t stuck, std::uint8_t stuck_value) {
    if (!Erasable()) return;
    std::fill(content_.begin(), content_.end(), 0xFF);
    if (stuck == 0 || content_.empty()) return;
    // Spread the bad cells over the chip so they land in different blocks.
    const std::size_t step = content_.size() / stuck ? content_.size() / stuck : 1;
    for (std::uint32_t n = 0; n < stuck && n * step < content_.size(); ++n)
        content_[n * step] = stuck_value;
}

bool VirtualChip::Load(const std::string& path) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) return false;
    // Read one byte more than the chip holds: enough to tell a longer file,
    // and bounded even for a device that never ends (/dev/zero).
    std::vector<std::uint8_t> bytes(content_.size() + 1);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) != content_.size()) return false;
    bytes.pop_back();
    content_ = std::move(bytes);
    return true;
}

bool VirtualChip::Save(const std::string& path) const {
    std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content_.data()),
              static_cast<std::streamsize>(content_.size()));
    return static_cast<bool>(out);
}

}  // namespace dspprog::emu
