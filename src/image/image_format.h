// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Image files in the forms compilers and other programmers emit: which form a
// file is in, the names the operator gives the forms, the --offset text, and
// turning a file's content into the chip's bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dspprog {

enum class ImageFormat {
    Raw,       // the chip's bytes as they are, exactly the chip's size
    IntelHex,  // Intel hexadecimal object file (.hex)
    SRecord,   // Motorola S-record (.s19, .s28, .s37, .srec)
};

// Why an image file is refused: the line it is on (from 1) and a short
// Russian reason. Line 0 means the file as a whole; a file cut short is
// reported at the line after its last record. The caller adds the file's
// name.
struct ImageDefect {
    std::size_t line = 0;
    std::string reason;

    bool operator==(const ImageDefect&) const = default;
};

// The form of a file, from its content alone. Intel HEX when the first line
// starts with ':' and eight hexadecimal digits, S-record when it starts with
// 'S' or 's', a decimal digit and eight hexadecimal digits, and in both cases
// the rest of the first line (up to CR, LF or the end) is printable ASCII.
// A UTF-8 byte-order mark (editors such as Notepad write one), and blank
// lines, white space, NUL and Ctrl-Z bytes before the first line do not
// count. Everything else is a raw image. Only the first line counts: a text
// file damaged further on is still recognised, so its damage is reported
// rather than written into a chip, while a binary image would need a whole
// line of record-shaped text at its start to pass for one.
ImageFormat RecogniseImageFormat(std::string_view content);

// How a file given for a write or a verify without a named form is taken:
// in the form its content is recognised as (`start` holds at least its first
// line); else in the form its name says (ImageFormatFromFileName), so that a
// damaged HEX or S-record file is refused with its reader's reason rather
// than sent as raw bytes; else raw when it is exactly the chip's size
// (`chip_sized`: ROM images may well begin with text) or does not look like
// text. Nothing for a file whose first 64 bytes are all text: it is neither
// form, and as raw bytes its characters would end up in the chip.
std::optional<ImageFormat> ImageFormatOfFile(std::string_view start, std::string_view name,
                                             bool chip_sized);

// Why ImageFormatOfFile took a file for none of the forms.
inline constexpr const char* kTextOfNoImageForm =
    "это текст, но ни Intel HEX, ни Motorola S-record";

// The form a read should save in, from the name the operator chose: the
// form whose extension (image_format_table.h) the name ends in, case aside;
// raw for any other name.
ImageFormat ImageFormatFromFileName(std::string_view name);

// The form named on the command line: "raw", "ihex" or "srec"; nothing for
// any other text.
std::optional<ImageFormat> ImageFormatFromName(std::string_view name);
// The command-line name of a form: "raw", "ihex" or "srec".
const char* ImageFormatName(ImageFormat format);
// A title for the log: "двоичный образ", "Intel HEX", "Motorola S-record".
const char* ImageFormatTitle(ImageFormat format);

// The --offset value, as ParseNumber takes it (decimal or 0x-prefixed hex).
std::optional<std::uint32_t> ParseImageOffset(std::string_view text);

// Why a chip of `chip_size` bytes cannot be given file addresses from
// `offset` on: the last one would lie past 0xFFFFFFFF. Nothing when it can.
std::optional<std::string> OffsetProblem(std::uint32_t offset, std::uint32_t chip_size);

// The chip's bytes that a file's content gives, in the form `format`.
// A HEX or S-record file's address A lands at chip offset A - offset; bytes
// no record gives are 0xFF. A raw image must be exactly `chip_size` bytes
// and takes no offset. On success returns nothing and `chip` holds
// `chip_size` bytes; otherwise returns the first defect, in file order, and
// `chip` is left empty. The rules each form must keep are in intel_hex.h and
// srecord.h; a file whose records hold no data byte at all is refused too.
std::optional<ImageDefect> ConvertImage(std::string_view content, ImageFormat format,
                                        std::uint32_t chip_size, std::uint32_t offset,
                                        std::vector<std::uint8_t>& chip);

}  // namespace dspprog
