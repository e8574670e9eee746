// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the Intel HEX and S-record readers, as if they
// were an image file offered for a write. Besides the sanitizers' findings
// it stops on a broken promise of the readers:
// - a refusal names a line of the file (0 for the whole file) and gives a
//   reason in valid UTF-8 (it goes to the operator's log), and no bytes;
// - an accepted file gives exactly the chip's size, and the chip written
//   out by our own encoder reads back into the same bytes;
// - an --offset text that parses reads the same when printed again.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_checks.h"
#include "image/image_encoder.h"
#include "image/image_format.h"

namespace {

void CheckRead(std::string_view text, dspprog::ImageFormat format, std::uint32_t chip_size,
               std::uint32_t offset) {
    using namespace dspprog;
    std::vector<std::uint8_t> chip;
    const std::optional<ImageDefect> defect = ConvertImage(text, format, chip_size, offset, chip);
    if (defect) {
        std::size_t lines = 1;
        for (char c : text) lines += c == '\n';
        Require(defect->line <= lines + 1);
        Require(!defect->reason.empty() && ValidUtf8(defect->reason));
        Require(chip.empty());
        return;
    }
    Require(chip.size() == chip_size);
    auto encoder = MakeImageEncoder(format, chip_size, offset);
    std::string file = encoder->Begin();
    for (std::uint32_t at = 0; at < chip_size; at += 4096) {
        file += encoder->Data(at, chip.data() + at, 4096);
    }
    file += encoder->End();
    std::vector<std::uint8_t> again;
    Require(!ConvertImage(file, format, chip_size, offset, again));
    Require(again == chip);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dspprog;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)RecogniseImageFormat(text);
    (void)ImageFormatFromFileName(text);
    (void)ImageFormatOfFile(text, "image.bin", false);

    // Both readers see every input: a chip at file address 0, and one lying
    // higher up, so that data below the offset turns up too.
    for (ImageFormat format : {ImageFormat::IntelHex, ImageFormat::SRecord}) {
        CheckRead(text, format, 0x20000, 0);
        CheckRead(text, format, 0x2000, 0x1000);
    }

    if (const std::optional<std::uint32_t> offset = ParseImageOffset(text.substr(0, 24))) {
        char printed[16];
        std::snprintf(printed, sizeof printed, "0x%X", static_cast<unsigned>(*offset));
        Require(ParseImageOffset(printed) == offset);
    }
    return 0;
}
