// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The catalogue "chips.db" as a table of rows read field by field as text.

#include <memory>
#include <string>

namespace dspprog {

// The six fields a lookup reads.
inline constexpr const char* kChipFields[] = {"Code", "Name", "Size", "tErase", "tWrite", "Type"};

class ChipTable {
public:
    virtual ~ChipTable() = default;

    // Opens the table; false on any failure (missing file, wrong format, a
    // missing field). A failed Open leaves the table closed.
    virtual bool Open() = 0;
    // Moves to the first record; on an empty table Eof() is then true.
    virtual void First() = 0;
    // Moves to the next record; on the last record Eof() becomes true and the
    // last record stays current.
    virtual void Next() = 0;
    virtual bool Eof() const = 0;
    // The named field of the current record as text; empty on an empty table.
    virtual std::string Field(const std::string& name) const = 0;
    virtual void Close() = 0;
    // Why the last Open failed, when the reader can tell more than that it
    // failed; empty otherwise.
    virtual std::string OpenFailure() const { return {}; }
};

// The fatal stop of a catalogue that cannot be opened or has no catalogue fields.
inline constexpr const char* kCatalogueOpenError = "Ошибка при открытии базы данных чипов!";

// kCatalogueOpenError, followed on a line of its own by the reason the table
// gives for its failed Open, if it gives one.
inline std::string CatalogueOpenMessage(const ChipTable& table) {
    const std::string reason = table.OpenFailure();
    return reason.empty() ? std::string(kCatalogueOpenError)
                          : kCatalogueOpenError + ("\n" + reason);
}

// Closes a table on every way out of a scope, the fatal stops included, so
// that a halted lookup does not leave the catalogue file held open.
class ChipTableCloser {
public:
    explicit ChipTableCloser(ChipTable& table) : table_(table) {}
    ~ChipTableCloser() { table_.Close(); }
    ChipTableCloser(const ChipTableCloser&) = delete;
    ChipTableCloser& operator=(const ChipTableCloser&) = delete;

private:
    ChipTable& table_;
};

// The table in `path`, in whatever storage the file holds. Opening happens on
// Open(), once per lookup.
std::unique_ptr<ChipTable> MakeChipTable(const std::string& path);

}  // namespace dspprog
