// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/paradox_table.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/code_page_text.h"
#include "catalogue/paradox_field_text.h"
#include "catalogue/paradox_image_check.h"
#include "catalogue/pxlib.h"

namespace dspprog {
namespace {

// The library reports through this instead of printing; the first complaint
// is the one worth keeping.
void CollectComplaint(pxdoc_t*, int level, const char* message, void* data) {
    auto* complaints = static_cast<std::string*>(data);
    if (complaints == nullptr || level == PX_Warning || !complaints->empty()) return;
    *complaints = message != nullptr ? message : "table library error";
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct DocDeleter {
    void operator()(pxdoc_t* doc) const { PX_delete(doc); }
};
using Doc = std::unique_ptr<pxdoc_t, DocDeleter>;

// The library reads from a stream; it gets the bytes already checked, so
// that a file changed in between cannot slip past the checks.
File StreamOver(std::string_view image) {
#if defined(_WIN32)
    File file(std::tmpfile());
    if (!file) return nullptr;
    if (std::fwrite(image.data(), 1, image.size(), file.get()) != image.size()) return nullptr;
    std::rewind(file.get());
    return file;
#else
    return File(fmemopen(const_cast<char*>(image.data()), image.size(), "rb"));
#endif
}

// The stored size each type must have, so that the library's decoders stay
// inside the record; 0 for the types whose size varies.
int FixedSize(int type) {
    switch (type) {
        case pxfLogical:
            return 1;
        case pxfShort:
            return 2;
        case pxfDate:
        case pxfLong:
        case pxfTime:
        case pxfAutoInc:
            return 4;
        case pxfCurrency:
        case pxfNumber:
        case pxfTimestamp:
            return 8;
        case pxfBCD:
            return 17;
        default:
            return 0;
    }
}

bool KnownSize(const pxfield_t& field) {
    const int type = static_cast<unsigned char>(field.px_ftype);
    switch (type) {
        case pxfAlpha:
        case pxfBytes:
            return field.px_flen >= 1 && field.px_flen <= 255;
        case pxfMemoBLOb:
        case pxfBLOb:
        case pxfFmtMemoBLOb:
        case pxfOLE:
        case pxfGraphic:
            return field.px_flen >= 10 && field.px_flen <= 250;
        case pxfBCD:
            return field.px_flen == 17 && field.px_fdc >= 0 && field.px_fdc <= 32;
        default: {
            const int size = FixedSize(type);
            return size != 0 && field.px_flen == size;
        }
    }
}

bool Fail(std::string* problem, const std::string& why) {
    if (problem != nullptr) *problem = why;
    return false;
}

bool ReadInto(std::string_view image, ParadoxTable& table, std::string* problem) {
    if (std::string why = ParadoxImageProblem(image); !why.empty()) return Fail(problem, why);
    const ParadoxHeaderFacts facts = ReadParadoxHeaderFacts(image);

    File stream = StreamOver(image);
    if (!stream) return Fail(problem, "cannot read the table from memory");

    std::string complaints;
    // Declared after the stream: the document goes first, then the stream.
    Doc doc(PX_new3(CollectComplaint, nullptr, nullptr, nullptr, &complaints));
    if (!doc) return Fail(problem, "table library unavailable");
    if (PX_open_fp(doc.get(), stream.get()) < 0) {
        // A failed open can leave the block list freed but still pointed
        // to; the document's deleter must not free it twice.
        doc->px_indexdata = nullptr;
        return Fail(problem, complaints.empty() ? "table library cannot open it" : complaints);
    }

    const int num_fields = PX_get_num_fields(doc.get());
    pxfield_t* fields = PX_get_fields(doc.get());
    if (num_fields != facts.num_fields || fields == nullptr) {
        return Fail(problem, "field list unreadable");
    }
    int record_size = 0;
    for (int i = 0; i < num_fields; ++i) {
        if (!KnownSize(fields[i])) return Fail(problem, "field of unknown type or size");
        record_size += fields[i].px_flen;
    }
    if (record_size != PX_get_recordsize(doc.get()) || record_size != facts.record_size) {
        return Fail(problem, "fields do not fill the record");
    }

    CodePageDecoder decoder(facts.code_page);
    table.code_page = facts.code_page;
    table.key_fields = facts.key_fields;
    for (int i = 0; i < num_fields; ++i) {
        table.field_names.push_back(
            fields[i].px_fname != nullptr ? decoder.ToUtf8(fields[i].px_fname) : std::string());
    }

    const int num_records = PX_get_num_records(doc.get());
    if (num_records != facts.num_records) return Fail(problem, "record count unreadable");
    std::vector<char> record(static_cast<std::size_t>(record_size));
    table.rows.reserve(static_cast<std::size_t>(num_records));
    for (int recno = 0; recno < num_records; ++recno) {
        // The library walks the block chain for the record number, so the
        // records come in chain order.
        if (PX_get_record(doc.get(), recno, record.data()) == nullptr || !complaints.empty()) {
            return Fail(problem, complaints.empty() ? "record unreadable" : complaints);
        }
        auto& row = table.rows.emplace_back();
        row.reserve(static_cast<std::size_t>(num_fields));
        int offset = 0;
        for (int i = 0; i < num_fields; ++i) {
            row.push_back(ParadoxFieldText(doc.get(), fields[i], record.data() + offset, decoder));
            offset += fields[i].px_flen;
        }
    }
    return true;
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

std::optional<std::size_t> ParadoxTable::FieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < field_names.size(); ++i) {
        if (SameIgnoringAsciiCase(field_names[i], name)) return i;
    }
    return std::nullopt;
}

std::optional<ParadoxTable> ReadParadoxTable(std::string_view image, std::string* problem) {
    ParadoxTable table;
    if (!ReadInto(image, table, problem)) return std::nullopt;
    return table;
}

}  // namespace dspprog
