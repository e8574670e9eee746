// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/image_command.h"

#include <memory>
#include <utility>
#include <vector>

#include "base/shown_text.h"
#include "base/utf8_file.h"
#include "image/checksums.h"
#include "image/image_encoder.h"
#include "operations/image_file.h"

namespace dspprog {

ImageMade MakeImageFile(const ImageRequest& request, Operator& op, std::string& problem) {
    // Before anything is read: the answer must not depend on the inputs.
    if (FilePresent(request.output)) {
        problem = "файл \"" + ShownText(request.output) + "\" уже есть; образ не заменяет файлы";
        return ImageMade::Refused;
    }
    std::vector<std::uint8_t> image;
    if (std::optional<ImageRefusal> refused = BuildImage(request, std::nullopt, image)) {
        problem = std::move(refused->problem);
        return ImageMade::Refused;
    }
    const ImageFormat format = request.format.value_or(ImageFormatFromFileName(request.output));
    const auto size = static_cast<std::uint32_t>(image.size());
    const std::unique_ptr<ImageEncoder> encoder = MakeImageEncoder(format, size);
    OutputImageFile file;
    if (!file.CreateNew(request.output)) {
        problem = "файл \"" + ShownText(request.output) + "\" не удаётся создать";
        return ImageMade::Refused;
    }
    file.WriteText(encoder->Begin(), op);
    file.WriteText(encoder->Data(0, image.data(), image.size()), op);
    file.WriteText(encoder->End(), op);
    file.Finish(op);
    if (!file.Keep()) {
        file.Abandon(op);
        problem = "файл \"" + ShownText(request.output) +
                  "\" появился во время записи; образ не заменяет файлы";
        return ImageMade::Refused;
    }
    const std::string form =
        format == ImageFormat::Raw ? "" : std::string(" (") + ImageFormatTitle(format) + ")";
    op.Log("  Образ: \"" + ShownText(request.output) + "\", " + std::to_string(image.size()) +
           " байт" + form + ".");
    for (const std::string& line : SumLines(ComputeSums(image))) op.Log(line);
    return ImageMade::Written;
}

}  // namespace dspprog
