// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/new_file.h"

#include <cerrno>
#include <cstdio>
#include <optional>

#ifdef _WIN32
#include <windows.h>
#endif

#include "base/no_replace_move.h"
#include "base/utf8_file.h"
#include "base/utf8_path.h"

namespace dspprog {

namespace {

// A new file beside `name` with the whole `content` on the disk; its name,
// or nothing when it cannot be made (nothing is left behind then).
std::optional<std::string> StoreBeside(const std::string& name, std::string_view content) {
    std::random_device random;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryName(name, random);
        fd = CreateExclusive(temporary);
        if (fd < 0 && errno != EEXIST) return std::nullopt;
    }
    if (fd < 0) return std::nullopt;
    std::FILE* file = StreamOverDescriptor(fd, "wb");
    if (file == nullptr) {
        RemoveFile(temporary);
        return std::nullopt;
    }
    bool stored = std::fwrite(content.data(), 1, content.size(), file) == content.size() &&
                  std::fflush(file) == 0 && FlushToDisk(file);
    stored = std::fclose(file) == 0 && stored;
    if (stored) return temporary;
    RemoveFile(temporary);
    return std::nullopt;
}

}  // namespace

std::string TemporaryName(const std::string& name, std::random_device& random) {
    constexpr std::size_t kLongestBase = 160;
    constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::size_t folder_end = name.find_last_of("/\\") + 1;  // 0 without a folder
    std::string base = name.substr(folder_end);
    if (base.size() > kLongestBase) {
        std::size_t cut = kLongestBase;
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;
        base.resize(cut);
    }
    std::string suffix(6, '0');
    for (char& letter : suffix) letter = kLetters[random() % (sizeof kLetters - 1)];
    return name.substr(0, folder_end) + "." + base + "." + suffix;
}

NewFileResult WriteNewFile(const std::string& name, std::string_view content) {
    const std::size_t folder_end = name.find_last_of("/\\");
    if (name.empty() || folder_end == name.size() - 1) return NewFileResult::Failed;
    if (FilePresent(name)) return NewFileResult::Exists;
    const std::optional<std::string> temporary = StoreBeside(name, content);
    if (!temporary) return NewFileResult::Failed;
    if (MoveNoReplace(temporary->c_str(), name.c_str())) return NewFileResult::Saved;
    RemoveFile(*temporary);
    // The name was taken while the content was being written.
    return NewFileResult::Exists;
}

// On Windows, ReplaceFileW keeps the replaced file's attributes and
// security; a file not there yet is simply moved.
bool MoveOver(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (ReplaceFileW(WidePath(to).c_str(), WidePath(from).c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool WriteReplacingFile(const std::string& name, std::string_view content) {
    const std::size_t folder_end = name.find_last_of("/\\");
    if (name.empty() || folder_end == name.size() - 1) return false;
    const std::optional<std::string> temporary = StoreBeside(name, content);
    if (!temporary) return false;
    if (MoveOver(*temporary, name)) return true;
    RemoveFile(*temporary);
    return false;
}

}  // namespace dspprog
