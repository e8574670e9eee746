// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/paradox_writer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>

// Builds where the legacy catalogue is not read have no table library; they
// get the file helpers only.
#if DSPPROG_PARADOX
#include <iconv.h>

#include "catalogue/pxlib.h"
#endif

namespace dspprog {

#if DSPPROG_PARADOX
namespace {

void ThrowOnError(pxdoc_t*, int level, const char* message, void* data) {
    if (level == PX_Warning) return;
    auto* first = static_cast<std::string*>(data);
    if (first->empty()) *first = message;
}

std::string FromUtf8(const std::string& text, int code_page) {
    const std::string name = "CP" + std::to_string(code_page);
    iconv_t cd = iconv_open(name.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no converter for " + name);
    std::string out(text.size() * 4 + 1, '\0');
    char* in_ptr = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char* out_ptr = out.data();
    std::size_t out_left = out.size();
    const std::size_t result = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1)) throw std::runtime_error("cannot store " + text);
    out.resize(out.size() - out_left);
    return out;
}

int OwnSize(int type) {
    switch (type) {
        case pxfLogical:
            return 1;
        case pxfShort:
            return 2;
        case pxfLong:
        case pxfAutoInc:
        case pxfDate:
        case pxfTime:
            return 4;
        case pxfNumber:
        case pxfCurrency:
        case pxfTimestamp:
            return 8;
        case pxfBCD:
            return 17;
        default:
            throw std::invalid_argument("field type needs a length");
    }
}

void PutValue(pxdoc_t* doc, const ParadoxFieldDef& field, int length, int code_page,
              const ParadoxValue& value, char* data) {
    if (std::holds_alternative<ParadoxNull>(value)) return;  // all zero bytes
    switch (field.type) {
        case pxfAlpha:
        case pxfBytes: {
            std::string stored = FromUtf8(std::get<std::string>(value), code_page);
            std::memcpy(data, stored.data(), std::min<std::size_t>(stored.size(), length));
            return;
        }
        case pxfShort:
            PX_put_data_short(doc, data, length, static_cast<short>(std::get<long>(value)));
            return;
        case pxfLong:
        case pxfAutoInc:
        case pxfDate:
        case pxfTime:
            PX_put_data_long(doc, data, length, static_cast<int>(std::get<long>(value)));
            return;
        case pxfNumber:
        case pxfCurrency:
        case pxfTimestamp:
            PX_put_data_double(doc, data, length, std::get<double>(value));
            return;
        case pxfBCD: {
            std::string digits = std::get<std::string>(value);
            PX_put_data_bcd(doc, data, field.decimals, digits.data());
            return;
        }
        case pxfLogical:
            PX_put_data_byte(doc, data, length, std::get<bool>(value) ? 1 : 0);
            return;
        default:
            throw std::invalid_argument("no values for this field type");
    }
}

void KeepAsFuzzSeed(const std::string& path) {
    const char* seeds = std::getenv("DSPPROG_FUZZ_SEEDS");
    if (seeds == nullptr || *seeds == '\0') return;
    const std::string bytes = ReadBytes(path);
    const auto name = std::to_string(std::hash<std::string>{}(bytes)) + ".db";
    std::filesystem::create_directories(seeds);
    WriteFileBytes((std::filesystem::path(seeds) / name).string(), bytes);
}

}  // namespace

void WriteParadoxTable(const std::string& path, const ParadoxTableDef& table_def) {
    std::filesystem::remove(path);
    std::string error;
    pxdoc_t* doc = PX_new3(ThrowOnError, nullptr, nullptr, nullptr, &error);
    if (doc == nullptr) throw std::runtime_error("pxlib unavailable");

    // pxlib takes the field list over and frees it with the document.
    const int count = static_cast<int>(table_def.fields.size());
    auto* fields = static_cast<pxfield_t*>(
        doc->malloc(doc, sizeof(pxfield_t) * table_def.fields.size(), "test fields"));
    std::vector<int> lengths;
    for (int i = 0; i < count; ++i) {
        const ParadoxFieldDef& field = table_def.fields[static_cast<std::size_t>(i)];
        const int length = field.length != 0 ? field.length : OwnSize(field.type);
        lengths.push_back(length);
        const std::string name = FromUtf8(field.name, table_def.code_page);
        fields[i].px_fname = PX_strdup(doc, name.c_str());
        fields[i].px_ftype = static_cast<char>(field.type);
        fields[i].px_flen = length;
        fields[i].px_fdc = field.decimals;
    }
    const int type = table_def.key_fields > 0 ? pxfFileTypIndexDB : pxfFileTypNonIndexDB;
    if (PX_create_file(doc, fields, count, path.c_str(), type) < 0) {
        PX_delete(doc);
        throw std::runtime_error("cannot create " + path + ": " + error);
    }
    PX_set_parameter(doc, "tablename", "chips");
    PX_set_value(doc, "codepage", static_cast<float>(table_def.code_page));
    if (table_def.key_fields > 0)
        PX_set_value(doc, "numprimkeys", static_cast<float>(table_def.key_fields));

    std::vector<char> record(static_cast<std::size_t>(PX_get_recordsize(doc)));
    for (const auto& row : table_def.rows) {
        if (row.size() != table_def.fields.size()) throw std::invalid_argument("row width");
        std::fill(record.begin(), record.end(), '\0');
        int offset = 0;
        for (std::size_t i = 0; i < row.size(); ++i) {
            PutValue(doc, table_def.fields[i], lengths[i], table_def.code_page, row[i],
                     record.data() + offset);
            offset += lengths[i];
        }
        if (PX_put_record(doc, record.data()) < 0) {
            PX_delete(doc);
            throw std::runtime_error("cannot write a record: " + error);
        }
    }
    PX_close(doc);
    PX_delete(doc);
    if (!error.empty()) throw std::runtime_error("pxlib: " + error);
    KeepAsFuzzSeed(path);
}

ParadoxTableDef ParadoxCatalogue(const std::vector<CatalogueRow>& rows, int code_page) {
    ParadoxTableDef table_def;
    table_def.code_page = code_page;
    table_def.fields = {{"Code", pxfAlpha, 4},   {"Name", pxfAlpha, 40},  {"Size", pxfAlpha, 6},
                        {"tErase", pxfAlpha, 6}, {"tWrite", pxfAlpha, 6}, {"Type", pxfAlpha, 8}};
    for (const CatalogueRow& row : rows) {
        table_def.rows.emplace_back(row.begin(), row.end());
    }
    return table_def;
}

#endif  // DSPPROG_PARADOX

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace dspprog
