// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/content_warnings.h"

#include <algorithm>
#include <array>

namespace dspprog {
namespace {

// The erased cells a line stuck at 0 must have turned into the same value
// before the line is blamed: data that merely never uses a bit, such as text
// and its bit 7, has few or none of them.
constexpr std::uint32_t kErasedEvidence = 16;
// Bytes other than erased ones, of at least this many values, that all have a
// line at 1: a short image in an erased chip shares bits by chance.
constexpr std::uint32_t kWrittenEvidence = 256;
constexpr std::uint32_t kWrittenShare = 16;  // ... and at least 1/16 of the chip
constexpr std::uint32_t kWrittenValues = 16;
// A chip that repeats at its top address line smaller than this is as likely
// an image written twice as a line that is open.
constexpr std::size_t kSmallestMirrored = 65536;

ContentWarning DataBit(int bit, int value) {
    const std::string line = "D" + std::to_string(bit);
    return {ContentWarning::Kind::DataBit, bit, value,
            "Бит " + line + " равен " + std::to_string(value) +
                " во всех байтах: проверьте контакт вывода " + line + "."};
}

}  // namespace

std::vector<ContentWarning> CheckContent(std::span<const std::uint8_t> chip) {
    std::vector<ContentWarning> warnings;
    std::uint8_t all_and = 0xFF;
    std::uint8_t any_or = 0x00;
    std::array<std::uint32_t, 256> counts{};
    for (std::uint8_t byte : chip) {
        all_and &= byte;
        any_or |= byte;
        ++counts[byte];
    }
    if (chip.empty() || all_and == 0xFF) return warnings;  // blank
    if (any_or == 0x00) {
        warnings.push_back({ContentWarning::Kind::AllZero, 0, 0,
                            "Все байты равны 00h: чип не вставлен, вставлен неверно или защищён?"});
        return warnings;
    }

    const auto stuck_low = static_cast<std::uint8_t>(~any_or);
    const std::uint8_t stuck_high = all_and;
    // What an erased cell reads through the lines that never show a 1.
    const auto erased = static_cast<std::uint8_t>(0xFF & ~stuck_low);
    const bool low_shown = stuck_low != 0 && counts[erased] >= kErasedEvidence;
    std::uint32_t written = 0;
    std::uint32_t values = 0;
    for (int value = 0; value < 256; ++value) {
        if (value == erased || counts[value] == 0) continue;
        written += counts[value];
        ++values;
    }
    const bool high_shown =
        stuck_high != 0 && values >= kWrittenValues &&
        written >= std::max<std::size_t>(kWrittenEvidence, chip.size() / kWrittenShare);
    for (int bit = 0; bit < 8; ++bit) {
        if (low_shown && (stuck_low >> bit & 1)) warnings.push_back(DataBit(bit, 0));
        if (high_shown && (stuck_high >> bit & 1)) warnings.push_back(DataBit(bit, 1));
    }

    // A chip of one value mirrors itself trivially; the lines above say more.
    const std::size_t half = chip.size() / 2;
    const bool uniform = counts[chip[0]] == chip.size();
    if (chip.size() >= kSmallestMirrored && !uniform &&
        std::equal(chip.begin(), chip.begin() + static_cast<std::ptrdiff_t>(half),
                   chip.begin() + static_cast<std::ptrdiff_t>(half)))
        warnings.push_back({ContentWarning::Kind::MirroredHalves, 0, 0,
                            "Вторая половина чипа повторяет первую: проверьте вывод старшего "
                            "адреса или тип чипа."});
    return warnings;
}

}  // namespace dspprog
