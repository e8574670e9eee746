// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/image_input.h"

#include <algorithm>

#include "base/shown_text.h"
#include "image/image_arrangement.h"
#include "link/fatal_stop.h"

namespace dspprog {
namespace {

constexpr const char* kReadError = "Ошибка при чтении входного файла";

// The whole file, or a little more than kMaxImageFileBytes of it: a device or
// an endless file must not fill the memory.
std::optional<std::string> ReadWhole(const std::string& name) {
    InputImageFile file;
    std::string content;
    if (!file.Open(name) || !file.ReadRest(content, kMaxImageFileBytes)) return std::nullopt;
    return content;
}

// A raw image of exactly the chip's size goes from the disk record by record,
// as it always has; every other image is converted first.
bool StreamsFromDisk(const ImageReading& reading, std::uint32_t file_size) {
    return !reading.patch && reading.format == ImageFormat::Raw && reading.offset == 0 &&
           file_size == reading.chip_size;
}

// The bytes an arranged image gives the chip: every file read whole and
// placed, then swapped, then the chip's lane kept. Nothing, with `problem`
// set, when the files do not make an image.
std::optional<std::vector<std::uint8_t>> Arrange(const std::string& first,
                                                 const ImageReading& reading,
                                                 std::string& problem) {
    const ImageLayout& layout = reading.layout;
    std::vector<PlacedName> names = {{first, layout.first_at}};
    names.insert(names.end(), layout.more.begin(), layout.more.end());
    const std::uint64_t space = ArrangedSize(reading);
    std::vector<std::string> contents;
    contents.reserve(names.size());
    std::vector<ImagePiece> pieces;
    for (const PlacedName& placed : names) {
        std::optional<std::string> content = ReadWhole(placed.name);
        if (!content) {
            problem = "Файл не удаётся прочитать: \"" + ShownText(placed.name) + "\"!";
            return std::nullopt;
        }
        if (content->size() > kMaxImageFileBytes) {
            problem = "файл \"" + ShownText(placed.name) + "\" больше " +
                      std::to_string(kMaxImageFileBytes >> 20) + " МБ";
            return std::nullopt;
        }
        const std::optional<ImageFormat> format =
            reading.forced_format
                ? reading.forced_format
                : ImageFormatOfFile(*content, placed.name, content->size() == space);
        if (!format) {
            problem = "файл \"" + ShownText(placed.name) + "\": " + kTextOfNoImageForm;
            return std::nullopt;
        }
        contents.push_back(std::move(*content));
        pieces.push_back({placed.name, contents.back(), *format, placed.at.value_or(0)});
    }
    std::vector<std::uint8_t> image;
    if (std::optional<std::string> refused =
            PlaceImages(pieces, reading.offset, layout.fill, space, space, image)) {
        problem = std::move(*refused);
        return std::nullopt;
    }
    if (layout.swap) {
        if (std::optional<std::string> refused = SwapBytePairs(image)) {
            problem = std::move(*refused);
            return std::nullopt;
        }
    }
    if (layout.lane.count > 1) image = KeepLane(image, layout.lane);
    return image;
}

}  // namespace

std::uint64_t ArrangedSize(const ImageReading& reading) {
    return std::uint64_t{reading.chip_size} * reading.layout.lane.count;
}

ImageInput::Opened ImageInput::Open(const std::string& name, const ImageReading& reading) {
    Close();
    name_ = name;
    reading_ = reading;
    defect_ = {};
    arrangement_problem_.clear();
    if (reading.layout.Arranging()) {
        std::optional<std::vector<std::uint8_t>> image =
            Arrange(name, reading, arrangement_problem_);
        if (!image) return Opened::Refused;
        bytes_ = std::move(*image);
        return LayPatch();
    }
    const std::int32_t size = FileSizeByName(name);
    if (size >= 0 && StreamsFromDisk(reading, static_cast<std::uint32_t>(size))) {
        converted_ = false;
        return file_.Open(name) ? Opened::Ready : Opened::CannotOpen;
    }

    std::optional<std::string> content = ReadWhole(name);
    if (!content) return Opened::CannotOpen;
    if (content->size() > kMaxImageFileBytes) {
        defect_ = {0, "файл больше " + std::to_string(kMaxImageFileBytes >> 20) + " МБ"};
        return Opened::Refused;
    }
    if (reading.format == ImageFormat::Raw && reading.pad && !content->empty() &&
        content->size() < reading.chip_size)
        content->resize(reading.chip_size, '\xFF');
    if (std::optional<ImageDefect> defect =
            ConvertImage(*content, reading.format, reading.chip_size, reading.offset, bytes_)) {
        defect_ = std::move(*defect);
        return Opened::Refused;
    }
    return LayPatch();
}

// The serial number goes over the chip's bytes last, whichever way they were
// made: a number laid before the swap or the lane would land elsewhere.
ImageInput::Opened ImageInput::LayPatch() {
    if (reading_.patch) {
        const ImagePatch& patch = *reading_.patch;
        if (patch.address > bytes_.size() || patch.bytes.size() > bytes_.size() - patch.address) {
            defect_ = {0, "серийный номер не помещается в чип"};
            return Opened::Refused;
        }
        std::copy(patch.bytes.begin(), patch.bytes.end(),
                  bytes_.begin() + static_cast<std::ptrdiff_t>(patch.address));
    }
    converted_ = true;
    next_ = 0;
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
    if (!arrangement_problem_.empty()) return "  " + arrangement_problem_;
    return ImageDefectLine(name_, defect_);
}

std::string ImageDefectLine(const std::string& name, const ImageDefect& defect) {
    std::string line = "  Ошибка в файле \"" + ShownText(name) + "\"";
    if (defect.line != 0) line += ", строка " + std::to_string(defect.line);
    return line + ": " + defect.reason;
}

}  // namespace dspprog
