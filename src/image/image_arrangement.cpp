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
// one given; `given` empty when every byte is (a raw file's, which are
// then not copied: `view` shows them where they are).
std::optional<std::string> Given(const ImagePiece& piece, std::uint32_t offset, std::uint64_t room,
                                 std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>& given,
                                 std::span<const std::uint8_t>& view) {
    const ImageFormatRow& row = ImageFormatRowOf(piece.format);
    if (row.place == nullptr) {
        if (piece.content.size() > room)
            return PastEnd(piece.name, piece.at + room, piece.at + room);
        view = {reinterpret_cast<const std::uint8_t*>(piece.content.data()), piece.content.size()};
        given.clear();
        return std::nullopt;
    }
    if (std::optional<std::string> problem = OffsetProblem(
            offset, static_cast<std::uint32_t>(std::min<std::uint64_t>(room, 0xFFFFFFFF))))
        return "файл " + Quoted(piece.name) + ": " + *problem;
    ChipImage window(static_cast<std::uint32_t>(std::min<std::uint64_t>(room, 0xFFFFFFFF)), offset);
    if (std::optional<ImageDefect> defect = row.place(piece.content, window)) {
        std::string text = "ошибка в файле " + Quoted(piece.name);
        if (defect->line != 0) text += ", строка " + std::to_string(defect->line);
        return text + ": " + defect->reason;
    }
    window.TakeGiven(bytes, given);
    view = bytes;
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
    // A known length is allocated once rather than grown file by file.
    if (size) {
        image.reserve(static_cast<std::size_t>(*size));
        owner.reserve(static_cast<std::size_t>(*size));
    }
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> given;
    std::span<const std::uint8_t> view;
    for (std::size_t p = 0; p < pieces.size(); ++p) {
        const ImagePiece& piece = pieces[p];
        if (piece.at >= space && !piece.content.empty())
            return PastEnd(piece.name, piece.at, space);
        if (std::optional<std::string> problem =
                Given(piece, offset, space - std::min<std::uint64_t>(piece.at, space), bytes, given,
                      view)) {
            image.clear();
            return problem;
        }
        const std::size_t end = piece.at + view.size();
        if (end > image.size()) {
            image.resize(end, fill);
            owner.resize(end, 0);
        }
        // Run by run of given bytes: a run that lands where no file has been
        // is copied whole, which is nearly always all there is to do.
        const bool whole = given.empty();
        for (std::size_t i = 0; i < view.size();) {
            if (!whole && !given[i]) {
                ++i;
                continue;
            }
            const std::size_t end_of_run =
                whole ? view.size()
                      : static_cast<std::size_t>(
                            std::find(given.begin() + static_cast<std::ptrdiff_t>(i), given.end(),
                                      std::uint8_t{0}) -
                            given.begin());
            const std::size_t from = piece.at + i;
            const std::size_t length = end_of_run - i;
            const auto owners = owner.begin() + static_cast<std::ptrdiff_t>(from);
            const auto first_owned =
                std::find_if(owners, owners + static_cast<std::ptrdiff_t>(length),
                             [](std::uint16_t o) { return o != 0; });
            for (auto at = first_owned; at != owners + static_cast<std::ptrdiff_t>(length); ++at) {
                const std::size_t address = static_cast<std::size_t>(at - owner.begin());
                const std::uint8_t byte = view[address - piece.at];
                if (*at == 0 || image[address] == byte) continue;
                const std::string problem = "файлы " + Quoted(pieces[*at - 1].name) + " и " +
                                            Quoted(piece.name) + " дают разные байты по адресу " +
                                            HexAddress(address) + ": " + HexByte(image[address]) +
                                            " и " + HexByte(byte);
                image.clear();
                return problem;
            }
            std::copy_n(view.begin() + static_cast<std::ptrdiff_t>(i), length,
                        image.begin() + static_cast<std::ptrdiff_t>(from));
            std::fill_n(owners, length, static_cast<std::uint16_t>(p + 1));
            i = end_of_run;
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
