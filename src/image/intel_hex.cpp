// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/intel_hex.h"

#include <algorithm>
#include <string>

#include "image/record_text.h"

namespace dspprog {
namespace {

// Length, load offset (2), type, up to 255 data bytes, checksum.
constexpr std::size_t kMaxRecordBytes = 5 + 255;

std::string TypeText(std::uint8_t type) {
    std::string text;
    AppendHexByte(text, type);
    return text;
}

class IntelHexReader {
public:
    explicit IntelHexReader(ChipImage& chip) : chip_(chip) {}

    // `column`: where the line's ':' stands, from 1.
    std::optional<std::string> Record(std::string_view line, std::size_t column, bool& ended) {
        if (line[0] != ':') return std::string("строка должна начинаться с ':'");
        std::size_t count = 0;
        if (auto reason =
                DecodeRecordDigits(line.substr(1), column + 1, record_, kMaxRecordBytes, count))
            return reason;
        if (count < 5) return std::string("запись короче 5 байт");
        const std::size_t length = record_[0];
        if (length != count - 5) {
            return "поле длины " + std::to_string(length) + ", а байтов данных в строке " +
                   std::to_string(count - 5);
        }
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < count; ++i) sum += record_[i];
        const auto expected = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
        if (record_[count - 1] != expected) return ChecksumReason(record_[count - 1], expected);

        const std::uint32_t load = std::uint32_t{record_[1]} << 8 | record_[2];
        const std::uint8_t type = record_[3];
        const std::uint8_t* data = record_ + 4;
        switch (type) {
            case 0x00:
                return PlaceData(load, data, length);
            case 0x01:
                if (length != 0) return LengthReason(type, 0, length);
                ended = true;
                return std::nullopt;
            case 0x02:
            case 0x04:
                if (auto reason = CheckAddressRecord(type, 2, length, load)) return reason;
                segmented_ = type == 0x02;
                base_ = (std::uint32_t{data[0]} << 8 | data[1]) << (segmented_ ? 4 : 16);
                return std::nullopt;
            case 0x03:
            case 0x05:
                // A start address means nothing to a chip; only its form is checked.
                return CheckAddressRecord(type, 4, length, load);
            default:
                return "неизвестный тип записи " + TypeText(type);
        }
    }

private:
    static std::string LengthReason(std::uint8_t type, std::size_t wanted, std::size_t length) {
        return "у записи типа " + TypeText(type) + " длина должна быть " + std::to_string(wanted) +
               ", а не " + std::to_string(length);
    }

    static std::optional<std::string> CheckAddressRecord(std::uint8_t type, std::size_t wanted,
                                                         std::size_t length, std::uint32_t load) {
        if (length != wanted) return LengthReason(type, wanted, length);
        if (load != 0) return "у записи типа " + TypeText(type) + " адрес должен быть 0000";
        return std::nullopt;
    }

    std::optional<std::string> PlaceData(std::uint32_t load, const std::uint8_t* data,
                                         std::size_t length) {
        if (segmented_) {
            // The offset within the segment wraps round at 64 KB.
            const std::size_t first = std::min<std::size_t>(length, 0x10000 - load);
            if (auto reason = chip_.Place(std::uint64_t{base_} + load, data, first)) return reason;
            return chip_.Place(base_, data + first, length - first);
        }
        // The linear address wraps round at 4 GB.
        const std::uint64_t start = std::uint64_t{base_} + load;
        const auto first = static_cast<std::size_t>(
            std::min<std::uint64_t>(length, (std::uint64_t{1} << 32) - start));
        if (auto reason = chip_.Place(start, data, first)) return reason;
        return chip_.Place(0, data + first, length - first);
    }

    ChipImage& chip_;
    bool segmented_ = false;
    std::uint32_t base_ = 0;
    std::uint8_t record_[kMaxRecordBytes];
};

void AppendRecord(std::string& out, std::uint8_t type, std::uint32_t load, const std::uint8_t* data,
                  std::size_t size) {
    const auto length = static_cast<std::uint8_t>(size);
    const auto high = static_cast<std::uint8_t>(load >> 8);
    const auto low = static_cast<std::uint8_t>(load);
    unsigned sum = length + high + low + type;
    out += ':';
    AppendHexByte(out, length);
    AppendHexByte(out, high);
    AppendHexByte(out, low);
    AppendHexByte(out, type);
    for (std::size_t i = 0; i < size; ++i) {
        AppendHexByte(out, data[i]);
        sum += data[i];
    }
    AppendHexByte(out, static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
    out += "\r\n";
}

}  // namespace

std::optional<ImageDefect> ReadIntelHex(std::string_view text, ChipImage& chip) {
    IntelHexReader reader(chip);
    const RecordWalk walk =
        WalkRecordLines(text, [&](std::string_view line, std::size_t column, bool& ended) {
            return reader.Record(line, column, ended);
        });
    return WalkVerdict(walk, false, chip.given());
}

std::string IntelHexEncoder::Data(std::uint32_t address, const std::uint8_t* bytes,
                                  std::size_t size) {
    constexpr std::size_t kLineBytes = 16;
    std::string out;
    // A data line is 13 characters and two per byte; an 04 record at most
    // every 64 KB.
    out.reserve(size * 2 + (size / kLineBytes + 2) * 13 + (size / 0x10000 + 2) * 17);
    std::uint32_t at = offset_ + address;
    std::size_t done = 0;
    while (done < size) {
        const std::uint32_t upper = at >> 16;
        if (upper != upper_) {
            const std::uint8_t base[2] = {static_cast<std::uint8_t>(upper >> 8),
                                          static_cast<std::uint8_t>(upper)};
            AppendRecord(out, 0x04, 0, base, 2);
            upper_ = upper;
        }
        // A line stops at a 64 KB boundary, so that every reader places it
        // alike, whatever it makes of a record that crosses one.
        const std::size_t n =
            std::min({kLineBytes, size - done, std::size_t{0x10000 - (at & 0xFFFF)}});
        AppendRecord(out, 0x00, at & 0xFFFF, bytes + done, n);
        done += n;
        at += static_cast<std::uint32_t>(n);
    }
    return out;
}

std::string IntelHexEncoder::End() {
    std::string out;
    AppendRecord(out, 0x01, 0, nullptr, 0);
    return out;
}

}  // namespace dspprog
