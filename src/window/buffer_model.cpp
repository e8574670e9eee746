// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/buffer_model.h"

#include <algorithm>
#include <bit>
#include <functional>

namespace dspprog {

QString HexText(unsigned value, int digits) {
    return QString::number(value, 16).toUpper().rightJustified(digits, '0');
}

QChar ShownChar(std::uint8_t byte) {
    return byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar('.');
}

QString AddressText(std::uint32_t address) {
    return "Адрес 0x" + HexText(address, 6);
}

void BufferModel::SetBuffer(std::vector<std::uint8_t> bytes, std::vector<std::uint64_t> marks) {
    bytes_ = std::move(bytes);
    marks_ = std::move(marks);
    // Marks past the bytes (a chip larger than what is shown) are not counted.
    marks_.resize(std::min(marks_.size(), (bytes_.size() + 63) / 64));
    if (!marks_.empty() && bytes_.size() % 64 != 0)
        marks_.back() &= (std::uint64_t{1} << (bytes_.size() % 64)) - 1;
    differences_ = 0;
    for (std::uint64_t word : marks_)
        differences_ += static_cast<std::uint32_t>(std::popcount(word));
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

QString BufferModel::Describe(std::uint32_t address) const {
    if (address >= bytes_.size()) return {};
    return AddressText(address) + ": 0x" + HexText(bytes_[address], 2) +
           (Differs(address) ? ", в чипе другое значение" : "");
}

}  // namespace dspprog
