// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/prefixed_lines.h"

namespace dspprog {

PrefixedLineBuffer::~PrefixedLineBuffer() {
    if (!line_.empty()) Emit();
}

PrefixedLineBuffer::int_type PrefixedLineBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (traits_type::to_char_type(c) == '\n') {
        Emit();
    } else {
        line_ += traits_type::to_char_type(c);
    }
    return c;
}

void PrefixedLineBuffer::Emit() {
    std::lock_guard lock(lock_);
    target_ << prefix_ << line_ << '\n' << std::flush;
    line_.clear();
}

}  // namespace dspprog
