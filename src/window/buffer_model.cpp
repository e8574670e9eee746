// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/buffer_model.h"

#include <QColor>
#include <algorithm>
#include <bit>
#include <functional>

namespace dspprog {

namespace {

QString Hex(unsigned value, int digits) {
    return QString::number(value, 16).toUpper().rightJustified(digits, '0');
}

// The 256 two-digit forms, made once: a paint asks for hundreds of them.
const QString& ByteHex(std::uint8_t byte) {
    static const std::vector<QString> forms = [] {
        std::vector<QString> made;
        for (unsigned value = 0; value < 256; ++value) made.push_back(Hex(value, 2));
        return made;
    }();
    return forms[byte];
}

// Printable ASCII as itself, anything else as a dot.
QChar Shown(std::uint8_t byte) {
    return byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar('.');
}

}  // namespace

QString AddressText(std::uint32_t address) {
    return "Адрес 0x" + Hex(address, 6);
}

void BufferModel::SetBuffer(std::vector<std::uint8_t> bytes, std::vector<std::uint64_t> marks) {
    beginResetModel();
    bytes_ = std::move(bytes);
    marks_ = std::move(marks);
    // Marks past the bytes (a chip larger than what is shown) are not counted.
    marks_.resize(std::min(marks_.size(), (bytes_.size() + 63) / 64));
    if (!marks_.empty() && bytes_.size() % 64 != 0)
        marks_.back() &= (std::uint64_t{1} << (bytes_.size() % 64)) - 1;
    differences_ = 0;
    for (std::uint64_t word : marks_)
        differences_ += static_cast<std::uint32_t>(std::popcount(word));
    endResetModel();
}

bool BufferModel::Differs(std::uint32_t address) const {
    const std::size_t word = address / 64;
    return word < marks_.size() && (marks_[word] >> (address % 64) & 1) != 0;
}

std::uint32_t BufferModel::DifferencesBefore(std::uint32_t address) const {
    std::uint32_t count = 0;
    const std::size_t whole = std::min<std::size_t>(address / 64, marks_.size());
    for (std::size_t i = 0; i < whole; ++i)
        count += static_cast<std::uint32_t>(std::popcount(marks_[i]));
    if (whole < marks_.size() && address % 64 != 0)
        count += static_cast<std::uint32_t>(
            std::popcount(marks_[whole] & ((std::uint64_t{1} << (address % 64)) - 1)));
    return count;
}

std::optional<std::uint32_t> BufferModel::NextDifference(std::optional<std::uint32_t> after) const {
    const std::uint64_t start = after ? std::uint64_t{*after} + 1 : 0;
    for (std::size_t word = start / 64; word < marks_.size(); ++word) {
        std::uint64_t bits = marks_[word];
        if (word == start / 64) bits &= ~std::uint64_t{0} << (start % 64);
        if (bits != 0) return static_cast<std::uint32_t>(word * 64 + std::countr_zero(bits));
    }
    return std::nullopt;
}

std::optional<std::uint32_t> BufferModel::PreviousDifference(std::uint32_t before) const {
    if (before == 0 || marks_.empty()) return std::nullopt;
    const std::uint64_t last = std::min<std::uint64_t>(before - 1, marks_.size() * 64 - 1);
    for (std::size_t word = last / 64 + 1; word-- > 0;) {
        std::uint64_t bits = marks_[word];
        if (word == last / 64 && last % 64 != 63) bits &= (std::uint64_t{1} << (last % 64 + 1)) - 1;
        if (bits != 0) return static_cast<std::uint32_t>(word * 64 + 63 - std::countl_zero(bits));
    }
    return std::nullopt;
}

std::optional<std::uint32_t> BufferModel::Find(std::span<const std::uint8_t> pattern,
                                               std::optional<std::uint32_t> after) const {
    if (pattern.empty() || pattern.size() > bytes_.size()) return std::nullopt;
    const std::boyer_moore_horspool_searcher searcher(pattern.begin(), pattern.end());
    const auto first = bytes_.begin();
    const auto from = after ? first + std::min<std::size_t>(*after + 1, bytes_.size()) : first;
    auto found = std::search(from, bytes_.end(), searcher);
    if (found == bytes_.end()) {
        // Round to the start; a match may run on from there up to `from`.
        const auto limit =
            first + std::min<std::ptrdiff_t>(from - first + pattern.size() - 1,
                                             static_cast<std::ptrdiff_t>(bytes_.size()));
        found = std::search(first, limit, searcher);
        if (found == limit) return std::nullopt;
    }
    return static_cast<std::uint32_t>(found - first);
}

QModelIndex BufferModel::IndexOf(std::uint32_t address) const {
    return index(static_cast<int>(address / kRowBytes), static_cast<int>(address % kRowBytes));
}

std::uint32_t BufferModel::AddressOf(const QModelIndex& index) {
    const int column = index.column() == kTextColumn ? 0 : index.column();
    return static_cast<std::uint32_t>(index.row()) * kRowBytes + static_cast<std::uint32_t>(column);
}

int BufferModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return static_cast<int>((bytes_.size() + kRowBytes - 1) / kRowBytes);
}

int BufferModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kRowBytes + 1;
}

QString BufferModel::RowText(int row) const {
    const std::size_t start = static_cast<std::size_t>(row) * kRowBytes;
    const std::size_t end = std::min(start + kRowBytes, bytes_.size());
    QString text;
    text.reserve(kRowBytes);
    for (std::size_t i = start; i < end; ++i) text += Shown(bytes_[i]);
    return text;
}

QVariant BufferModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const std::uint32_t address = AddressOf(index);
    if (index.column() == kTextColumn) {
        switch (role) {
            case Qt::DisplayRole:
                return RowText(index.row());
            case Qt::AccessibleTextRole:
            case Qt::ToolTipRole:
                return AddressText(address) + ", текст: " + RowText(index.row());
            default:
                return {};
        }
    }
    if (address >= bytes_.size()) return {};
    switch (role) {
        case Qt::DisplayRole:
            return ByteHex(bytes_[address]);
        case Qt::TextAlignmentRole:
            return Qt::AlignCenter;
        case Qt::BackgroundRole:
            return Differs(address) ? QVariant(QColor(255, 160, 160)) : QVariant();
        case Qt::AccessibleTextRole:
        case Qt::ToolTipRole:
            return AddressText(address) + ": 0x" + ByteHex(bytes_[address]) +
                   (Differs(address) ? ", в чипе другое значение" : "");
        default:
            return {};
    }
}

QVariant BufferModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return Hex(static_cast<unsigned>(section) * kRowBytes, 6);
    return section == kTextColumn ? QString("Текст") : Hex(static_cast<unsigned>(section), 1);
}

}  // namespace dspprog
