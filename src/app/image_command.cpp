// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/image_command.h"

#include <memory>
#include <utility>

#include "base/shown_text.h"
#include "base/utf8_file.h"
#include "image/checksums.h"
#include "image/image_encoder.h"
#include "operations/image_file.h"

namespace dspprog {
namespace {

std::optional<std::string> ReadInput(const std::string& name, std::string& content) {
    InputImageFile file;
    // One byte past the largest image tells a file that is too large.
    if (!file.Open(name) || !file.ReadRest(content, kMaxArrangedImage + 1))
        return "Файл не удаётся прочитать: \"" + ShownText(name) + "\"!";
    if (content.size() > kMaxArrangedImage)
        return "файл \"" + ShownText(name) + "\" больше " +
               std::to_string(kMaxArrangedImage >> 20) + " МБ";
    return std::nullopt;
}

// The bytes of the inputs placed as they say, or, to interleave, each input
// on its own as one lane.
std::optional<std::string> Build(const ImageRequest& request, std::vector<std::uint8_t>& image) {
    std::vector<std::string> contents(request.inputs.size());
    std::vector<ImagePiece> pieces;
    for (std::size_t i = 0; i < request.inputs.size(); ++i) {
        const PlacedName& input = request.inputs[i];
        if (std::optional<std::string> problem = ReadInput(input.name, contents[i])) return problem;
        const std::optional<ImageFormat> format = ImageFormatOfFile(contents[i], input.name, false);
        if (!format) return "файл \"" + ShownText(input.name) + "\": " + kTextOfNoImageForm;
        pieces.push_back({input.name, contents[i], *format, input.at.value_or(0)});
    }
    if (request.interleave) {
        std::vector<std::vector<std::uint8_t>> lanes(pieces.size());
        std::vector<std::string> names;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            names.push_back(pieces[i].name);
            if (std::optional<std::string> problem =
                    PlaceImages(std::span(&pieces[i], 1), request.offset, request.fill,
                                std::nullopt, kMaxArrangedImage, lanes[i]))
                return problem;
        }
        if (std::optional<std::string> problem =
                InterleaveLanes(lanes, names, request.size, request.fill, image))
            return problem;
    } else if (std::optional<std::string> problem = PlaceImages(
                   pieces, request.offset, request.fill, request.size, kMaxArrangedImage, image)) {
        return problem;
    }
    if (request.swap) {
        if (std::optional<std::string> problem = SwapBytePairs(image)) return problem;
    }
    if (request.lane.count > 1) image = KeepLane(image, request.lane);
    return std::nullopt;
}

}  // namespace

ImageMade MakeImageFile(const ImageRequest& request, Operator& op, std::string& problem) {
    // Before anything is read: the answer must not depend on the inputs.
    if (FilePresent(request.output)) {
        problem = "файл \"" + ShownText(request.output) + "\" уже есть; образ не заменяет файлы";
        return ImageMade::Refused;
    }
    std::vector<std::uint8_t> image;
    if (std::optional<std::string> refused = Build(request, image)) {
        problem = std::move(*refused);
        return ImageMade::Refused;
    }
    if (image.empty()) {
        problem = kTextOfEmptyImage;
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
