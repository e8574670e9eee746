// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image_format.h"

#include "base/digits.h"
#include "image/image_format_table.h"
#include "image/record_text.h"

namespace dspprog {
namespace {

bool IsHexDigit(char c) {
    return HexDigitValue(c) >= 0;
}

// Eight hexadecimal digits from `from` on, and printable ASCII from there to
// the end of the first line: the shape of a record's first line, which a
// damaged record keeps and a binary image almost never has.
bool FirstLineLooksLikeRecord(std::string_view content, std::size_t from) {
    constexpr std::size_t kDigits = 8;
    if (content.size() < from + kDigits) return false;
    for (std::size_t i = from; i < from + kDigits; ++i) {
        if (!IsHexDigit(content[i])) return false;
    }
    for (std::size_t i = from + kDigits; i < content.size(); ++i) {
        const auto c = static_cast<unsigned char>(content[i]);
        if (c == '\r' || c == '\n') break;
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

// True when the first 64 bytes (all of them in a shorter file, and there is
// at least one) are printable ASCII, tabs, line ends or UTF-8 beyond ASCII.
// A binary image almost always has a control byte or a byte that is no UTF-8
// among them; an erased one has 0xFF.
bool LooksLikeText(std::string_view start) {
    constexpr std::size_t kTextWindow = 64;
    const std::string_view window = start.substr(0, kTextWindow);
    if (window.empty()) return false;
    std::size_t i = window.size() - WithoutByteOrderMark(window).size();
    while (i < window.size()) {
        const auto c = static_cast<unsigned char>(window[i++]);
        if ((c >= 0x20 && c < 0x7F) || c == '\t' || c == '\r' || c == '\n') continue;
        // A lead byte and its continuation bytes; a sequence cut by the end
        // of the window counts.
        const std::size_t continuation = c >= 0xC2 && c <= 0xDF   ? 1
                                         : c >= 0xE0 && c <= 0xEF ? 2
                                         : c >= 0xF0 && c <= 0xF4 ? 3
                                                                  : 0;
        if (continuation == 0) return false;
        for (std::size_t n = 0; n < continuation && i < window.size(); ++n, ++i) {
            const auto next = static_cast<unsigned char>(window[i]);
            if (next < 0x80 || next > 0xBF) return false;
        }
    }
    return true;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWithIgnoringCase(std::string_view name, std::string_view suffix) {
    if (name.size() < suffix.size()) return false;
    const std::string_view tail = name.substr(name.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        if (Lower(tail[i]) != suffix[i]) return false;
    }
    return true;
}

}  // namespace

ImageFormat RecogniseImageFormat(std::string_view content) {
    content = WithoutByteOrderMark(content);
    const std::size_t first = content.find_first_not_of(kBeforeFirstRecord);
    if (first == std::string_view::npos) return ImageFormat::Raw;
    content.remove_prefix(first);
    if (content[0] == ':' && FirstLineLooksLikeRecord(content, 1)) return ImageFormat::IntelHex;
    if (content.size() >= 2 && (content[0] == 'S' || content[0] == 's') && content[1] >= '0' &&
        content[1] <= '9' && FirstLineLooksLikeRecord(content, 2))
        return ImageFormat::SRecord;
    return ImageFormat::Raw;
}

std::optional<ImageFormat> ImageFormatOfFile(std::string_view start, std::string_view name,
                                             bool chip_sized) {
    if (const ImageFormat recognised = RecogniseImageFormat(start); recognised != ImageFormat::Raw)
        return recognised;
    if (const ImageFormat named = ImageFormatFromFileName(name); named != ImageFormat::Raw)
        return named;
    if (chip_sized || !LooksLikeText(start)) return ImageFormat::Raw;
    return std::nullopt;
}

ImageFormat ImageFormatFromFileName(std::string_view name) {
    const std::size_t slash = name.find_last_of("/\\");
    const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
    for (const ImageFormatRow& row : ImageFormatTable()) {
        for (std::string_view suffix : row.extensions) {
            if (EndsWithIgnoringCase(base, suffix)) return row.id;
        }
    }
    return ImageFormat::Raw;
}

std::optional<ImageFormat> ImageFormatFromName(std::string_view name) {
    for (const ImageFormatRow& row : ImageFormatTable()) {
        if (name == row.name) return row.id;
    }
    return std::nullopt;
}

const char* ImageFormatName(ImageFormat format) {
    return ImageFormatRowOf(format).name.data();
}

const char* ImageFormatTitle(ImageFormat format) {
    return ImageFormatRowOf(format).title.data();
}

std::optional<std::uint32_t> ParseImageOffset(std::string_view text) {
    return ParseNumber(text);
}

std::optional<std::string> OffsetProblem(std::uint32_t offset, std::uint32_t chip_size) {
    if (std::uint64_t{offset} + chip_size <= std::uint64_t{1} << 32) return std::nullopt;
    return "чип в " + HexAddress(chip_size) + " байт со смещением " + HexAddress(offset) +
           " выходит за 4 ГБ адресов";
}

std::optional<ImageDefect> ConvertImage(std::string_view content, ImageFormat format,
                                        std::uint32_t chip_size, std::uint32_t offset,
                                        std::vector<std::uint8_t>& chip) {
    chip.clear();
    return ImageFormatRowOf(format).convert(content, chip_size, offset, chip);
}

}  // namespace dspprog
