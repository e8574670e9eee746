// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A chips.db of the test's own making, in a fresh temporary directory that
// disappears with the object.

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace dspprog {

// Code, Name, Size, tErase, tWrite, Type: the six catalogue fields, as text.
using CatalogueRow = std::array<std::string, 6>;

class TempCatalogue {
public:
    TempCatalogue();
    ~TempCatalogue();
    TempCatalogue(const TempCatalogue&) = delete;
    TempCatalogue& operator=(const TempCatalogue&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    // dir()/chips.db; nothing is there until one of the writers below runs.
    std::string path() const;

    // Replaces chips.db with an SQLite catalogue holding `rows` in this order,
    // every field stored as text. A non-empty `omit_field` leaves that field
    // out of the table, and the matching value out of every row.
    void Write(const std::vector<CatalogueRow>& rows, const std::string& omit_field = {}) const;
    // Replaces chips.db with a fresh SQLite database built by `sql`.
    void WriteSql(const std::string& sql) const;
    // Replaces chips.db with exactly these bytes.
    void WriteBytes(const std::string& bytes) const;

private:
    std::filesystem::path dir_;
};

}  // namespace dspprog
