// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/image_input.h"

#include <algorithm>
#include <utility>

#include "base/shown_text.h"
#include "link/fatal_stop.h"

namespace dspprog {
namespace {

constexpr const char* kReadError = "Ошибка при чтении входного файла";

// A raw image of exactly the chip's size goes from the disk record by record,
// as it always has; every other image is made by the pipeline first.
bool StreamsFromDisk(const ImageReading& reading, std::uint32_t file_size) {
    return !reading.patch && reading.format == ImageFormat::Raw && reading.offset == 0 &&
           file_size == reading.chip_size;
}

// The pipeline's recipe for `name` read as `reading` says. One file taken as
// it is keeps the form it was chosen in.
ImageRecipe RecipeOf(const std::string& name, const ImageReading& reading) {
    const ImageLayout& layout = reading.layout;
    ImageRecipe recipe;
    recipe.inputs = {{name, layout.first_at}};
    recipe.inputs.insert(recipe.inputs.end(), layout.more.begin(), layout.more.end());
    recipe.forced_format = layout.Arranging() ? reading.forced_format : reading.format;
    recipe.offset = reading.offset;
    recipe.fill = layout.fill;
    recipe.swap = layout.swap;
    recipe.lane = layout.lane;
    recipe.pad = reading.pad;
    recipe.patch = reading.patch;
    return recipe;
}

}  // namespace

std::uint64_t ArrangedSize(const ImageReading& reading) {
    return std::uint64_t{reading.chip_size} * reading.layout.lane.count;
}

ImageInput::Opened ImageInput::Open(const std::string& name, const ImageReading& reading) {
    Close();
    name_ = name;
    reading_ = reading;
    refusal_ = {};
    if (!reading.layout.Arranging() && !reading.read) {
        const std::int32_t size = FileSizeByName(name);
        if (size >= 0 && StreamsFromDisk(reading, static_cast<std::uint32_t>(size)))
            return file_.Open(name) ? Opened::Ready : Opened::CannotOpen;
    }
    if (std::optional<ImageRefusal> refused =
            BuildImage(RecipeOf(name, reading), reading.chip_size, bytes_,
                       reading.read ? reading.read : ImageFileReader(ReadImageFile))) {
        refusal_ = std::move(*refused);
        return refusal_.kind == ImageRefusal::Kind::Unreadable ? Opened::CannotOpen
                                                               : Opened::Refused;
    }
    converted_ = true;
    return Opened::Ready;
}

void ImageInput::ReadBlock(DataBlock& block, Operator& op) {
    if (!converted_) {
        file_.ReadFileBlock(block, op);
        return;
    }
    if (next_ + block.size() > bytes_.size()) {
        op.ErrorBox(kReadError);
        Terminate(kReadError);
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(next_), block.size(), block.begin());
    next_ += block.size();
}

void ImageInput::Close() {
    file_.Close();
    bytes_.clear();
    next_ = 0;
    converted_ = false;
}

std::string ImageInput::RefusalLine() const {
    if (refusal_.kind == ImageRefusal::Kind::Problem) return "  " + refusal_.problem;
    return ImageDefectLine(name_, refusal_.defect);
}

std::string ImageDefectLine(const std::string& name, const ImageDefect& defect) {
    std::string line = "  Ошибка в файле \"" + ShownText(name) + "\"";
    if (defect.line != 0) line += ", строка " + std::to_string(defect.line);
    return line + ": " + defect.reason;
}

}  // namespace dspprog
