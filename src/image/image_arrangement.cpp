// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image_arrangement.h"

#include <algorithm>
#include <utility>

#include "image/chip_image.h"
#include "image/image_format_table.h"
#include "image/record_text.h"

namespace dspprog {
namespace {

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::string PastEnd(const std::string& name, std::uint64_t address, std::uint64_t size) {
    return "файл " + Quoted(name) + ": данные по адресу " + HexAddress(address) +
           " лежат за концом образа (" + HexAddress(size) + " байт)";
}

// What one piece gives, from its `at` on: the bytes, and a 1 beside each
// one given.
std::optional<std::string> Given(const ImagePiece& piece, std::uint32_t offset,
                                 std::uint64_t room, std::vector<std::uint8_t>& bytes,
                                 std::vector<std::uint8_t>& given) {
    const ImageFormatRow& row = ImageFormatRowOf(piece.format);
    if (row.place == nullptr) {
        if (piece.content.size() > room)
            return PastEnd(piece.name, piece.at + room, piece.at + room);
        bytes.assign(piece.content.begin(), piece.content.end());
        given.assign(bytes.size(), 1);
        return std::nullopt;
    }
    if (std::optional<std::string> problem =
            OffsetProblem(offset, static_cast<std::uint32_t>(std::min<std::uint64_t>(room, 0xFFFFFFFF))))
        return "файл " + Quoted(piece.name) + ": " + *problem;
    ChipImage window(static_cast<std::uint32_t>(std::min<std::uint64_t>(room, 0xFFFFFFFF)), offset);
    if (std::optional<ImageDefect> defect = row.place(piece.content, window)) {
        std::string text = "ошибка в файле " + Quoted(piece.name);
        if (defect->line != 0) text += ", строка " + std::to_string(defect->line);
        return text + ": " + defect->reason;
    }
    window.TakeGiven(bytes, given);
    return std::nullopt;
}

}  // namespace

PlacedName ParsePlacedName(std::string_view text) {
    const std::size_t at = text.rfind('@');
    if (at != std::string_view::npos && at > 0) {
        if (const std::optional<std::uint32_t> address = ParseImageOffset(text.substr(at + 1)))
            return {std::string(text.substr(0, at)), address};
    }
    return {std::string(text), std::nullopt};
}

std::optional<ByteLane> ParseByteLane(std::string_view text) {
    if (text.size() != 3 || text[1] != ':') return std::nullopt;
    if (text[0] != '2' && text[0] != '4') return std::nullopt;
    if (text[2] < '0' || text[2] > '9') return std::nullopt;
    const ByteLane lane{static_cast<unsigned>(text[0] - '0'), static_cast<unsigned>(text[2] - '0')};
    if (lane.index >= lane.count) return std::nullopt;
    return lane;
}

std::optional<std::uint8_t> ParseFillByte(std::string_view text) {
    const std::optional<std::uint32_t> value = ParseImageOffset(text);
    if (!value || *value > 0xFF) return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

std::optional<std::string> PlaceImages(std::span<const ImagePiece> pieces, std::uint32_t offset,
                                       std::uint8_t fill, std::optional<std::uint64_t> size,
                                       std::uint64_t limit, std::vector<std::uint8_t>& image) {
    image.clear();
    // Each byte remembers its file in 16 bits.
    if (pieces.size() > 0xFFFF) return "файлов больше 65535";
    const std::uint64_t space = size.value_or(limit);
    // Which piece gave each byte (its index plus one), to name both files
    // when a second one gives another value.
    std::vector<std::uint16_t> owner;
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> given;
    for (std::size_t p = 0; p < pieces.size(); ++p) {
        const ImagePiece& piece = pieces[p];
        if (piece.at >= space && !piece.content.empty())
            return PastEnd(piece.name, piece.at, space);
        if (std::optional<std::string> problem =
                Given(piece, offset, space - std::min<std::uint64_t>(piece.at, space), bytes, given)) {
            image.clear();
            return problem;
        }
        const std::size_t end = piece.at + bytes.size();
        if (end > image.size()) {
            image.resize(end, fill);
            owner.resize(end, 0);
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (!given[i]) continue;
            const std::size_t address = piece.at + i;
            if (owner[address] != 0 && image[address] != bytes[i]) {
                const std::string problem =
                    "файлы " + Quoted(pieces[owner[address] - 1].name) + " и " +
                    Quoted(piece.name) + " дают разные байты по адресу " + HexAddress(address) +
                    ": " + HexByte(image[address]) + " и " + HexByte(bytes[i]);
                image.clear();
                return problem;
            }
            image[address] = bytes[i];
            owner[address] = static_cast<std::uint16_t>(p + 1);
        }
    }
    if (size) image.resize(static_cast<std::size_t>(*size), fill);
    return std::nullopt;
}

std::optional<std::string> SwapBytePairs(std::vector<std::uint8_t>& image) {
    if (image.size() % 2 != 0)
        return "образ нечётной длины (" + std::to_string(image.size()) +
               " байт): байты 16-битных слов не переставить";
    for (std::size_t i = 0; i + 1 < image.size(); i += 2) std::swap(image[i], image[i + 1]);
    return std::nullopt;
}

std::vector<std::uint8_t> KeepLane(std::span<const std::uint8_t> image, ByteLane lane) {
    std::vector<std::uint8_t> kept;
    kept.reserve(image.size() / lane.count + 1);
    for (std::size_t i = lane.index; i < image.size(); i += lane.count) kept.push_back(image[i]);
    return kept;
}

std::optional<std::string> InterleaveLanes(std::span<const std::vector<std::uint8_t>> lanes,
                                           std::span<const std::string> names,
                                           std::vector<std::uint8_t>& image) {
    image.clear();
    for (std::size_t k = 1; k < lanes.size(); ++k) {
        if (lanes[k].size() != lanes[0].size())
            return "файлы " + Quoted(names[0]) + " (" + std::to_string(lanes[0].size()) +
                   " байт) и " + Quoted(names[k]) + " (" + std::to_string(lanes[k].size()) +
                   " байт) разной длины: их байты не чередовать";
    }
    const std::size_t count = lanes.size();
    image.resize(count * (lanes.empty() ? 0 : lanes[0].size()));
    for (std::size_t k = 0; k < count; ++k) {
        const std::vector<std::uint8_t>& lane = lanes[k];
        for (std::size_t i = 0; i < lane.size(); ++i) image[i * count + k] = lane[i];
    }
    return std::nullopt;
}

}  // namespace dspprog
