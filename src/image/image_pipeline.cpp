// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image_pipeline.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <utility>

#include "base/shown_text.h"
#include "base/utf8_file.h"

namespace dspprog {
namespace {

ImageRefusal Problem(std::string problem) {
    return {ImageRefusal::Kind::Problem, {}, std::move(problem)};
}

ImageRefusal Defect(std::string reason) {
    return {ImageRefusal::Kind::Defect, {0, std::move(reason)}, {}};
}

std::string TooLarge(std::uintmax_t limit) {
    return "больше " + std::to_string(limit >> 20) + " МБ";
}

// One file at no address, nothing to swap, split or fill: the chip gets the
// file's bytes in its form, as a chip always has.
bool TakenAsItIs(const ImageRecipe& recipe) {
    return recipe.inputs.size() == 1 && !recipe.inputs.front().at && !recipe.swap &&
           recipe.lane.count == 1 && recipe.fill == 0xFF && !recipe.interleave;
}

// The file's bytes in its form; a raw image shorter than the chip is padded
// to the chip's size first when the recipe says so. A file that cannot be read
// is left to the caller to name.
std::optional<ImageRefusal> TakeAsItIs(const ImageRecipe& recipe, std::uint32_t chip_size,
                                       std::vector<std::uint8_t>& image,
                                       const ImageFileReader& read) {
    const std::string& name = recipe.inputs.front().name;
    std::optional<std::string> content = read(name);
    if (!content) return ImageRefusal{ImageRefusal::Kind::Unreadable, {}, {}};
    if (content->size() > kMaxImageFileBytes) return Defect("файл " + TooLarge(kMaxImageFileBytes));
    const std::optional<ImageFormat> format =
        recipe.forced_format ? recipe.forced_format
                             : ImageFormatOfFile(*content, name, content->size() == chip_size);
    if (!format) return Defect(kTextOfNoImageForm);
    if (*format == ImageFormat::Raw && recipe.pad && !content->empty() &&
        content->size() < chip_size)
        content->resize(chip_size, '\xFF');
    if (std::optional<ImageDefect> defect =
            ConvertImage(*content, *format, chip_size, recipe.offset, image))
        return ImageRefusal{ImageRefusal::Kind::Defect, std::move(*defect), {}};
    return std::nullopt;
}

// Every file read whole and placed (or each placed as one lane and the lanes
// interleaved), then swapped, then the chip's lane kept.
std::optional<ImageRefusal> Arrange(const ImageRecipe& recipe,
                                    std::optional<std::uint32_t> chip_size,
                                    std::vector<std::uint8_t>& image, const ImageFileReader& read) {
    // A chip that takes one lane of a wider image measures the whole image.
    std::optional<std::uint64_t> size = recipe.size;
    std::uint64_t limit = kMaxArrangedImage;
    if (chip_size) size = limit = std::uint64_t{*chip_size} * recipe.lane.count;
    std::vector<std::string> contents(recipe.inputs.size());
    std::vector<ImagePiece> pieces;
    for (std::size_t i = 0; i < recipe.inputs.size(); ++i) {
        const PlacedName& input = recipe.inputs[i];
        std::optional<std::string> content = read(input.name);
        if (!content)
            return Problem("Файл не удаётся прочитать: \"" + ShownText(input.name) + "\"!");
        if (content->size() > kMaxImageFileBytes)
            return Problem("файл \"" + ShownText(input.name) + "\" " +
                           TooLarge(kMaxImageFileBytes));
        contents[i] = std::move(*content);
        const bool chip_sized = chip_size && contents[i].size() == *size;
        const std::optional<ImageFormat> format =
            recipe.forced_format ? recipe.forced_format
                                 : ImageFormatOfFile(contents[i], input.name, chip_sized);
        if (!format)
            return Problem("файл \"" + ShownText(input.name) + "\": " + kTextOfNoImageForm);
        pieces.push_back({input.name, contents[i], *format, input.at.value_or(0)});
    }
    if (recipe.interleave) {
        std::vector<std::vector<std::uint8_t>> lanes(pieces.size());
        std::vector<std::string> names;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            names.push_back(pieces[i].name);
            if (std::optional<std::string> problem =
                    PlaceImages(std::span(&pieces[i], 1), recipe.offset, recipe.fill, std::nullopt,
                                limit, lanes[i]))
                return Problem(std::move(*problem));
        }
        if (std::optional<std::string> problem =
                InterleaveLanes(lanes, names, size, recipe.fill, image))
            return Problem(std::move(*problem));
    } else if (std::optional<std::string> problem =
                   PlaceImages(pieces, recipe.offset, recipe.fill, size, limit, image)) {
        return Problem(std::move(*problem));
    }
    if (recipe.swap) {
        if (std::optional<std::string> problem = SwapBytePairs(image))
            return Problem(std::move(*problem));
    }
    if (recipe.lane.count > 1) image = KeepLane(image, recipe.lane);
    if (image.empty()) return Problem(std::string(kTextOfEmptyImage));
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ReadImageFile(const std::string& name) {
    if (name.empty()) return std::nullopt;
    std::FILE* file = OpenForReading(name);
    if (!file) return std::nullopt;
    std::string content;
    const bool read = ReadUpTo(file, content, kMaxImageFileBytes);
    std::fclose(file);
    if (!read) return std::nullopt;
    return content;
}

std::optional<ImageRefusal> BuildImage(const ImageRecipe& recipe,
                                       std::optional<std::uint32_t> chip_size,
                                       std::vector<std::uint8_t>& image,
                                       const ImageFileReader& read) {
    image.clear();
    std::optional<ImageRefusal> refused = chip_size && TakenAsItIs(recipe)
                                              ? TakeAsItIs(recipe, *chip_size, image, read)
                                              : Arrange(recipe, chip_size, image, read);
    if (refused) {
        image.clear();
        return refused;
    }
    // Last, over the bytes as the chip gets them: a number laid before the
    // swap or the lane would land elsewhere.
    if (recipe.patch) {
        const ImagePatch& patch = *recipe.patch;
        if (patch.address > image.size() || patch.bytes.size() > image.size() - patch.address) {
            image.clear();
            return Defect("серийный номер не помещается в чип");
        }
        std::copy(patch.bytes.begin(), patch.bytes.end(),
                  image.begin() + static_cast<std::ptrdiff_t>(patch.address));
    }
    return std::nullopt;
}

}  // namespace dspprog
