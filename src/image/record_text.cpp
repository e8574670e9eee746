// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/record_text.h"

#include "base/digits.h"

namespace dspprog {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

std::string HexNumber(std::uint64_t value, int min_digits) {
    char reversed[16];
    int n = 0;
    do {
        reversed[n++] = kDigits[value & 0xF];
        value >>= 4;
    } while (value != 0 || n < min_digits);
    std::string text = "0x";
    while (n > 0) text += reversed[--n];
    return text;
}

}  // namespace

std::string HexAddress(std::uint64_t address) {
    return HexNumber(address, 6);
}

std::string HexByte(std::uint8_t value) {
    return HexNumber(value, 2);
}

void AppendHexByte(std::string& out, std::uint8_t value) {
    out += kDigits[value >> 4];
    out += kDigits[value & 0xF];
}

std::string InvalidCharacterReason(char c, std::size_t column) {
    const auto byte = static_cast<unsigned char>(c);
    // A byte outside printable ASCII is named by its value: the reason goes
    // into a UTF-8 log, and a control character would not show.
    const std::string shown =
        byte >= 0x20 && byte < 0x7F ? "'" + std::string(1, c) + "'" : HexByte(byte);
    return "недопустимый символ " + shown + " в столбце " + std::to_string(column);
}

bool TextLines::Next(std::string_view& line) {
    if (rest_.empty()) return false;
    const std::size_t lf = rest_.find('\n');
    if (lf == std::string_view::npos) {
        line = rest_;
        rest_ = {};
    } else {
        line = rest_.substr(0, lf);
        rest_.remove_prefix(lf + 1);
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++number_;
    return true;
}

std::optional<std::string> DecodeRecordDigits(std::string_view digits, std::size_t column,
                                              std::uint8_t* out, std::size_t capacity,
                                              std::size_t& count) {
    const std::size_t n = digits.size();
    count = n / 2;
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        const int high = HexDigitValue(digits[i]);
        const int low = HexDigitValue(digits[i + 1]);
        if ((high | low) < 0) {
            const std::size_t bad = high < 0 ? i : i + 1;
            return InvalidCharacterReason(digits[bad], column + bad);
        }
        if (i / 2 < capacity) out[i / 2] = static_cast<std::uint8_t>(high << 4 | low);
    }
    if (n % 2 != 0) {
        if (HexDigitValue(digits[n - 1]) < 0)
            return InvalidCharacterReason(digits[n - 1], column + n - 1);
        return std::string("нечётное число шестнадцатеричных цифр");
    }
    return std::nullopt;
}

std::string ChecksumReason(std::uint8_t found, std::uint8_t expected) {
    return "неверная контрольная сумма: " + HexByte(found) + ", должна быть " + HexByte(expected);
}

std::optional<ImageDefect> WalkVerdict(const RecordWalk& walk, bool ended_otherwise,
                                       std::size_t given) {
    if (walk.defect) return walk.defect;
    if (walk.last_record_line == 0) return ImageDefect{0, "в файле нет записей"};
    if (!walk.ended && !ended_otherwise)
        return ImageDefect{walk.last_record_line + 1, kNoEndRecord};
    if (given == 0) return ImageDefect{walk.last_record_line, "в файле нет данных"};
    return std::nullopt;
}

}  // namespace dspprog
