// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the buffer pane shows: the bytes and a bit for each byte that
// differs from the chip, nothing per row or cell, so that a chip of any size
// costs little more than its own bytes; and the ways through them.

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace dspprog {

class BufferModel {
public:
    static constexpr int kRowBytes = 16;

    // Takes `bytes` and, when the chip differed from them, its marks (see
    // OperationFindings::differing_marks).
    void SetBuffer(std::vector<std::uint8_t> bytes, std::vector<std::uint64_t> marks = {});
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

    bool Differs(std::uint32_t address) const;
    std::uint32_t DifferenceCount() const { return differences_; }
    // How many differing bytes lie before `address`.
    std::uint32_t DifferencesBefore(std::uint32_t address) const;
    // The first differing byte after `address`, or the last one before it;
    // nothing when there is none that way.
    std::optional<std::uint32_t> NextDifference(std::optional<std::uint32_t> after) const;
    std::optional<std::uint32_t> PreviousDifference(std::uint32_t before) const;
    // Where `pattern` starts next after `after` (from the start when
    // nothing is given), going round past the end; nothing when it is nowhere.
    std::optional<std::uint32_t> Find(std::span<const std::uint8_t> pattern,
                                      std::optional<std::uint32_t> after) const;

    std::uint32_t RowCount() const {
        return static_cast<std::uint32_t>((bytes_.size() + kRowBytes - 1) / kRowBytes);
    }
    // What a screen reader says of the byte at `address`:
    // "Адрес 0x000100: 0x3F, в чипе другое значение".
    QString Describe(std::uint32_t address) const;

private:
    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint64_t> marks_;
    std::uint32_t differences_ = 0;
};

// "Адрес 0x00001A" as the log writes addresses.
QString AddressText(std::uint32_t address);
// Upper-case hex of `value`, `digits` long at least.
QString HexText(unsigned value, int digits);
// A byte as the text column shows it: printable ASCII as itself, else a dot.
QChar ShownChar(std::uint8_t byte);

}  // namespace dspprog
