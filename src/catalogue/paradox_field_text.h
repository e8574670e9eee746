// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One field of a Paradox record as text, the way the old table engine shows
// a field read "as string", whatever its stored type.

#include <string>

#include "catalogue/code_page_text.h"
#include "catalogue/pxlib.h"

namespace dspprog {

// The text of `field` whose stored bytes start at `data` (inside a record
// read by the table library):
//   alpha, bytes          as stored up to the first zero byte, from the
//                         table's code page to UTF-8
//   short, long, autoinc  decimal integer
//   number, money, BCD    shortest decimal text that reads back as the value
//                         ("64512", "1.34"; exponent form below 1e-5 and from
//                         1e15 on)
//   logical               "True" or "False"
//   date                  "YYYY-MM-DD"
//   time                  "HH:MM:SS", with ".mmm" when it has milliseconds
//   timestamp             "YYYY-MM-DD HH:MM:SS", likewise
//   memo, blob, graphic   empty: their content lives in a side file the
//                         catalogue never had
// An empty (null) value of any type is the empty text. The caller makes sure
// that `field` is a known type whose stored size fits the record.
std::string ParadoxFieldText(pxdoc_t* doc, const pxfield_t& field, char* data,
                             CodePageDecoder& decoder);

// The shortest decimal text of `value` in the form above.
std::string NumberText(double value);

}  // namespace dspprog
