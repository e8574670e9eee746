// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the Intel HEX and S-record readers and writers share: the lines of a
// text, pairs of hexadecimal digits, and the number texts of the messages.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/image_format.h"

namespace dspprog {

// "0x" and at least six upper-case hexadecimal digits: "0x01FFF0".
std::string HexAddress(std::uint64_t address);
// "0x" and two upper-case hexadecimal digits: "0x3A".
std::string HexByte(std::uint8_t value);
// Appends the two upper-case hexadecimal digits of `value`.
void AppendHexByte(std::string& out, std::uint8_t value);

// The lines of a text: split at LF, with a CR right before the LF dropped.
// A text that ends with LF has no empty line after it.
class TextLines {
public:
    explicit TextLines(std::string_view text) : rest_(text) {}
    // The next line; false when the text is used up.
    bool Next(std::string_view& line);
    // The number, from 1, of the line Next gave last.
    std::size_t number() const { return number_; }

private:
    std::string_view rest_;
    std::size_t number_ = 0;
};

// Decodes the hexadecimal digits of a record, `digits` being the line from
// column `column` (from 1) on. The first `capacity` bytes go to `out`; `count`
// is how many bytes all the digits make. Returns the reason when a character
// is not a hexadecimal digit (naming the first one and its column) or the
// digits are odd in number.
std::optional<std::string> DecodeRecordDigits(std::string_view digits, std::size_t column,
                                              std::uint8_t* out, std::size_t capacity,
                                              std::size_t& count);

// The reason for a character that has no place in a record, at `column`
// (from 1): "недопустимый символ 'G' в столбце 12".
std::string InvalidCharacterReason(char c, std::size_t column);

// The reason for a checksum that does not add up: "неверная контрольная
// сумма: 0x3A, должна быть 0x3B".
std::string ChecksumReason(std::uint8_t found, std::uint8_t expected);

inline constexpr const char* kNoEndRecord = "нет записи конца файла";

// `text` without the UTF-8 byte-order mark it may begin with.
inline std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return text;
}

// What may stand before the first record: line ends, blanks and tabs that
// editors leave, and NUL and Ctrl-Z (0x1A) that joined or padded files carry.
inline constexpr std::string_view kBeforeFirstRecord{"\r\n \t\0\x1A", 6};

// How the walk over a file's lines ended.
struct RecordWalk {
    std::optional<ImageDefect> defect;
    bool ended = false;                // the end record was read
    std::size_t last_record_line = 0;  // 0 when the text holds no record at all
};

// What a finished walk says of the whole text: its defect, no record at all,
// no end (unless `ended_otherwise`, as an S-record count may end a file), or
// no data byte among `given` bytes; nothing when the text is a whole image.
std::optional<ImageDefect> WalkVerdict(const RecordWalk& walk, bool ended_otherwise,
                                       std::size_t given);

// Walks the lines of a HEX or S-record text: `read_record(record, column,
// ended)` reads each record, `column` (from 1) being where it starts in its
// line, up to and including the one where it sets `ended`, and returns the
// reason when the record is refused. Passed over: a UTF-8 byte-order mark at
// the start and kBeforeFirstRecord before the first record, and lines that
// are empty or hold only blanks and tabs, wherever they are (srec_cat passes
// over them too).
// After the end record only what old tools pad a file with may follow: line
// ends, blanks, tabs, NUL, the DOS end-of-file mark (0x1A) and 0xFF. Anything
// else there is a second file or damage, not something to drop silently.
template <typename ReadRecord>
RecordWalk WalkRecordLines(std::string_view text, ReadRecord&& read_record) {
    RecordWalk walk;
    TextLines lines(WithoutByteOrderMark(text));
    std::string_view line;
    while (lines.Next(line)) {
        const std::size_t number = lines.number();
        if (walk.ended) {
            if (line.find_first_not_of(std::string_view(" \t\r\0\x1A\xFF", 6)) !=
                std::string_view::npos) {
                walk.defect = ImageDefect{number, "строка после записи конца файла"};
                return walk;
            }
            continue;
        }
        const bool first = walk.last_record_line == 0;
        const std::size_t indent = line.find_first_not_of(first ? kBeforeFirstRecord : " \t");
        if (indent == std::string_view::npos) continue;
        std::size_t column = 1;
        if (first) {
            line.remove_prefix(indent);
            column += indent;
        }
        walk.last_record_line = number;
        if (std::optional<std::string> reason = read_record(line, column, walk.ended)) {
            walk.defect = ImageDefect{number, std::move(*reason)};
            return walk;
        }
    }
    return walk;
}

}  // namespace dspprog
