// SPDX-License-Identifier: GPL-3.0-or-later
// Picks the reader for the catalogue file by what the file holds, not by its
// name: the shipped catalogue and a legacy one are both called "chips.db".

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <utility>

#include "base/utf8_path.h"
#include "catalogue/chip_table.h"
#include "catalogue/sqlite_chip_table.h"
#if DSPPROG_PARADOX
#include "catalogue/paradox_chip_table.h"
#include "catalogue/paradox_image_check.h"
#endif

namespace dspprog {
namespace {

enum class CatalogueFormat { Unknown, Sqlite, Paradox };

// Enough of the file for either format's header.
constexpr std::size_t kHeadBytes = 0x78;
#if DSPPROG_PARADOX
static_assert(kHeadBytes >= kParadoxHeadBytes);
#endif

CatalogueFormat DetectFormat(const std::string& path) {
    std::error_code error;
    [[maybe_unused]] const auto file_size = std::filesystem::file_size(PathFromUtf8(path), error);
    if (error) return CatalogueFormat::Unknown;

    std::string head(kHeadBytes, '\0');
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(file.gcount()));

    static constexpr char kSqliteMagic[] = "SQLite format 3";  // with its terminating zero
    if (head.size() >= sizeof kSqliteMagic &&
        std::memcmp(head.data(), kSqliteMagic, sizeof kSqliteMagic) == 0) {
        return CatalogueFormat::Sqlite;
    }
#if DSPPROG_PARADOX
    // The legacy table has no magic number; its header must make sense.
    if (LooksLikeParadoxTable(head, file_size)) return CatalogueFormat::Paradox;
#endif
    return CatalogueFormat::Unknown;
}

std::unique_ptr<ChipTable> ReaderFor(CatalogueFormat format, const std::string& path) {
    switch (format) {
        case CatalogueFormat::Sqlite:
            return std::make_unique<SqliteChipTable>(path);
        case CatalogueFormat::Paradox:
#if DSPPROG_PARADOX
            return std::make_unique<ParadoxChipTable>(path);
#else
            break;
#endif
        case CatalogueFormat::Unknown:
            break;
    }
    return nullptr;
}

// Looks at the file anew on every Open, so that a catalogue that is put in
// place or replaced while the program runs is read as what it is now.
class DetectingChipTable : public ChipTable {
public:
    explicit DetectingChipTable(std::string path) : path_(std::move(path)) {}

    bool Open() override {
        Close();
        failure_.clear();
        reader_ = ReaderFor(DetectFormat(path_), path_);
        if (reader_ && reader_->Open()) return true;
        if (reader_) failure_ = reader_->OpenFailure();
        reader_.reset();
        return false;
    }
    void First() override {
        if (reader_) reader_->First();
    }
    void Next() override {
        if (reader_) reader_->Next();
    }
    bool Eof() const override { return reader_ ? reader_->Eof() : true; }
    std::string Field(const std::string& name) const override {
        return reader_ ? reader_->Field(name) : std::string();
    }
    void Close() override {
        if (reader_) reader_->Close();
        reader_.reset();
    }
    std::string OpenFailure() const override { return failure_; }

private:
    std::string path_;
    std::string failure_;
    std::unique_ptr<ChipTable> reader_;
};

}  // namespace

std::unique_ptr<ChipTable> MakeChipTable(const std::string& path) {
    return std::make_unique<DetectingChipTable>(path);
}

}  // namespace dspprog
