// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Intel hexadecimal object files (".hex"): reading them into a chip image
// and writing a chip as one.

#include <cstdint>
#include <optional>
#include <string_view>

#include "image/chip_image.h"
#include "image/image_encoder.h"
#include "image/image_format.h"

namespace dspprog {

// Places the data records of an Intel HEX text into `chip`. Returns the first
// defect in file order, or nothing when the whole file is sound.
//
// Each line is ':' and pairs of hexadecimal digits of either case: length,
// 16-bit load offset, type, data, checksum (the two's complement of the sum
// of the bytes before it). Types: 00 data; 01 end of file (no data; its
// offset is taken as it is, 8-bit files put a start address there);
// 02 extended segment address and 04 extended linear address (2 data bytes,
// load offset 0000); 03 start segment and 05 start linear address (4 data
// bytes, load offset 0000, not used). Any other type is refused.
//
// Addresses follow Intel's definition. Until the first 02 or 04 record the
// base is 0. After an 04 record a data byte lands at (base + load offset +
// index) mod 4 GB, so a record that passes a 64 KB boundary simply goes on
// into the next 64 KB. After an 02 record it lands at base + ((load offset +
// index) mod 64 KB): a record that passes the end of its segment wraps round
// to the segment's start.
//
// The file must end with an 01 record; after it only blank lines and padding
// may follow (WalkRecordLines has what the lines around the records may
// hold). A file without one is cut short and is refused.
std::optional<ImageDefect> ReadIntelHex(std::string_view text, ChipImage& chip);

class IntelHexEncoder final : public ImageEncoder {
public:
    explicit IntelHexEncoder(std::uint32_t offset) : offset_(offset) {}
    std::string Begin() override { return {}; }
    std::string Data(std::uint32_t address, const std::uint8_t* bytes, std::size_t size) override;
    std::string End() override;

private:
    std::uint32_t offset_;
    std::uint32_t upper_ = 0;  // the upper 16 address bits the file has given
};

}  // namespace dspprog
