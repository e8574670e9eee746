// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sanity checks on a Paradox table before the table library is let at it.
// The library trusts the file: a header that promises more than the file
// holds, or a block chain that runs in a circle, makes it read past its
// buffers or loop for ever. These checks look at the few header fields and
// block links the library relies on, so that only a consistent data table
// reaches it.

#include <cstdint>
#include <string>
#include <string_view>

namespace dspprog {

// How many leading bytes of a file LooksLikeParadoxTable wants to see.
inline constexpr std::size_t kParadoxHeadBytes = 0x78;

// The header fields the checks and the reader use.
struct ParadoxHeaderFacts {
    int record_size = 0;
    int header_size = 0;
    int file_type = 0;   // 0: keyed data table, 2: unkeyed data table
    int block_size = 0;  // bytes
    std::int64_t num_records = 0;
    int file_blocks = 0;
    int first_block = 0;
    int num_fields = 0;
    int key_fields = 0;  // the first key_fields fields form the primary key
    int version_id = 0;
    int code_page = 0;  // 0 when the header names none
};

// True when `head` (the file's first bytes, up to kParadoxHeadBytes) is the
// header of a Paradox data table whose header and blocks fit in `file_size`
// bytes. Cheap enough to pick a reader with; other files, text or random
// bytes, are not taken for a table.
bool LooksLikeParadoxTable(std::string_view head, std::uint64_t file_size);

// The header facts of `head`; meaningful only when LooksLikeParadoxTable holds.
ParadoxHeaderFacts ReadParadoxHeaderFacts(std::string_view head);

// Empty when the whole table in `image` is safe to hand to the table library:
// the header checks above, no encryption, and a chain of data blocks that
// starts at the first block, visits each block at most once, stays inside the
// file and holds exactly the header's number of records. Otherwise what is
// wrong, for diagnostics.
std::string ParadoxImageProblem(std::string_view image);

}  // namespace dspprog
