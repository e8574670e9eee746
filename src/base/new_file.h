// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Saving a whole file under a name nothing has yet: what the operator saves
// from the window (the log, the buffer) never replaces a file, and a failed
// save leaves nothing under the chosen name.

#include <random>
#include <string>
#include <string_view>

namespace dspprog {

// ".NAME.k3x9qz" beside NAME: hidden on POSIX systems, and not a name the
// operator would pick. A very long NAME is cut, at the start of a character,
// so that the temporary's name fits where NAME does.
std::string TemporaryName(const std::string& name, std::random_device& random);

enum class NewFileResult {
    Saved,
    Exists,  // something has the name already; it is left as it is
    Failed,  // the folder is missing or not writable, or the disk refused the content
};

// Writes `content` to a temporary beside `name` and gives it that name only
// when it is whole and on the disk, and only when the name is still free.
NewFileResult WriteNewFile(const std::string& name, std::string_view content);

// `from` takes the place of `to` in one step, whether `to` is there or not.
bool MoveOver(const std::string& from, const std::string& to);

// As WriteNewFile, but over whatever has the name: a failure leaves the old
// file as it was. False when the content cannot be stored.
bool WriteReplacingFile(const std::string& name, std::string_view content);

}  // namespace dspprog
