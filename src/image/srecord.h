// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Motorola S-record files (".s19", ".s28", ".s37", ".srec"): reading them
// into a chip image and writing a chip as one.

#include <cstdint>
#include <optional>
#include <string_view>

#include "image/chip_image.h"
#include "image/image_encoder.h"
#include "image/image_format.h"

namespace dspprog {

// Places the data records of an S-record text into `chip`. Returns the first
// defect in file order, or nothing when the whole file is sound.
//
// Each line is 'S' (or 's'), the type digit and pairs of hexadecimal digits of either
// case: count (of the bytes after it), address, data, checksum (the ones'
// complement of the sum of the bytes before it). Address sizes: S0, S1, S5
// and S9 two bytes, S2, S6 and S8 three, S3 and S7 four. Types:
// - S0 header: its content is not used; only as the first record.
// - S1, S2, S3 data, which may be mixed.
// - S5, S6 the number of data records before it, which must match; at most
//   one, no data record after it, no data bytes in it.
// - S7, S8, S9 termination with a start address (not used); no data bytes.
//   Its kind need not match the data records': tools differ there, and it
//   carries no data.
// S4 and any other type are refused.
//
// The file must end with a termination record, after which only blank lines
// and padding may follow (WalkRecordLines has what the lines around the
// records may hold), or with a count record that matches: a file that stops among
// its data records is cut short and is refused. (srec_cat writes no
// termination when it knows no start address; a count record that matches
// still shows that every data record arrived.)
std::optional<ImageDefect> ReadSRecord(std::string_view text, ChipImage& chip);

class SRecordEncoder final : public ImageEncoder {
public:
    // Picks S1, S2 or S3 from the highest file address, offset + chip_size - 1.
    SRecordEncoder(std::uint32_t chip_size, std::uint32_t offset);
    std::string Begin() override;
    std::string Data(std::uint32_t address, const std::uint8_t* bytes, std::size_t size) override;
    std::string End() override;

private:
    std::uint32_t offset_;
    int address_bytes_;  // 2, 3 or 4: S1, S2 or S3
    std::uint32_t records_ = 0;
};

}  // namespace dspprog
