// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/image_choice.h"

#include <cstdio>
#include <optional>

#include "base/shown_text.h"

namespace dspprog {
namespace {

// Enough of a file for its first line after a few blank ones: a record line
// is at most some 520 characters long.
constexpr std::size_t kRecognitionBytes = 4096;

std::string StartOf(const std::string& name) {
    InputImageFile file;
    std::string start;
    // A file that fails here fails again when it is opened to be read whole.
    if (file.Open(name)) file.ReadRest(start, kRecognitionBytes);
    return start;
}

// What the dialog's answer is, read from the disk, or from `read` when the
// run's files were read before it began.
struct FileLook {
    ImageFileAccess access = ImageFileAccess::Missing;
    std::uint32_t size = 0;
    std::string start;
};

FileLook LookAt(const std::string& name, const ImageFileReader& read) {
    FileLook look;
    if (read) {
        if (const std::optional<std::string> bytes = read(name)) {
            look.access = ImageFileAccess::Readable;
            look.size = static_cast<std::uint32_t>(bytes->size());
            look.start = bytes->substr(0, kRecognitionBytes);
        }
        return look;
    }
    look.access = CheckImageFile(name);
    if (look.access != ImageFileAccess::Readable) return look;
    look.size = static_cast<std::uint32_t>(FileSizeByName(name));
    look.start = StartOf(name);
    return look;
}

std::string AccessLine(ImageFileAccess access, const std::string& name) {
    const std::string quoted = "\"" + ShownText(name) + "\"!";
    switch (access) {
        case ImageFileAccess::Missing:
            return "  Файл не найден: " + quoted;
        case ImageFileAccess::Hidden:
            return "  Скрытые файлы не принимаются: " + quoted;
        case ImageFileAccess::NotOrdinary:
            return "  Это не обычный файл: " + quoted;
        case ImageFileAccess::Unreadable:
            return "  Файл не удаётся прочитать: " + quoted;
        case ImageFileAccess::Readable:
            break;
    }
    return {};
}

}  // namespace

ImageChosen ChooseImage(Session& session, ImageInput& image, std::string& name,
                        const char* cancelled) {
    Operator& op = session.op;
    const std::uint32_t chip_size = session.tChip.Size;
    ImageReading reading;
    reading.chip_size = chip_size;
    reading.offset = session.settings.image_offset;
    reading.pad = session.settings.pad_short_image;
    reading.layout = session.settings.layout;
    reading.forced_format = session.settings.image_format;
    // A chip that takes one lane of a wider image measures the whole image.
    const std::uint64_t space = ArrangedSize(reading);
    // Placed files may be of any size: the placing says what does not fit.
    const bool placing = reading.layout.Placing();
    reading.patch = session.settings.image_patch;
    reading.read = session.settings.read_image;
    // A number that would land outside the chip is no image of it, whatever the file.
    if (const auto& patch = reading.patch;
        patch &&
        (patch->address >= chip_size || patch->bytes.size() > chip_size - patch->address)) {
        char line[120];
        std::snprintf(
            line, sizeof line, "  Серийный номер по адресу 0x%06X (%u байт) не помещается в чип!",
            static_cast<unsigned>(patch->address), static_cast<unsigned>(patch->bytes.size()));
        session.Fail(line);
        return ImageChosen::Unusable;
    }

    // The size rules of a raw image: a larger file (or a name with no usable
    // file behind it, whose size counts as the largest there is) and a
    // smaller one get a line and a box each, in their own order; OK asks
    // again, Cancel gives up, and so do a cancelled dialog and an empty file.
    bool accepted = false;
    bool unusable = false;  // a file was named that the chip cannot take
    bool done = false;
    while (!done) {
        std::uint32_t file_size = 0;
        if (const std::optional<std::string> chosen = op.ChooseOpenFile()) {
            name = *chosen;
            const FileLook look = LookAt(name, reading.read);
            const ImageFileAccess access = look.access;
            if (access == ImageFileAccess::Readable) {
                file_size = look.size;
                const std::optional<ImageFormat> format =
                    session.settings.image_format
                        ? session.settings.image_format
                        : ImageFormatOfFile(look.start, name, file_size == space);
                if (!format) {
                    session.Fail(ImageDefectLine(name, ImageDefect{0, kTextOfNoImageForm}));
                    return ImageChosen::Unusable;
                }
                reading.format = *format;
                const bool padded = reading.pad && file_size > 0 && file_size < space;
                if (reading.format != ImageFormat::Raw || file_size == space || padded || placing) {
                    accepted = true;
                    break;
                }
            } else {
                session.Fail(AccessLine(access, name));
                file_size = 0xFFFFFFFF;
            }
            unusable = true;
            if (file_size > space) {
                session.Fail("  Размер файла больше размера чипа!");
                if (!op.OkCancelBox("Размер файла больше размера чипа!")) done = true;
            }
            if (file_size < space) {
                if (!op.OkCancelBox("Размер файла меньше размера чипа!")) done = true;
                session.Fail("  Размер файла меньше размера чипа!");
            }
        }
        if (file_size == 0) done = true;
    }
    if (!accepted) {
        session.Fail(cancelled);
        return unusable ? ImageChosen::Unusable : ImageChosen::Cancelled;
    }

    switch (image.Open(name, reading)) {
        case ImageInput::Opened::Ready:
            return ImageChosen::Ready;
        case ImageInput::Opened::CannotOpen:
            session.Fail("  Ошибка открытия файла:\"" + ShownText(name) + "\"!");
            break;
        case ImageInput::Opened::Refused:
            session.Fail(image.RefusalLine());
            break;
    }
    return ImageChosen::Unusable;
}

}  // namespace dspprog
