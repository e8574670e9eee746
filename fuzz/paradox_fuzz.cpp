// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the Paradox table reader, as if they were a
// legacy chips.db. Besides the sanitizers' findings it stops on a broken
// promise of the reader: a table it reads must also be one the catalogue
// picks this reader for, every row must have every field, and every text
// must be valid UTF-8 (it goes to the operator's log).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/paradox_image_check.h"
#include "catalogue/paradox_table.h"
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view image(reinterpret_cast<const char*>(data), size);
    const std::string_view head = image.substr(0, std::min(size, dspprog::kParadoxHeadBytes));
    const bool looks_like_table = dspprog::LooksLikeParadoxTable(head, size);

    std::string problem;
    const auto table = dspprog::ReadParadoxTable(image, &problem);
    if (!table) {
        Require(!problem.empty());
        return 0;
    }
    Require(looks_like_table);
    for (const std::string& name : table->field_names) Require(ValidUtf8(name));
    for (const auto& row : table->rows) {
        Require(row.size() == table->field_names.size());
        for (const std::string& text : row) Require(ValidUtf8(text));
    }
    (void)table->FieldIndex("Code");
    return 0;
}
