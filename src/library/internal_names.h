// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The library's public names (dspprog/, in the inline namespace dspprog::v0)
// repeat a few of the layers' own: Programmer, ImageFormat, ImageRecipe,
// BuildImage. Once both are seen, those names are ambiguous in dspprog, so
// the library's files name the layers' ones through these aliases, made
// here before any public header is included: include this file first, the
// public headers last.

#include <cstdint>
#include <optional>
#include <vector>

#include "image/image_format.h"
#include "image/image_pipeline.h"
#include "production/run_executor.h"
#include "startup/programmer.h"

namespace dspprog::library {

using Backends = ::dspprog::Programmer;
using Form = ::dspprog::ImageFormat;
using Recipe = ::dspprog::ImageRecipe;

inline std::optional<ImageRefusal> Build(const Recipe& recipe,
                                         std::optional<std::uint32_t> chip_size,
                                         std::vector<std::uint8_t>& image,
                                         const ImageFileReader& read) {
    return ::dspprog::BuildImage(recipe, chip_size, image, read);
}

}  // namespace dspprog::library
