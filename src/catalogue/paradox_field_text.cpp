// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/paradox_field_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace dspprog {
namespace {

// Day numbers of the table format count from 1 January of year 1; the
// library's calendar routine counts serial days from 4714 BC.
constexpr long kSerialDayOfDayZero = 1721425;
constexpr long kLastDay = 3652059;  // 31 December 9999
constexpr long kMillisecondsPerDay = 86400000;

// Text the library allocated for us, handed back to it when done.
class LibraryText {
public:
    explicit LibraryText(pxdoc_t* doc) : doc_(doc) {}
    ~LibraryText() {
        if (text_ != nullptr) doc_->free(doc_, text_);
    }
    LibraryText(const LibraryText&) = delete;
    LibraryText& operator=(const LibraryText&) = delete;

    char** out() { return &text_; }
    const char* get() const { return text_; }

private:
    pxdoc_t* doc_;
    char* text_ = nullptr;
};

bool AllZero(const char* data, int length) {
    for (int i = 0; i < length; ++i) {
        if (data[i] != 0) return false;
    }
    return true;
}

std::string DateText(long days) {
    if (days < 1 || days > kLastDay) return std::to_string(days);
    int year = 0;
    int month = 0;
    int day = 0;
    PX_SdnToGregorian(days + kSerialDayOfDayZero, &year, &month, &day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

std::string TimeText(long milliseconds) {
    if (milliseconds < 0 || milliseconds >= kMillisecondsPerDay) {
        return std::to_string(milliseconds);
    }
    const long seconds = milliseconds / 1000;
    char text[16];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    std::string result = text;
    if (milliseconds % 1000 != 0) {
        std::snprintf(text, sizeof text, ".%03ld", milliseconds % 1000);
        result += text;
    }
    return result;
}

std::string TimestampText(double milliseconds) {
    const double days = std::floor(milliseconds / kMillisecondsPerDay);
    if (!(days >= 1 && days <= kLastDay)) return NumberText(milliseconds);
    const double in_day = milliseconds - days * kMillisecondsPerDay;
    return DateText(static_cast<long>(days)) + " " +
           TimeText(static_cast<long>(std::round(in_day)) % kMillisecondsPerDay);
}

// The library writes a BCD value with all its `decimals` and the locale's
// decimal mark ("1.340000", "-0,500000"); the catalogue wants the plain
// shortest form. Digits that are no decimal digits are how the engine leaves
// an empty BCD field (the library shows them as '?'): that reads as empty.
std::string BcdText(const char* digits, int decimals) {
    std::string text = digits;
    const auto point = text.size() - static_cast<std::size_t>(decimals) - 1;
    if (decimals < 0 || point >= text.size()) return {};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (!digit && i != point && !(i == 0 && text[i] == '-')) return {};
    }
    text[point] = '.';
    while (text.size() > point + 1 && text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    if (text == "-0") text = "0";
    return text;
}

}  // namespace

std::string NumberText(double value) {
    if (value == 0) return "0";  // negative zero too
    char text[64];
    const double magnitude = std::fabs(value);
    const bool plain = magnitude >= 1e-5 && magnitude < 1e15;
    const auto result =
        std::to_chars(text, text + sizeof text, value,
                      plain ? std::chars_format::fixed : std::chars_format::scientific);
    return std::string(text, result.ptr);
}

std::string ParadoxFieldText(pxdoc_t* doc, const pxfield_t& field, char* data,
                             CodePageDecoder& decoder) {
    const int length = field.px_flen;
    switch (field.px_ftype) {
        case pxfAlpha:
        case pxfBytes: {
            // As stored, up to the first zero byte.
            LibraryText text(doc);
            if (PX_get_data_alpha(doc, data, length, text.out()) <= 0 || text.get() == nullptr) {
                return {};
            }
            return decoder.ToUtf8(text.get());
        }
        case pxfShort: {
            short value = 0;
            if (PX_get_data_short(doc, data, length, &value) <= 0) return {};
            return std::to_string(value);
        }
        case pxfLong:
        case pxfAutoInc:
        case pxfDate:
        case pxfTime: {
            // The library's own test for an empty long looks at more bytes
            // than the field has, and so takes an empty value for the
            // smallest number; test it here.
            if (AllZero(data, 4)) return {};
            long value = 0;
            if (PX_get_data_long(doc, data, length, &value) <= 0) return {};
            if (field.px_ftype == pxfDate) return DateText(value);
            if (field.px_ftype == pxfTime) return TimeText(value);
            return std::to_string(value);
        }
        case pxfNumber:
        case pxfCurrency:
        case pxfTimestamp: {
            double value = 0;
            if (PX_get_data_double(doc, data, length, &value) <= 0) return {};
            if (field.px_ftype == pxfTimestamp) return TimestampText(value);
            return NumberText(value);
        }
        case pxfBCD: {
            // The library drops its text buffer when the stored decimals
            // differ from the field's; such a value is no number anyway.
            if (data[0] == 0 || (data[0] & 0x3F) != field.px_fdc) return {};
            LibraryText text(doc);
            if (PX_get_data_bcd(doc, reinterpret_cast<unsigned char*>(data), field.px_fdc,
                                text.out()) <= 0 ||
                text.get() == nullptr) {
                return {};
            }
            return BcdText(text.get(), field.px_fdc);
        }
        case pxfLogical: {
            char value = 0;
            if (PX_get_data_byte(doc, data, length, &value) <= 0) return {};
            return value != 0 ? "True" : "False";
        }
        default:
            return {};
    }
}

}  // namespace dspprog
