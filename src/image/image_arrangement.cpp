// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image_arrangement.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <utility>

#include "base/shown_text.h"
#include "image/chip_image.h"
#include "image/image_format_table.h"
#include "image/record_text.h"

namespace dspprog {
namespace {

std::string Quoted(const std::string& name) {
    return "\"" + ShownText(name) + "\"";
}

std::string PastEnd(const std::string& name, std::uint64_t address, std::uint64_t size) {
    return "файл " + Quoted(name) + ": данные по адресу " + HexAddress(address) +
           " лежат за концом образа (" + HexAddress(size) + " байт)";
}

// What one piece gives, from its `at` on: the bytes, and a 1 beside each
// one given; `given` empty when every byte is (a raw file's, which are
// then not copied: `view` shows them where they are). `room` is what is
// left of an image of fixed length (`fixed`), else of the largest one.
std::optional<std::string> Given(const ImagePiece& piece, std::uint32_t offset, std::uint64_t room,
                                 bool fixed, std::vector<std::uint8_t>& bytes,
                                 std::vector<std::uint8_t>& given,
                                 std::span<const std::uint8_t>& view) {
    const ImageFormatRow& row = ImageFormatRowOf(piece.format);
    if (row.place == nullptr) {
        if (piece.content.size() > room)
            return PastEnd(piece.name, piece.at + room, piece.at + room);
        view = {reinterpret_cast<const std::uint8_t*>(piece.content.data()), piece.content.size()};
        given.clear();
        return std::nullopt;
    }
    std::uint64_t window_size = std::min<std::uint64_t>(room, 0xFFFFFFFF);
    // An image whose length its files decide ends where file addresses end:
    // no file address lies past 4 GB, so a high offset leaves no byte out.
    if (!fixed) window_size = std::min(window_size, (std::uint64_t{1} << 32) - offset);
    if (OffsetProblem(offset, static_cast<std::uint32_t>(window_size)))
        return "файл " + Quoted(piece.name) + ": образ в " + HexAddress(window_size) +
               " байт со смещением " + HexAddress(offset) + " выходит за 4 ГБ адресов";
    ChipImage window(static_cast<std::uint32_t>(window_size), offset);
    if (std::optional<ImageDefect> defect = row.place(piece.content, window)) {
        // As the same defect reads when the file is not placed.
        std::string text = "Ошибка в файле " + Quoted(piece.name);
        if (defect->line != 0) text += ", строка " + std::to_string(defect->line);
        return text + ": " + defect->reason;
    }
    window.TakeGiven(bytes, given);
    view = bytes;
    return std::nullopt;
}

}  // namespace

std::optional<PlacedName> ParsePlacedName(std::string_view text, bool whole_name_exists,
                                          std::string& problem) {
    const std::size_t at = text.rfind('@');
    if (whole_name_exists || at == std::string_view::npos || at == 0)
        return PlacedName{std::string(text), std::nullopt};
    const std::string_view address = text.substr(at + 1);
    if (const std::optional<std::uint32_t> value = ParseImageOffset(address))
        return PlacedName{std::string(text.substr(0, at)), value};
    problem = "'" + std::string(text) + "': no such file, and '" + std::string(address) +
              "' after its last '@' is no address (decimal or 0x-prefixed hex, below 4 GB)";
    return std::nullopt;
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
    const std::uint64_t space = size.value_or(limit);
    // A known length is allocated once rather than grown file by file.
    if (size) image.reserve(static_cast<std::size_t>(*size));
    // The stretches some file has given so far, by first address: where
    // each ends and which file gave it, to name both files when a second
    // one gives another value. They never overlap; a file's bytes that fall
    // where another gave the same ones stay the earlier file's.
    struct Owned {
        std::size_t end;
        std::size_t piece;
    };
    std::map<std::size_t, Owned> owned;
    std::vector<std::pair<std::size_t, std::size_t>> gaps;
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> given;
    std::span<const std::uint8_t> view;
    bool any_given = false;
    for (std::size_t p = 0; p < pieces.size(); ++p) {
        const ImagePiece& piece = pieces[p];
        if (piece.at >= space && !piece.content.empty())
            return PastEnd(piece.name, piece.at, space);
        if (std::optional<std::string> problem =
                Given(piece, offset, space - std::min<std::uint64_t>(piece.at, space),
                      size.has_value(), bytes, given, view)) {
            image.clear();
            return problem;
        }
        // A piece reaches as far as its last given byte: an empty file, or
        // a HEX file without data, at some address adds nothing.
        std::size_t extent = view.size();
        if (!given.empty())
            extent = static_cast<std::size_t>(
                given.rend() - std::find(given.rbegin(), given.rend(), std::uint8_t{1}));
        if (extent == 0) continue;
        any_given = true;
        const std::size_t end = piece.at + extent;
        if (end > image.size()) image.resize(end, fill);
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
            const std::size_t to = piece.at + end_of_run;
            const std::uint8_t* run = view.data() + i;
            // The stretches this run meets, in address order: the one that
            // starts before it and reaches into it, then those inside it.
            auto met = owned.upper_bound(from);
            if (met != owned.begin() && std::prev(met)->second.end > from) --met;
            gaps.clear();
            std::size_t cursor = from;
            for (; met != owned.end() && met->first < to; ++met) {
                const std::size_t first = std::max(from, met->first);
                const std::size_t last = std::min(to, met->second.end);
                const auto there = image.begin() + static_cast<std::ptrdiff_t>(first);
                const auto differ = std::mismatch(there, there + static_cast<std::ptrdiff_t>(last - first),
                                                  run + (first - from));
                if (differ.first != there + static_cast<std::ptrdiff_t>(last - first)) {
                    const std::size_t address = static_cast<std::size_t>(differ.first - image.begin());
                    std::string problem = "файлы " + Quoted(pieces[met->second.piece].name) +
                                          " и " + Quoted(piece.name) +
                                          " дают разные байты по адресу " + HexAddress(address) +
                                          ": " + HexByte(*differ.first) + " и " +
                                          HexByte(*differ.second);
                    image.clear();
                    return problem;
                }
                if (met->first > cursor) gaps.emplace_back(cursor, met->first);
                cursor = std::max(cursor, met->second.end);
            }
            if (cursor < to) gaps.emplace_back(cursor, to);
            for (const auto& [gap_from, gap_to] : gaps) {
                std::copy(run + (gap_from - from), run + (gap_to - from),
                          image.begin() + static_cast<std::ptrdiff_t>(gap_from));
                owned.emplace(gap_from, Owned{gap_to, p});
            }
            i = end_of_run;
        }
    }
    // Fill alone is no image, whatever length it was asked to have.
    if (!any_given) {
        image.clear();
        return std::string(kTextOfEmptyImage);
    }
    if (size) image.resize(static_cast<std::size_t>(*size), fill);
    return std::nullopt;
}

