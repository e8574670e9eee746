// SPDX-License-Identifier: GPL-3.0-or-later
// The order of the image pipeline: the serial number lands where the chip
// gets it, after every other step, and each way of failing says which.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "image/image_pipeline.h"

namespace dspprog {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ImagePipeline, LaysTheSerialNumberLastAndSaysWhyItRefuses) {
    const std::map<std::string, std::string> files = {
        {"ab", "\x01\x02\x03\x04"}, {"short", "\x01\x02"}, {"hi", "\x02\x04"}, {"lo", "\x01\x03"}};
    using Set = void (*)(ImageRecipe&);  // the recipe's steps but the number
    const Set swap = [](ImageRecipe& r) { r.swap = true; };
    const Set lane_2_1 = [](ImageRecipe& r) { r.lane = {2, 1}; };
    const Set lane_4_3 = [](ImageRecipe& r) { r.lane = {4, 3}; };
    const Set pad = [](ImageRecipe& r) { r.pad = true; };
    const Set fill_0 = [](ImageRecipe& r) { r.fill = 0; };
    const Set interleave = [](ImageRecipe& r) { r.interleave = true; };
    struct Case {
        std::vector<PlacedName> inputs;
        Set set;
        std::optional<ImagePatch> patch;
        std::optional<std::uint32_t> chip_size;
        Bytes bytes;       // expected on success
        std::string said;  // else the refusal
    };
    const ImagePatch aa{0, {0xAA}}, past_end{3, {1, 2}};
    const std::vector<Case> cases = {
        {{{"ab", {}}}, swap, aa, 4, {0xAA, 1, 4, 3}, ""},
        {{{"ab", {}}}, lane_2_1, aa, 2, {0xAA, 4}, ""},
        {{{"short", {}}}, pad, ImagePatch{3, {0xAA}}, 4, {1, 2, 0xFF, 0xAA}, ""},
        {{{"short", 2}}, fill_0, aa, 4, {0xAA, 0, 1, 2}, ""},
        {{{"lo", {}}, {"hi", {}}}, interleave, aa, {}, {0xAA, 2, 3, 4}, ""},
        {{{"ab", {}}}, nullptr, past_end, 4, {}, "defect: серийный номер не помещается в чип"},
        {{{"none", {}}}, nullptr, {}, 4, {}, "unreadable"},
        {{{"none", 0}}, nullptr, {}, 4, {}, "Файл не удаётся прочитать: \"none\"!"},
        {{{"short", {}}}, lane_4_3, {}, {}, {}, std::string(kTextOfEmptyImage)},
    };
    const ImageFileReader read = [&](const std::string& name) {
        return files.contains(name) ? std::optional(files.at(name)) : std::nullopt;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inputs.front().name + (c.said.empty() ? "" : ": " + c.said));
        ImageRecipe recipe;
        recipe.inputs = c.inputs;
        if (c.set) c.set(recipe);
        recipe.patch = c.patch;
        Bytes image;
        const std::optional<ImageRefusal> refused = BuildImage(recipe, c.chip_size, image, read);
        using Kind = ImageRefusal::Kind;
        const std::string said = !refused                            ? ""
                                 : refused->kind == Kind::Unreadable ? "unreadable"
                                 : refused->kind == Kind::Defect
                                     ? "defect: " + refused->defect.reason
                                     : refused->problem;
        EXPECT_EQ(said, c.said);
        EXPECT_EQ(image, c.bytes);
    }
}

}  // namespace
}  // namespace dspprog
