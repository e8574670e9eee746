// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/image_format.h"

#include <array>

#include "catalogue/number_text.h"
#include "operations/chip_image.h"
#include "operations/intel_hex.h"
#include "operations/record_text.h"
#include "operations/srecord.h"

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
    if (!content.empty() && content[0] == ':' && FirstLineLooksLikeRecord(content, 1))
        return ImageFormat::IntelHex;
    if (content.size() >= 2 && content[0] == 'S' && content[1] >= '0' && content[1] <= '9' &&
        FirstLineLooksLikeRecord(content, 2))
        return ImageFormat::SRecord;
    return ImageFormat::Raw;
}

ImageFormat ImageFormatFromFileName(std::string_view name) {
    static constexpr std::array<std::string_view, 3> kIntelHex = {".hex", ".ihx", ".ihex"};
    static constexpr std::array<std::string_view, 5> kSRecord = {".s19", ".s28", ".s37", ".srec",
                                                                 ".mot"};
    const std::size_t slash = name.find_last_of("/\\");
    const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
    for (std::string_view suffix : kIntelHex) {
        if (EndsWithIgnoringCase(base, suffix)) return ImageFormat::IntelHex;
    }
    for (std::string_view suffix : kSRecord) {
        if (EndsWithIgnoringCase(base, suffix)) return ImageFormat::SRecord;
    }
    return ImageFormat::Raw;
}

std::optional<ImageFormat> ImageFormatFromName(std::string_view name) {
    for (ImageFormat format : {ImageFormat::Raw, ImageFormat::IntelHex, ImageFormat::SRecord}) {
        if (name == ImageFormatName(format)) return format;
    }
    return std::nullopt;
}

const char* ImageFormatName(ImageFormat format) {
    switch (format) {
        case ImageFormat::IntelHex:
            return "ihex";
        case ImageFormat::SRecord:
            return "srec";
        case ImageFormat::Raw:
            break;
    }
    return "raw";
}

const char* ImageFormatTitle(ImageFormat format) {
    switch (format) {
        case ImageFormat::IntelHex:
            return "Intel HEX";
        case ImageFormat::SRecord:
            return "Motorola S-record";
        case ImageFormat::Raw:
            break;
    }
    return "двоичный образ";
}

std::optional<std::uint32_t> ParseImageOffset(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    const std::optional<std::uint64_t> value = ParseDigits(text, base, 0xFFFFFFFF);
    if (!value) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
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
    if (format == ImageFormat::Raw) {
        // A raw image has no addresses to shift: an offset given for one
        // means the file is not what the operator thinks it is.
        if (offset != 0) {
            return ImageDefect{
                0, "смещение " + HexAddress(offset) + " не применимо к двоичному образу"};
        }
        if (content.size() != chip_size) {
            return ImageDefect{0, "размер двоичного образа " + HexAddress(content.size()) +
                                      " байт не равен размеру чипа (" + HexAddress(chip_size) +
                                      " байт)"};
        }
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(content.data());
        chip.assign(bytes, bytes + content.size());
        return std::nullopt;
    }
    if (std::optional<std::string> problem = OffsetProblem(offset, chip_size))
        return ImageDefect{0, std::move(*problem)};
    ChipImage image(chip_size, offset);
    std::optional<ImageDefect> defect = format == ImageFormat::IntelHex
                                            ? ReadIntelHex(content, image)
                                            : ReadSRecord(content, image);
    if (!defect) chip = image.TakeBytes();
    return defect;
}

}  // namespace dspprog
