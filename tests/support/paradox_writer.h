// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Paradox tables of the test's own making, written through pxlib the way a
// legacy program would have left them.

#include <string>
#include <variant>
#include <vector>

#include "support/temp_catalogue.h"

namespace dspprog {

struct ParadoxFieldDef {
    std::string name;
    int type;          // pxfAlpha, pxfShort, ... from paradox.h
    int length = 0;    // stored bytes; 0 takes the type's own size
    int decimals = 0;  // BCD only
};

struct ParadoxNull {};
// Text is given in UTF-8 and stored in the table's code page; whole numbers
// go to short, long, autoincrement, date and time fields; doubles to number,
// money and timestamp fields and, as text, to BCD fields.
using ParadoxValue = std::variant<ParadoxNull, std::string, long, double, bool>;

struct ParadoxTableDef {
    std::vector<ParadoxFieldDef> fields;
    std::vector<std::vector<ParadoxValue>> rows;
    int code_page = 1251;
    int key_fields = 0;  // the first key_fields fields form the primary key
};

// Writes `table_def` as a Paradox table at `path`, replacing what is there.
// Throws when pxlib refuses. When DSPPROG_FUZZ_SEEDS names a directory, a copy
// of every table written goes there too, as seed for the table reader's fuzzer.
void WriteParadoxTable(const std::string& path, const ParadoxTableDef& table_def);

// A catalogue of six alpha fields holding `rows`, in this order.
ParadoxTableDef ParadoxCatalogue(const std::vector<CatalogueRow>& rows, int code_page = 1251);

// The file's bytes, and writing bytes back: for damaging a table on purpose.
std::string ReadBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace dspprog
