// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The image forms this program reads and writes, one row each. Everything
// that names a form, lists its extensions, reads or writes it goes by this
// table, so a new form is one more row.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_encoder.h"
#include "image/image_format.h"

namespace dspprog {

class ChipImage;

struct ImageFormatRow {
    ImageFormat id;
    std::string_view name;     // on the command line: "raw", "ihex", "srec"
    std::string_view title;    // in the log: "двоичный образ", "Intel HEX", ...
    std::string_view heading;  // heading a list of forms, as a dialog's filter does
    // The extensions that name files in this form, lower case, with their dots.
    std::span<const std::string_view> extensions;
    // The chip's bytes a file's content gives (see ConvertImage).
    std::optional<ImageDefect> (*convert)(std::string_view content, std::uint32_t chip_size,
                                          std::uint32_t offset, std::vector<std::uint8_t>& chip);
    // Places the records of a file in this form (null for the raw form,
    // which has no records): the reader behind `convert`.
    std::optional<ImageDefect> (*place)(std::string_view content, ChipImage& chip);
    // The encoder a read writes this form with (see MakeImageEncoder).
    std::unique_ptr<ImageEncoder> (*make_encoder)(std::uint32_t chip_size, std::uint32_t offset);
};

// Every form, raw first.
std::span<const ImageFormatRow> ImageFormatTable();
const ImageFormatRow& ImageFormatRowOf(ImageFormat format);

// The command-line names of the forms joined by `separator`: "raw|ihex|srec".
std::string ImageFormatNames(std::string_view separator);

}  // namespace dspprog
