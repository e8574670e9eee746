// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The buffer as a table: a row of 16 bytes in hex and the same bytes as
// text, the row's address in its header. The model keeps the bytes and a
// bit for each differing byte, nothing per row or cell, so that a chip of
// any size costs little more than its own bytes.

#include <QAbstractTableModel>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace dspprog {

class BufferModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kRowBytes = 16;
    static constexpr int kTextColumn = kRowBytes;

    using QAbstractTableModel::QAbstractTableModel;

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

    // The cell that shows the byte at `address`, and the byte a cell shows
    // (the first of its row for the text column).
    QModelIndex IndexOf(std::uint32_t address) const;
    static std::uint32_t AddressOf(const QModelIndex& index);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString RowText(int row) const;

    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint64_t> marks_;
    std::uint32_t differences_ = 0;
};

// "Адрес 0x00001A" as the log writes addresses.
QString AddressText(std::uint32_t address);

}  // namespace dspprog