std::optional<std::string> SwapBytePairs(std::vector<std::uint8_t>& image) {
    if (image.size() % 2 != 0)
        return "образ нечётной длины (" + std::to_string(image.size()) +
               " байт): байты 16-битных слов не переставить";
    // Four 16-bit words at a time (whatever the machine's byte order: every
    // byte moves to its neighbour's place), then the last few one by one.
    std::uint8_t* const at = image.data();
    const std::size_t size = image.size();
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t words;
        std::memcpy(&words, at + i, 8);
        words = (words & 0x00FF00FF00FF00FFu) << 8 | (words >> 8 & 0x00FF00FF00FF00FFu);
        std::memcpy(at + i, &words, 8);
    }
    for (; i < size; i += 2) std::swap(at[i], at[i + 1]);
    return std::nullopt;
}

std::vector<std::uint8_t> KeepLane(std::span<const std::uint8_t> image, ByteLane lane) {
    const std::size_t count = image.size() > lane.index
                                  ? (image.size() - lane.index + lane.count - 1) / lane.count
                                  : 0;
    std::vector<std::uint8_t> kept(count);
    const std::uint8_t* from = image.data() + lane.index;
    for (std::size_t i = 0; i < count; ++i) kept[i] = from[i * lane.count];
    return kept;
}

std::optional<std::string> InterleaveLanes(std::span<const std::vector<std::uint8_t>> lanes,
                                           std::span<const std::string> names,
                                           std::optional<std::uint64_t> size, std::uint8_t fill,
                                           std::vector<std::uint8_t>& image) {
    image.clear();
    for (std::size_t k = 1; k < lanes.size(); ++k) {
        if (lanes[k].size() != lanes[0].size())
            return "файлы " + Quoted(names[0]) + " (" + std::to_string(lanes[0].size()) +
                   " байт) и " + Quoted(names[k]) + " (" + std::to_string(lanes[k].size()) +
                   " байт) разной длины: их байты не чередовать";
    }
    const std::size_t count = lanes.size();
    const std::uint64_t length = count * (lanes.empty() ? 0 : lanes[0].size());
    // As when files are placed: a length below what the files give cuts
    // nothing off, it is refused. Byte `size` is lane size mod K's.
    if (size && length > *size) return PastEnd(names[*size % count], *size, *size);
    image.resize(static_cast<std::size_t>(length));
    for (std::size_t k = 0; k < count; ++k) {
        const std::vector<std::uint8_t>& lane = lanes[k];
        for (std::size_t i = 0; i < lane.size(); ++i) image[i * count + k] = lane[i];
    }
    if (size) image.resize(static_cast<std::size_t>(*size), fill);
    return std::nullopt;
}

}  // namespace dspprog
