// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing the chip's content to an image file while it is being read: the
// read receives 4096-byte blocks at increasing offsets and hands each one on
// as it arrives, so an encoder turns bytes into file text piece by piece.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "image/image_format.h"

namespace dspprog {

class ImageEncoder {
public:
    virtual ~ImageEncoder() = default;

    // What the file starts with.
    virtual std::string Begin() = 0;
    // The text of `size` chip bytes from chip offset `address` on; `address
    // + size` must not pass the chip's size. Every byte handed in is
    // written, 0xFF runs included.
    virtual std::string Data(std::uint32_t address, const std::uint8_t* bytes,
                             std::size_t size) = 0;
    // What the file ends with.
    virtual std::string End() = 0;
};

// The encoder for a chip of `chip_size` bytes whose chip offset 0 has the
// file address `offset` (the same --offset that a write reads the file
// back with):
// - Raw: the bytes as they are; the offset plays no part.
// - IntelHex: 16 data bytes a line, a line never crossing a 64 KB boundary;
//   an extended linear address record (04) before the first line whose
//   upper 16 address bits differ from the last ones given (none while they
//   are 0); the end record (01). No start address.
// - SRecord: an S0 header "dspprog"; S1, S2 or S3 data records of 16 bytes,
//   the smallest that can hold the highest file address; a count record
//   (S5, or S6 past 65535 records); the matching termination S9, S8 or S7
//   with start address 0.
// Lines end with CR LF, the form's traditional line end, which every reader
// takes. Nothing (a null pointer) when the offset leaves the chip no room
// (OffsetProblem).
std::unique_ptr<ImageEncoder> MakeImageEncoder(ImageFormat format, std::uint32_t chip_size,
                                               std::uint32_t offset = 0);

// A whole file of `format` holding `bytes` from chip offset 0 on, as the
// encoder above writes it.
std::string EncodeImage(ImageFormat format, std::span<const std::uint8_t> bytes);

}  // namespace dspprog
