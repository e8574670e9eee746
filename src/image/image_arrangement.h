// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Arranging an image as a board needs it: several files placed at their
// addresses with the holes filled, the two bytes of each 16-bit word
// swapped, one byte lane of a 16- or 32-bit bus kept for its own chip; and
// the inverse, interleaving the lanes back into one image. In that order:
// place, then swap, then split.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_format.h"

namespace dspprog {

// One byte lane: bytes index, index + count, index + 2 count, ... of an
// image. One lane of one is the whole image.
struct ByteLane {
    unsigned count = 1;  // 1, 2 or 4
    unsigned index = 0;  // below count

    bool operator==(const ByteLane&) const = default;
};

// A file name and the address it is placed at ("FILE@ADDR").
struct PlacedName {
    std::string name;
    std::optional<std::uint32_t> at;

    bool operator==(const PlacedName&) const = default;
};

// What the operator asks of an image beyond its first file: where that one
// goes, the files after it, the fill, the swap and the lane.
struct ImageLayout {
    std::optional<std::uint32_t> first_at;
    std::vector<PlacedName> more;
    std::uint8_t fill = 0xFF;
    bool swap = false;
    ByteLane lane;

    // Files are placed (several, or one at an address): holes are filled.
    bool Placing() const { return first_at.has_value() || !more.empty(); }
    // Anything but one file taken as it is (a fill of its own fills a HEX
    // file's holes too).
    bool Arranging() const { return Placing() || swap || lane.count > 1 || fill != 0xFF; }
};

// "FILE@ADDR". When a file is named by the whole text (`whole_name_exists`),
// that file is meant, at no address. Otherwise the text after the last '@'
// is the address, as ParseImageOffset takes it, and anything else there is
// refused: nothing is returned and `problem` names the bad address. A text
// whose only '@' is its first character is a name.
std::optional<PlacedName> ParsePlacedName(std::string_view text, bool whole_name_exists,
                                          std::string& problem);
// "K:N" with K 2 or 4 and N below K; nothing for anything else.
std::optional<ByteLane> ParseByteLane(std::string_view text);
// A byte: decimal or 0x-prefixed hex up to 255 (0xFF); nothing for anything else.
std::optional<std::uint8_t> ParseFillByte(std::string_view text);

// One input: its name (for messages), content and form, and the address
// its chip offset 0 is placed at.
struct ImagePiece {
    std::string name;
    std::string_view content;
    ImageFormat format = ImageFormat::Raw;
    std::uint32_t at = 0;
};

// Why files that give no byte make no image.
inline constexpr std::string_view kTextOfEmptyImage = "ни один файл не даёт ни байта: образ пуст";

// Places `pieces` in an image of `size` bytes (without it: from address 0
// to the last byte any piece gives, at most `limit`). A raw piece gives all
// its bytes from `at` on; a HEX or S-record piece gives its records, file
// address A landing at A - offset + at. Bytes no piece gives are `fill`.
// On success returns nothing and `image` holds the bytes; otherwise the
// reason, one Russian sentence naming the file (a file's defect with its
// line, a byte past the end, or two files giving one address different
// bytes, with the first such address; or no byte given at all), and
// `image` is empty.
std::optional<std::string> PlaceImages(std::span<const ImagePiece> pieces, std::uint32_t offset,
                                       std::uint8_t fill, std::optional<std::uint64_t> size,
                                       std::uint64_t limit, std::vector<std::uint8_t>& image);

// Swaps the two bytes of every 16-bit word; an odd length is refused with
// the reason, and the image is left as it was.
std::optional<std::string> SwapBytePairs(std::vector<std::uint8_t>& image);

// The lane's bytes of `image`, in order.
std::vector<std::uint8_t> KeepLane(std::span<const std::uint8_t> image, ByteLane lane);

// Byte i of the result from lanes[i mod K] at i div K, K the number of
// lanes (2 or 4, all equally long), then `fill` up to `size` when it is
// given; otherwise the reason naming the lanes by `names` (lanes of unequal
// length, or more bytes than `size`), and `image` is empty.
std::optional<std::string> InterleaveLanes(std::span<const std::vector<std::uint8_t>> lanes,
                                           std::span<const std::string> names,
                                           std::optional<std::uint64_t> size, std::uint8_t fill,
                                           std::vector<std::uint8_t>& image);

}  // namespace dspprog
