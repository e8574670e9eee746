// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/srecord.h"

#include <algorithm>
#include <string>

#include "image/record_text.h"

namespace dspprog {
namespace {

// Count, up to 255 bytes of address, data and checksum.
constexpr std::size_t kMaxRecordBytes = 1 + 255;
// The address bytes of S0 to S9; 0 for S4, which has no meaning.
constexpr int kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

std::string Name(char type) {
    return std::string("S") + type;
}

class SRecordReader {
public:
    explicit SRecordReader(ChipImage& chip) : chip_(chip) {}

    // The last record read was a count record.
    bool ended_by_count() const { return last_type_ == '5' || last_type_ == '6'; }

    // `column`: where the line's 'S' stands, from 1. Some tools write the
    // letter in lower case.
    std::optional<std::string> Record(std::string_view line, std::size_t column, bool& ended) {
        if (line[0] != 'S' && line[0] != 's') return std::string("строка должна начинаться с 'S'");
        if (line.size() < 2) return std::string("запись обрывается после 'S'");
        const char type = line[1];
        if (type < '0' || type > '9') return InvalidCharacterReason(type, column + 1);
        if (type == '4') return "неизвестный тип записи " + Name(type);
        std::size_t count = 0;
        if (auto reason =
                DecodeRecordDigits(line.substr(2), column + 2, record_, kMaxRecordBytes, count))
            return reason;
        if (count == 0) return std::string("запись обрывается после типа");
        const std::size_t length = record_[0];
        if (length != count - 1) {
            return "поле длины " + std::to_string(length) + ", а байтов в строке после него " +
                   std::to_string(count - 1);
        }
        const auto address_bytes = static_cast<std::size_t>(kAddressBytes[type - '0']);
        if (length < address_bytes + 1) {
            return "у записи " + Name(type) + " длина должна быть не меньше " +
                   std::to_string(address_bytes + 1) + ", а не " + std::to_string(length);
        }
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < count; ++i) sum += record_[i];
        const auto expected = static_cast<std::uint8_t>(~sum);
        if (record_[count - 1] != expected) return ChecksumReason(record_[count - 1], expected);

        std::uint64_t address = 0;
        for (std::size_t i = 0; i < address_bytes; ++i) address = address << 8 | record_[1 + i];
        const std::uint8_t* data = record_ + 1 + address_bytes;
        const std::size_t size = length - address_bytes - 1;

        const char previous = last_type_;
        last_type_ = type;
        switch (type) {
            case '0':
                if (previous != 0) return std::string("запись S0 должна быть первой");
                return std::nullopt;
            case '1':
            case '2':
            case '3':
                if (counted_ != 0)
                    return "запись " + Name(type) + " после записи " + Name(counted_);
                ++data_records_;
                return chip_.Place(address, data, size);
            case '5':
            case '6':
                if (size != 0) return ExactLengthReason(type, address_bytes, length);
                if (counted_ != 0) return "вторая запись счёта " + Name(type);
                if (address != data_records_) {
                    return "число записей данных " + std::to_string(data_records_) + ", а запись " +
                           Name(type) + " говорит " + std::to_string(address);
                }
                counted_ = type;
                return std::nullopt;
            default:  // S7, S8, S9
                if (size != 0) return ExactLengthReason(type, address_bytes, length);
                ended = true;
                return std::nullopt;
        }
    }

private:
    static std::string ExactLengthReason(char type, std::size_t address_bytes, std::size_t length) {
        return "у записи " + Name(type) + " длина должна быть " +
               std::to_string(address_bytes + 1) + ", а не " + std::to_string(length);
    }

    ChipImage& chip_;
    std::uint64_t data_records_ = 0;
    char last_type_ = 0;  // the type digit of the last record; 0 before the first
    char counted_ = 0;    // the type digit of the count record, once there was one
    std::uint8_t record_[kMaxRecordBytes];
};

void AppendRecord(std::string& out, char type, std::uint32_t address, int address_bytes,
                  const std::uint8_t* data, std::size_t size) {
    const auto length = static_cast<std::uint8_t>(address_bytes + size + 1);
    unsigned sum = length;
    out += 'S';
    out += type;
    AppendHexByte(out, length);
    for (int shift = 8 * (address_bytes - 1); shift >= 0; shift -= 8) {
        const auto byte = static_cast<std::uint8_t>(address >> shift);
        AppendHexByte(out, byte);
        sum += byte;
    }
    for (std::size_t i = 0; i < size; ++i) {
        AppendHexByte(out, data[i]);
        sum += data[i];
    }
    AppendHexByte(out, static_cast<std::uint8_t>(~sum));
    out += "\r\n";
}

}  // namespace

std::optional<ImageDefect> ReadSRecord(std::string_view text, ChipImage& chip) {
    SRecordReader reader(chip);
    const RecordWalk walk =
        WalkRecordLines(text, [&](std::string_view line, std::size_t column, bool& ended) {
            return reader.Record(line, column, ended);
        });
    return WalkVerdict(walk, reader.ended_by_count(), chip.given());
}

SRecordEncoder::SRecordEncoder(std::uint32_t chip_size, std::uint32_t offset) : offset_(offset) {
    const std::uint64_t highest = std::uint64_t{offset} + (chip_size ? chip_size - 1 : 0);
    address_bytes_ = highest <= 0xFFFF ? 2 : highest <= 0xFFFFFF ? 3 : 4;
}

std::string SRecordEncoder::Begin() {
    static constexpr std::uint8_t kHeader[] = {'d', 's', 'p', 'p', 'r', 'o', 'g'};
    std::string out;
    AppendRecord(out, '0', 0, 2, kHeader, sizeof kHeader);
    return out;
}

std::string SRecordEncoder::Data(std::uint32_t address, const std::uint8_t* bytes,
                                 std::size_t size) {
    constexpr std::size_t kLineBytes = 16;
    const char type = static_cast<char>('0' + address_bytes_ - 1);
    std::string out;
    out.reserve(size * 2 + (size / kLineBytes + 1) * (8 + 2 * address_bytes_));
    std::uint32_t at = offset_ + address;
    for (std::size_t done = 0; done < size;) {
        const std::size_t n = std::min(kLineBytes, size - done);
        AppendRecord(out, type, at, address_bytes_, bytes + done, n);
        ++records_;
        done += n;
        at += static_cast<std::uint32_t>(n);
    }
    return out;
}

std::string SRecordEncoder::End() {
    std::string out;
    if (records_ <= 0xFFFF) {
        AppendRecord(out, '5', records_, 2, nullptr, 0);
    } else {
        AppendRecord(out, '6', records_, 3, nullptr, 0);
    }
    // S1 data ends with S9, S2 with S8, S3 with S7.
    AppendRecord(out, static_cast<char>('0' + 11 - address_bytes_), 0, address_bytes_, nullptr, 0);
    return out;
}

}  // namespace dspprog
