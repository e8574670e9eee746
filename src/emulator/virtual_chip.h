// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A chip in the emulated programmer's socket, behaving like the real part:
// programming only turns 1 bits into 0 bits, and only flash erases (to 0xFF).

#include <cstdint>
#include <string>
#include <vector>

namespace dspprog::emu {

class VirtualChip {
public:
    // An erased chip (all 0xFF) of `size` bytes and type `type`.
    VirtualChip(std::uint32_t size, std::uint16_t type);

    std::uint32_t size() const { return static_cast<std::uint32_t>(content_.size()); }
    std::uint16_t type() const { return type_; }
    // Flash (Types 255 and 0xFC00) erases electrically; UV EPROMs do not.
    bool Erasable() const;

    std::vector<std::uint8_t>& content() { return content_; }
    const std::vector<std::uint8_t>& content() const { return content_; }

    // Programs `length` bytes at chip offset `offset`: each byte becomes old AND new.
    void Program(std::uint32_t offset, const std::uint8_t* data, std::uint32_t length);
    // Sets every byte to 0xFF, except `stuck` bytes spread over the chip, which
    // read `stuck_value` afterwards. Does nothing on a chip that is not erasable.
    void Erase(std::uint32_t stuck = 0, std::uint8_t stuck_value = 0x00);

    // Loads the content from a file of exactly size() bytes; false otherwise.
    bool Load(const std::string& path);
    // Writes the content to `path` (replacing it: it is the chip's own backing file).
    bool Save(const std::string& path) const;

private:
    std::uint16_t type_;
    std::vector<std::uint8_t> content_;
};

}  // namespace dspprog::emu
