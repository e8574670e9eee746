// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The catalogue kept as a Paradox table, as the first versions of the
// program had it.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "catalogue/loaded_chip_table.h"

namespace dspprog {

class ParadoxChipTable : public LoadedChipTable {
public:
    explicit ParadoxChipTable(std::string path);

    // Reads the whole table into memory, in the order the table engine
    // presents it, and lets go of the file again. False when the file is
    // missing or unreadable, no consistent Paradox data table, larger than
    // any catalogue, or lacks one of the six fields (names compared without
    // regard to case). Why is in last_problem().
    bool Open() override;

    // Why the last Open failed; empty after a successful one.
    const std::string& last_problem() const { return last_problem_; }

private:
    std::string path_;
    std::string last_problem_;
};

// The largest file taken for a catalogue. A chip catalogue holds a few
// hundred rows; the cap keeps a stray huge file from being read whole.
inline constexpr std::size_t kMaxCatalogueBytes = 64u << 20;

// The bytes of the file at `path`, at most `limit` of them; false when it
// cannot be read or is larger.
bool ReadWholeFile(const std::string& path, std::size_t limit, std::string& bytes);

}  // namespace dspprog
