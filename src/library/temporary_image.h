// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A buffer given to write or verify, as the file the operations take an
// image from: made new in the temporary folder, removed when done with.

#include <cstdint>
#include <span>
#include <string>

namespace dspprog::library {

class TemporaryImage {
public:
    // Throws BadInput when no file can be made.
    explicit TemporaryImage(std::span<const std::uint8_t> bytes);
    ~TemporaryImage();
    TemporaryImage(const TemporaryImage&) = delete;
    TemporaryImage& operator=(const TemporaryImage&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Writes `bytes` to a new file `name`; false when it cannot be made whole
// (nothing is left behind then).
bool WriteNewFile(const std::string& name, std::span<const std::uint8_t> bytes);

}  // namespace dspprog::library
