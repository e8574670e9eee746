// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/image_choice.h"

#include <optional>

namespace dspprog {
namespace {

// Enough of a file for its first line: a record line is at most some 520
// characters long.
constexpr std::size_t kRecognitionBytes = 4096;

}  // namespace

ImageFormat ImageFormatOfFile(const std::string& name) {
    if (FileSizeByName(name) < 0) return ImageFormat::Raw;
    InputImageFile file;
    std::string start;
    if (!file.Open(name) || !file.ReadRest(start, kRecognitionBytes)) return ImageFormat::Raw;
    return RecogniseImageFormat(start);
}

ImageChosen ChooseImage(Session& session, ImageInput& image, std::string& name,
                        const char* cancelled) {
    Operator& op = session.op;
    const std::uint32_t chip_size = session.tChip.Size;
    ImageReading reading;
    reading.chip_size = chip_size;
    reading.offset = session.ImageOffset;
    reading.pad = session.CheckBoxPad;

    // The size rules of a raw image: a larger file (or a name with no file
    // behind it, whose size counts as the largest there is) and a smaller one
    // get a line and a box each, in their own order; OK asks again, Cancel
    // gives up, and so do a cancelled dialog and an empty file.
    bool accepted = false;
    bool done = false;
    while (!done) {
        std::uint32_t file_size = 0;
        if (const std::optional<std::string> chosen = op.ChooseOpenFile()) {
            name = *chosen;
            reading.format = ImageFormatOfFile(name);
            file_size = static_cast<std::uint32_t>(FileSizeByName(name));
            const bool padded = reading.pad && file_size > 0 && file_size < chip_size;
            if (reading.format != ImageFormat::Raw || file_size == chip_size || padded) {
                accepted = true;
                break;
            }
            if (file_size > chip_size) {
                op.Log("  Размер файла больше размера чипа!");
                if (!op.OkCancelBox("Размер файла больше размера чипа!")) done = true;
            }
            if (file_size < chip_size) {
                if (!op.OkCancelBox("Размер файла меньше размера чипа!")) done = true;
                op.Log("  Размер файла меньше размера чипа!");
            }
        }
        if (file_size == 0) done = true;
    }
    if (!accepted) {
        op.Log(cancelled);
        return ImageChosen::Cancelled;
    }

    switch (image.Open(name, reading)) {
        case ImageInput::Opened::Ready:
            return ImageChosen::Ready;
        case ImageInput::Opened::CannotOpen:
            op.Log("  Ошибка открытия файла:\"" + name + "\"!");
            return ImageChosen::Failed;
        case ImageInput::Opened::Refused:
            op.Log(ImageDefectLine(name, image.defect()));
            return ImageChosen::Failed;
    }
    return ImageChosen::Failed;
}

}  // namespace dspprog
