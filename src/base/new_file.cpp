// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/new_file.h"

#include <cerrno>
#include <cstdio>

#include "base/no_replace_move.h"
#include "base/utf8_file.h"

namespace dspprog {

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
    std::random_device random;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryName(name, random);
        fd = CreateExclusive(temporary);
        if (fd < 0 && errno != EEXIST) return NewFileResult::Failed;
    }
    if (fd < 0) return NewFileResult::Failed;
    std::FILE* file = StreamOverDescriptor(fd, "wb");
    if (file == nullptr) {
        RemoveFile(temporary);
        return NewFileResult::Failed;
    }
    bool stored = std::fwrite(content.data(), 1, content.size(), file) == content.size() &&
                  std::fflush(file) == 0 && FlushToDisk(file);
    stored = std::fclose(file) == 0 && stored;
    if (stored && MoveNoReplace(temporary.c_str(), name.c_str())) return NewFileResult::Saved;
    RemoveFile(temporary);
    // The name was taken while the content was being written.
    return stored ? NewFileResult::Exists : NewFileResult::Failed;
}

}  // namespace dspprog
