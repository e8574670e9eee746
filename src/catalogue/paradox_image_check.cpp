// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/paradox_image_check.h"

#include <vector>

namespace dspprog {
namespace {

// Offsets of the header fields, as the table library lays out its header
// structures.
constexpr std::size_t kRecordSize = 0x00;
constexpr std::size_t kHeaderSize = 0x02;
constexpr std::size_t kFileType = 0x04;
constexpr std::size_t kMaxTableSize = 0x05;
constexpr std::size_t kNumRecords = 0x06;
constexpr std::size_t kFileBlocks = 0x0C;
constexpr std::size_t kFirstBlock = 0x0E;
constexpr std::size_t kNumFields = 0x21;
constexpr std::size_t kPrimaryKeyFields = 0x23;
constexpr std::size_t kEncryption1 = 0x25;
constexpr std::size_t kFileVersionId = 0x39;
constexpr std::size_t kFixedHeaderEnd = 0x58;
constexpr std::size_t kEncryption2 = 0x5C;
constexpr std::size_t kDosCodePage = 0x6A;
constexpr std::size_t kDataHeaderEnd = 0x78;

// Each data block starts with its next and previous block numbers and the
// offset of its last record.
constexpr int kBlockHeadSize = 6;
constexpr std::uint32_t kEncryptionInDataHeader = 0xFF00FF00;

// Versions 3.0 to 7; the later ones carry the data header with the code page.
constexpr int kFirstVersionId = 3;
constexpr int kFirstVersionWithDataHeader = 5;
constexpr int kLastVersionId = 12;

unsigned Byte(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}
unsigned Word(std::string_view bytes, std::size_t at) {
    return Byte(bytes, at) | Byte(bytes, at + 1) << 8;
}
std::uint32_t Long(std::string_view bytes, std::size_t at) {
    return Word(bytes, at) | static_cast<std::uint32_t>(Word(bytes, at + 2)) << 16;
}

bool HasDataHeader(int version_id) {
    return version_id >= kFirstVersionWithDataHeader;
}

// The least header that holds what the library reads before the field
// names: fixed part, field types and sizes, table name pointer, field name
// pointers, the table name, and at least a terminating zero per field name.
std::int64_t LeastHeaderSize(const ParadoxHeaderFacts& facts) {
    const std::int64_t table_name = facts.version_id >= 12 ? 261 : 79;
    const std::int64_t start = HasDataHeader(facts.version_id) ? kDataHeaderEnd : kFixedHeaderEnd;
    return start + facts.num_fields * (2 + 4 + 1) + 4 + table_name;
}

std::string HeaderProblem(std::string_view head, std::uint64_t file_size) {
    if (head.size() < kFixedHeaderEnd) return "shorter than a table header";
    const ParadoxHeaderFacts facts = ReadParadoxHeaderFacts(head);
    if (facts.file_type != 0 && facts.file_type != 2) return "not a data table";
    if (facts.version_id < kFirstVersionId || facts.version_id > kLastVersionId) {
        return "unknown table version";
    }
    if (HasDataHeader(facts.version_id) && head.size() < kDataHeaderEnd) {
        return "shorter than a table header";
    }
    if (facts.block_size < 1024 || facts.block_size > 32 * 1024) return "unknown block size";
    if (facts.record_size < 1 || facts.record_size + kBlockHeadSize > facts.block_size) {
        return "record size does not fit a block";
    }
    if (facts.num_fields < 1 || facts.num_fields > 255) return "bad field count";
    if (facts.key_fields < 0 || facts.key_fields > facts.num_fields) return "bad key field count";
    if ((facts.file_type == 0) != (facts.key_fields > 0))
        return "key fields do not match the table type";
    if (facts.header_size < LeastHeaderSize(facts)) return "header too small for its fields";

    const std::uint64_t blocks_end = static_cast<std::uint64_t>(facts.header_size) +
                                     static_cast<std::uint64_t>(facts.file_blocks) *
                                         static_cast<std::uint64_t>(facts.block_size);
    if (blocks_end > file_size) return "file shorter than its header and blocks";
    if (facts.first_block > facts.file_blocks) return "first block beyond the file";

    const std::int64_t per_block = (facts.block_size - kBlockHeadSize) / facts.record_size;
    if (facts.num_records < 0 || facts.num_records > per_block * facts.file_blocks) {
        return "more records than blocks";
    }
    if (facts.num_records > 0 && facts.first_block == 0) return "records without blocks";
    return {};
}

}  // namespace

ParadoxHeaderFacts ReadParadoxHeaderFacts(std::string_view head) {
    ParadoxHeaderFacts facts;
    if (head.size() < kFixedHeaderEnd) return facts;
    facts.record_size = static_cast<int>(Word(head, kRecordSize));
    facts.header_size = static_cast<int>(Word(head, kHeaderSize));
    facts.file_type = static_cast<int>(Byte(head, kFileType));
    facts.block_size = static_cast<int>(Byte(head, kMaxTableSize)) * 1024;
    facts.num_records = static_cast<std::int32_t>(Long(head, kNumRecords));
    facts.file_blocks = static_cast<int>(Word(head, kFileBlocks));
    facts.first_block = static_cast<int>(Word(head, kFirstBlock));
    facts.num_fields = static_cast<std::int16_t>(Word(head, kNumFields));
    facts.key_fields = static_cast<std::int16_t>(Word(head, kPrimaryKeyFields));
    facts.version_id = static_cast<int>(Byte(head, kFileVersionId));
    if (HasDataHeader(facts.version_id) && head.size() >= kDataHeaderEnd) {
        facts.code_page = static_cast<int>(Word(head, kDosCodePage));
    }
    return facts;
}

bool LooksLikeParadoxTable(std::string_view head, std::uint64_t file_size) {
    return HeaderProblem(head, file_size).empty();
}

std::string ParadoxImageProblem(std::string_view image) {
    if (std::string problem = HeaderProblem(image, image.size()); !problem.empty()) {
        return problem;
    }
    const ParadoxHeaderFacts facts = ReadParadoxHeaderFacts(image);

    // An encrypted table needs its password, which the catalogue never had.
    const std::uint32_t encryption = Long(image, kEncryption1);
    if (encryption != 0) {
        if (encryption != kEncryptionInDataHeader || !HasDataHeader(facts.version_id) ||
            Long(image, kEncryption2) != 0) {
            return "encrypted table";
        }
    }

    // Follow the chain the way the library does, and insist on what it
    // assumes: every block on it holds at least one record, no more than fit.
    std::vector<bool> seen(static_cast<std::size_t>(facts.file_blocks) + 1, false);
    std::int64_t records = 0;
    int block = facts.first_block;
    while (block != 0) {
        if (block > facts.file_blocks) return "block chain leaves the file";
        if (seen[static_cast<std::size_t>(block)]) return "block chain runs in a circle";
        seen[static_cast<std::size_t>(block)] = true;
        const std::size_t at =
            static_cast<std::size_t>(facts.header_size) +
            static_cast<std::size_t>(block - 1) * static_cast<std::size_t>(facts.block_size);
        const int last_record_offset = static_cast<int>(Word(image, at + 4));
        if (last_record_offset % facts.record_size != 0 ||
            last_record_offset + facts.record_size + kBlockHeadSize > facts.block_size) {
            return "block with a bad record count";
        }
        records += last_record_offset / facts.record_size + 1;
        block = static_cast<int>(Word(image, at));
    }
    if (records != facts.num_records) return "record count differs from the blocks";
    return {};
}

}  // namespace dspprog
