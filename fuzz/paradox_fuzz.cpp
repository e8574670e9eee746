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

namespace {

bool ValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        if (lead < 0x80) {
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

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
