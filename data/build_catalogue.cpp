// SPDX-License-Identifier: GPL-3.0-or-later
// Build step: turns the reviewable SQL source of the chip catalogue into the
// SQLite file that dspprog reads. Usage: build_catalogue SOURCE.sql OUTPUT.db

#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: build_catalogue SOURCE.sql OUTPUT.db\n";
        return 2;
    }
    const std::string source = argv[1];
    const std::string output = argv[2];
    // Built beside the target and renamed over it at the end, so that a failed
    // build never leaves a half-filled catalogue that looks up to date.
    const std::string partial = output + ".part";

    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::cerr << source << ": cannot read\n";
        return 1;
    }
    std::ostringstream sql;
    sql << in.rdbuf();

    std::remove(partial.c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(partial.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        std::cerr << partial << ": " << sqlite3_errmsg(db) << '\n';
        sqlite3_close(db);
        return 1;
    }
    char* error = nullptr;
    const std::string script = "BEGIN;\n" + sql.str() + "\nCOMMIT;\n";
    const int rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::cerr << source << ": " << (error ? error : "error") << '\n';
        sqlite3_free(error);
        sqlite3_close(db);
        std::remove(partial.c_str());
        return 1;
    }
    sqlite3_close(db);

    std::remove(output.c_str());
    if (std::rename(partial.c_str(), output.c_str()) != 0) {
        std::cerr << output << ": cannot write\n";
        std::remove(partial.c_str());
        return 1;
    }
    return 0;
}
