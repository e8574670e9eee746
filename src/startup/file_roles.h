// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The files one run of the program works with each play one part: a file given
// for two parts would be overwritten or changed behind an operation's back.
// Both front-ends check their options with these rules at start-up, and the
// window also checks what the operator picks in its file dialogs.

#include <optional>
#include <string>
#include <vector>

namespace dspprog {

struct FileRoles {
    std::string catalogue;
    std::optional<std::string> chip_file{};  // the emulated chip's content (the emulated chip)
    std::optional<std::string>
        wire_log{};                       // the emulator's wire log, written at exit (the wire log)
    std::optional<std::string> output{};  // a read's image file, given in advance (-o)
    std::optional<std::string> image{};   // a write's image file, given in advance
    std::vector<std::string> more_images{};  // the files placed beside it
};

// True when `a` and `b` name the same file, existing or not.
bool SameFile(const std::string& a, const std::string& b);

// False with `error` set when one file is given for two parts that cannot
// share it: the wire log with any other file; the emulated chip's file with
// the catalogue or with the image a write sends.
bool CheckFileRoles(const FileRoles& roles, std::string& error);

// Why `chosen`, picked in a file dialog, may not be used as an image file (it
// is the emulated chip's own file or the wire log), as the text of an error
// box; nullopt when it may.
std::optional<std::string> RefuseDialogChoice(const FileRoles& roles, const std::string& chosen);

}  // namespace dspprog
