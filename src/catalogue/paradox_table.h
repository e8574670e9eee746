// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A whole Paradox data table, read through the table library into texts.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dspprog {

struct ParadoxTable {
    int code_page = 0;                     // as the header names it; 0 when it names none
    int key_fields = 0;                    // the first key_fields fields form the primary key
    std::vector<std::string> field_names;  // UTF-8
    // Every record, every field as text (see ParadoxFieldText), in the order
    // the table engine presents them: along the chain of data blocks, which
    // for a keyed table is primary key order whatever the blocks' places in
    // the file.
    std::vector<std::vector<std::string>> rows;

    // Index of the field called `name`, compared without regard to ASCII
    // case as the table engine does; nullopt when there is none.
    std::optional<std::size_t> FieldIndex(std::string_view name) const;
};

// The table whose file content is `image`. nullopt when it is no Paradox data
// table, or a damaged, encrypted or inconsistent one; `problem`, when given,
// then says why. Never reads outside `image`, and stays quiet: the library's
// complaints are collected, not printed.
std::optional<ParadoxTable> ReadParadoxTable(std::string_view image,
                                             std::string* problem = nullptr);

}  // namespace dspprog
