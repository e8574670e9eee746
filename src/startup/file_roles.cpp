// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/file_roles.h"

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "base/shown_text.h"
#include "base/utf8_file.h"
#include "base/utf8_path.h"
#include "startup/start_options.h"

namespace dspprog {

namespace fs = std::filesystem;

bool SameFile(const std::string& a, const std::string& b) {
    const fs::path path_a = PathFromUtf8(a);
    const fs::path path_b = PathFromUtf8(b);
    std::error_code ec;
    if (fs::exists(path_a, ec) && fs::exists(path_b, ec)) {
        const bool same = fs::equivalent(path_a, path_b, ec);
        if (!ec) return same;
    }
    // A file not made yet may still be reached through a link under another
    // name: the links are followed, dangling ones too.
    const auto full = [&ec](const std::string& name) {
        return fs::weakly_canonical(fs::absolute(PathFromUtf8(RealPath(name)), ec), ec);
    };
    return full(a) == full(b);
}

bool CheckFileRoles(const FileRoles& roles, std::string& error) {
    // Every other file the run works on, with the words that name it.
    std::vector<std::pair<std::string, std::string>> others = {{roles.catalogue, "the catalogue"}};
    if (roles.chip_file)
        others.emplace_back(*roles.chip_file, "the " + OptionFlag(StartOption::ChipFile));
    if (roles.output) others.emplace_back(*roles.output, "the -o file");
    std::vector<std::string> images = roles.more_images;
    if (roles.image) images.insert(images.begin(), *roles.image);
    for (const std::string& image : images) others.emplace_back(image, "the image FILE");

    if (roles.wire_log) {
        for (const auto& [path, what] : others) {
            if (SameFile(*roles.wire_log, path)) {
                error = OptionFlag(StartOption::WireLog) + " '" + *roles.wire_log + "' is also " +
                        what + ", which the log would overwrite";
                return false;
            }
        }
    }
    if (roles.chip_file) {
        if (SameFile(*roles.chip_file, roles.catalogue)) {
            error = OptionFlag(StartOption::ChipFile) + " '" + *roles.chip_file +
                    "' is also the catalogue";
            return false;
        }
        // The chip's file changes with every erase and write: as the image it
        // would be erased before it is sent, and the verify would compare the
        // chip with itself.
        for (const std::string& image : images) {
            if (!SameFile(*roles.chip_file, image)) continue;
            error = "the image FILE '" + image + "' is the emulated chip's own " +
                    OptionFlag(StartOption::ChipFile) + "; write a copy of it instead";
            return false;
        }
    }
    return true;
}

std::optional<std::string> RefuseDialogChoice(const FileRoles& roles, const std::string& chosen) {
    if (roles.chip_file && SameFile(chosen, *roles.chip_file)) {
        return "Файл \"" + ShownText(chosen) + "\" хранит содержимое эмулируемого чипа (" +
               OptionFlag(StartOption::ChipFile) +
               ") и не может быть файлом "
               "образа. Выберите другой файл.";
    }
    if (roles.wire_log && SameFile(chosen, *roles.wire_log)) {
        return "Файл \"" + ShownText(chosen) + "\" назначен журналом обмена (" +
               OptionFlag(StartOption::WireLog) +
               ") и будет перезаписан при выходе. "
               "Выберите другой файл.";
    }
    return std::nullopt;
}

}  // namespace dspprog
