// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/temporary_image.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

#include "base/utf8_file.h"
#include "base/utf8_path.h"

#include "dspprog/error.h"

namespace dspprog::library {

bool WriteNewFile(const std::string& name, std::span<const std::uint8_t> bytes) {
    std::FILE* file = StreamOverDescriptor(CreateExclusive(name), "wb");
    if (file == nullptr) return false;
    const bool written =
        std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    RemoveFile(name);
    return false;
}

TemporaryImage::TemporaryImage(std::span<const std::uint8_t> bytes) {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) throw BadInput("Не найдена папка для временных файлов");
    // Names no one can guess, so that no one can put a file there first.
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            "dspprog-image-" + std::to_string(random()) + "-" + std::to_string(counter++);
        path_ = Utf8FromPath(folder / PathFromUtf8(name));
        if (WriteNewFile(path_, bytes)) return;
        if (errno != EEXIST) break;
    }
    throw BadInput("Временный файл образа не удаётся записать в \"" + Utf8FromPath(folder) + "\"");
}

TemporaryImage::~TemporaryImage() {
    RemoveFile(path_);
}

}  // namespace dspprog::library
