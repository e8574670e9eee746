// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What an operation found besides its log lines: the bytes it wrote or read,
// where a chip differed, the files it saved, the speeds it measured. Those
// who keep a record of each chip (the series log, --json) read it here.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image/checksums.h"
#include "image/content_warnings.h"
#include "image/unstable_bytes.h"

namespace dspprog {

struct OperationFindings {
    // The chip's bytes as read, or the image written or compared with.
    std::vector<std::uint8_t> content;
    // The chip identified is not the one the run is for: nothing but the
    // identification went to it.
    bool chip_refused = false;
    // Whose bytes `content` holds: the chip's, or an image's as it goes to the
    // chip (arranged, padded, its serial number in place).
    enum class Source { None, Chip, Image };
    Source content_source = Source::None;
    // The write command was accepted: from here on the chip may hold data.
    bool write_began = false;
    // The sums of the chip's whole content, when a read or a compare was
    // asked for them (the file's are those of `content` after a compare).
    std::optional<ImageSums> chip_sums;
    // A compare's differing bytes: how many, and the first addresses.
    std::uint32_t differing = 0;
    std::vector<std::uint32_t> differing_addresses;
    // Every differing byte of `content`: bit i % 64 of word i / 64 is set
    // where the chip differed; empty when nothing did. A bit a byte keeps the
    // record small however much of a large chip differs.
    std::vector<std::uint64_t> differing_marks;
    std::vector<std::string> saved_files;
    // A read: how many times it read the whole chip, where those reads
    // disagreed, and what the content says about the chip's seat.
    std::uint32_t passes = 0;
    UnstableBytes unstable;
    std::vector<ContentWarning> warnings;
    // Why the operation failed, in the words of its first line that said so;
    // empty when it did not fail.
    std::string failure;
    // The speed test's figures in KB/s by pipe name; nullopt where none was measured.
    std::vector<std::pair<std::string, std::optional<double>>> speeds;
};

}  // namespace dspprog
