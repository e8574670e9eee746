// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image_format_table.h"

#include <array>
#include <utility>

#include "image/chip_image.h"
#include "image/intel_hex.h"
#include "image/raw_image.h"
#include "image/srecord.h"

namespace dspprog {
namespace {

// HEX and S-record files place their records at file addresses; the chip
// takes the window of them from the offset on.
template <std::optional<ImageDefect> (*Read)(std::string_view, ChipImage&)>
std::optional<ImageDefect> ConvertRecords(std::string_view content, std::uint32_t chip_size,
                                          std::uint32_t offset, std::vector<std::uint8_t>& chip) {
    if (std::optional<std::string> problem = OffsetProblem(offset, chip_size))
        return ImageDefect{0, std::move(*problem)};
    ChipImage image(chip_size, offset);
    std::optional<ImageDefect> defect = Read(content, image);
    if (!defect) chip = image.TakeBytes();
    return defect;
}

std::unique_ptr<ImageEncoder> MakeIntelHexEncoder(std::uint32_t chip_size, std::uint32_t offset) {
    if (OffsetProblem(offset, chip_size)) return nullptr;
    return std::make_unique<IntelHexEncoder>(offset);
}

std::unique_ptr<ImageEncoder> MakeSRecordEncoder(std::uint32_t chip_size, std::uint32_t offset) {
    if (OffsetProblem(offset, chip_size)) return nullptr;
    return std::make_unique<SRecordEncoder>(chip_size, offset);
}

constexpr std::array<std::string_view, 3> kRawExtensions = {".bin", ".img", ".rom"};
constexpr std::array<std::string_view, 3> kIntelHexExtensions = {".hex", ".ihx", ".ihex"};
constexpr std::array<std::string_view, 5> kSRecordExtensions = {".s19", ".s28", ".s37", ".srec",
                                                                ".mot"};

const std::array<ImageFormatRow, 3> kTable = {{
    {ImageFormat::Raw, "raw", "двоичный образ", "Двоичный образ", kRawExtensions, ConvertRawImage,
     nullptr, MakeRawEncoder},
    {ImageFormat::IntelHex, "ihex", "Intel HEX", "Intel HEX", kIntelHexExtensions,
     ConvertRecords<ReadIntelHex>, ReadIntelHex, MakeIntelHexEncoder},
    {ImageFormat::SRecord, "srec", "Motorola S-record", "Motorola S-record", kSRecordExtensions,
     ConvertRecords<ReadSRecord>, ReadSRecord, MakeSRecordEncoder},
}};

}  // namespace

std::span<const ImageFormatRow> ImageFormatTable() {
    return kTable;
}

const ImageFormatRow& ImageFormatRowOf(ImageFormat format) {
    for (const ImageFormatRow& row : kTable) {
        if (row.id == format) return row;
    }
    return kTable.front();
}

std::string ImageFormatNames(std::string_view separator) {
    std::string names;
    for (const ImageFormatRow& row : kTable) {
        if (!names.empty()) names += separator;
        names += row.name;
    }
    return names;
}

}  // namespace dspprog
