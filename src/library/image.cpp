// SPDX-License-Identifier: GPL-3.0-or-later
// The public image functions over the image layer's formats, encoders and
// its one pipeline.
#include "library/internal_names.h"

#include <map>
#include <string_view>

#include "base/new_file.h"
#include "base/shown_text.h"
#include "base/utf8_file.h"
#include "image/checksums.h"
#include "image/image_encoder.h"
#include "image/serial_number.h"
#include "operations/image_input.h"

#include "dspprog/error.h"
#include "dspprog/image.h"

namespace dspprog::v0 {

namespace {

std::string_view TextOf(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string WithoutIndent(const std::string& line) {
    const std::size_t start = line.find_first_not_of(' ');
    return start == std::string::npos ? line : line.substr(start);
}

std::string CannotOpenLine(const std::string& name) {
    return "Ошибка открытия файла:\"" + ShownText(name) + "\"!";
}

}  // namespace

Sums SumsOf(std::span<const std::uint8_t> bytes) {
    return {Sum16(bytes), Crc32(bytes)};
}

ImageFormat RecogniseFormat(std::span<const std::uint8_t> content) {
    return static_cast<ImageFormat>(RecogniseImageFormat(TextOf(content)));
}

Bytes DecodeImage(std::span<const std::uint8_t> content, ImageFormat format, std::uint32_t size,
                  std::uint32_t offset) {
    Bytes chip;
    const auto defect =
        ConvertImage(TextOf(content), static_cast<library::Form>(format), size, offset, chip);
    if (defect)
        throw BadInput(defect->line == 0
                           ? defect->reason
                           : "строка " + std::to_string(defect->line) + ": " + defect->reason);
    return chip;
}

Bytes EncodeImage(std::span<const std::uint8_t> bytes, ImageFormat format, std::uint32_t offset) {
    if (bytes.size() > kMaxArrangedImage) throw BadInput("Образ больше 64 МБ");
    const auto size = static_cast<std::uint32_t>(bytes.size());
    const auto encoder = MakeImageEncoder(static_cast<library::Form>(format), size, offset);
    if (!encoder) throw BadInput(OffsetProblem(offset, size).value_or("offset"));
    std::string text = encoder->Begin();
    text += encoder->Data(0, bytes.data(), bytes.size());
    text += encoder->End();
    return Bytes(text.begin(), text.end());
}

Bytes ReadFileBytes(const std::string& path) {
    const std::optional<std::string> content = ReadImageFile(path);
    if (!content) throw BadInput(CannotOpenLine(path));
    if (content->size() > kMaxImageFileBytes)
        throw BadInput("Файл \"" + ShownText(path) + "\" больше 64 МБ");
    return Bytes(content->begin(), content->end());
}

void WriteImageFile(const std::string& path, std::span<const std::uint8_t> bytes,
                    ImageFormat format, std::uint32_t offset, bool replace) {
    const Bytes encoded = EncodeImage(bytes, format, offset);
    const std::string_view text(reinterpret_cast<const char*>(encoded.data()), encoded.size());
    if (!replace) {
        // The file the window saves the buffer with: written beside, moved in
        // whole, and only while the name is still free.
        switch (dspprog::WriteNewFile(path, text)) {
            case NewFileResult::Saved:
                return;
            case NewFileResult::Exists:
                throw BadInput("Файл \"" + ShownText(path) + "\" уже есть; он не заменяется");
            case NewFileResult::Failed:
                throw BadInput("Ошибка создания файла:\"" + ShownText(path) + "\"");
        }
    }
    // Made beside the file and moved in whole, so that a failure leaves no
    // half-written image under the name.
    if (!WriteReplacingFile(path, text))
        throw BadInput("Ошибка создания файла:\"" + ShownText(path) + "\"");
}

Bytes BuildImage(const ImageRecipe& recipe, std::optional<std::uint32_t> chip_size,
                 std::optional<std::uint64_t> size) {
    if (recipe.sources.empty()) throw BadInput("Образ не из чего делать: нет ни одного источника");
    library::Recipe inner;
    std::map<std::string, const Bytes*> buffers;
    for (std::size_t n = 0; n < recipe.sources.size(); ++n) {
        const ImageSource& source = recipe.sources[n];
        PlacedName placed{source.name, source.address};
        if (source.bytes) {
            // A buffer is read under its name; one without a name, or with
            // the name of another input, gets one of its own.
            if (placed.name.empty()) placed.name = "буфер " + std::to_string(n + 1);
            while (buffers.contains(placed.name)) placed.name += "+";
            buffers[placed.name] = &*source.bytes;
        }
        inner.inputs.push_back(placed);
    }
    if (recipe.format) inner.forced_format = static_cast<library::Form>(*recipe.format);
    inner.offset = recipe.offset;
    inner.size = size;
    inner.fill = recipe.fill;
    inner.swap = recipe.swap;
    const ByteLane lane{recipe.lanes, recipe.lane};
    if ((lane.count != 1 && lane.count != 2 && lane.count != 4) || lane.index >= lane.count)
        throw BadInput("lanes must be 1, 2 or 4 and lane below it");
    inner.lane = lane;
    inner.interleave = recipe.interleave;
    inner.pad = recipe.pad;
    if (recipe.serial) {
        const SerialNumber& serial = *recipe.serial;
        const std::optional<SerialForm> form = SerialFormNamed(serial.form);
        if (!form)
            throw BadInput("serial form '" + serial.form +
                           "' is none of le, be, bcd-le, bcd-be, ascii");
        const auto bytes = EncodeSerial(serial.number, serial.width, *form);
        if (!bytes) {
            const SerialNumbering numbering{serial.address, serial.number, 1, serial.width, *form};
            throw BadInput(SerialTooWideText(serial.number, numbering));
        }
        inner.patch = ImagePatch{serial.address, *bytes};
    }
    const auto read = [&](const std::string& name) -> std::optional<std::string> {
        const auto buffer = buffers.find(name);
        if (buffer == buffers.end()) return ReadImageFile(name);
        return std::string(buffer->second->begin(), buffer->second->end());
    };
    Bytes image;
    const std::optional<ImageRefusal> refusal = library::Build(inner, chip_size, image, read);
    if (!refusal) return image;
    const std::string& first = recipe.sources.front().name;
    switch (refusal->kind) {
        case ImageRefusal::Kind::Unreadable:
            throw BadInput(CannotOpenLine(first));
        case ImageRefusal::Kind::Defect:
            throw BadInput(WithoutIndent(ImageDefectLine(first, refusal->defect)));
        case ImageRefusal::Kind::Problem:
            break;
    }
    throw BadInput(refusal->problem);
}

}  // namespace dspprog::v0
