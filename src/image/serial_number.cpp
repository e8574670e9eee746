// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/serial_number.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "base/digits.h"

namespace dspprog {
namespace {

struct FormName {
    SerialForm form;
    const char* name;
};

constexpr std::array<FormName, 5> kForms = {{
    {SerialForm::LittleEndian, "le"},
    {SerialForm::BigEndian, "be"},
    {SerialForm::BcdLittleEndian, "bcd-le"},
    {SerialForm::BcdBigEndian, "bcd-be"},
    {SerialForm::Ascii, "ascii"},
}};

std::vector<std::string> SplitAtColons(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t colon = text.find(':', from);
        parts.push_back(text.substr(from, colon - from));
        if (colon == std::string::npos) return parts;
        from = colon + 1;
    }
}

std::optional<std::uint64_t> Number(const std::string& text, std::uint64_t max) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return ParseDigits(std::string_view(text).substr(2), 16, max);
    return ParseDigits(text, 10, max);
}

// The decimal digits of `number`, lowest first.
std::vector<std::uint8_t> DecimalDigits(std::uint64_t number) {
    std::vector<std::uint8_t> digits;
    do {
        digits.push_back(static_cast<std::uint8_t>(number % 10));
        number /= 10;
    } while (number != 0);
    return digits;
}

}  // namespace

const char* SerialFormName(SerialForm form) {
    for (const FormName& entry : kForms) {
        if (entry.form == form) return entry.name;
    }
    return "";
}

std::optional<SerialForm> SerialFormNamed(const std::string& name) {
    for (const FormName& entry : kForms) {
        if (name == entry.name) return entry.form;
    }
    return std::nullopt;
}

std::string SerialTooWideText(std::uint64_t number, const SerialNumbering& numbering) {
    return "Серийный номер " + std::to_string(number) + " не помещается в " +
           std::to_string(numbering.bytes) + " байт(а) в форме " + SerialFormName(numbering.form);
}

std::string SerialNumberingText(const SerialNumbering& numbering) {
    char address[16];
    std::snprintf(address, sizeof address, "0x%X", static_cast<unsigned>(numbering.address));
    return std::string(address) + ":" + std::to_string(numbering.start) + ":" +
           std::to_string(numbering.step) + ":" + std::to_string(numbering.bytes) + ":" +
           SerialFormName(numbering.form);
}

bool ParseSerialNumbering(const std::string& text, SerialNumbering& out, std::string& error) {
    const std::vector<std::string> parts = SplitAtColons(text);
    const auto fail = [&](const std::string& why) {
        error = "--serial takes ADDR:START[:STEP[:BYTES[:FORM]]], not '" + text + "': " + why;
        return false;
    };
    if (parts.size() < 2 || parts.size() > 5) return fail("two to five fields");
    SerialNumbering numbering;
    const auto address = Number(parts[0], 0xFFFFFFFF);
    if (!address) return fail("ADDR is no address");
    numbering.address = static_cast<std::uint32_t>(*address);
    const auto start = Number(parts[1], UINT64_MAX);
    if (!start) return fail("START is no number");
    numbering.start = *start;
    if (parts.size() > 2) {
        const auto step = Number(parts[2], UINT64_MAX);
        if (!step || *step == 0) return fail("STEP is no number above 0");
        numbering.step = *step;
    }
    if (parts.size() > 3) {
        const auto bytes = Number(parts[3], 8);
        if (!bytes || *bytes == 0) return fail("BYTES is 1 to 8");
        numbering.bytes = static_cast<std::uint32_t>(*bytes);
    }
    if (parts.size() > 4) {
        const auto form = SerialFormNamed(parts[4]);
        if (!form) return fail("FORM is le, be, bcd-le, bcd-be or ascii");
        numbering.form = *form;
    }
    out = numbering;
    return true;
}

std::optional<std::vector<std::uint8_t>> EncodeSerial(std::uint64_t number, std::uint32_t bytes,
                                                      SerialForm form) {
    std::vector<std::uint8_t> out(bytes, 0);
    switch (form) {
        case SerialForm::LittleEndian:
        case SerialForm::BigEndian:
            if (bytes < 8 && (number >> (8 * bytes)) != 0) return std::nullopt;
            for (std::uint32_t i = 0; i < bytes; ++i)
                out[i] = static_cast<std::uint8_t>(number >> (8 * i));
            break;
        case SerialForm::BcdLittleEndian:
        case SerialForm::BcdBigEndian: {
            const std::vector<std::uint8_t> digits = DecimalDigits(number);
            if (digits.size() > 2 * bytes) return std::nullopt;
            for (std::size_t i = 0; i < digits.size(); ++i)
                out[i / 2] = static_cast<std::uint8_t>(out[i / 2] | digits[i] << (4 * (i % 2)));
            break;
        }
        case SerialForm::Ascii: {
            const std::vector<std::uint8_t> digits = DecimalDigits(number);
            if (digits.size() > bytes) return std::nullopt;
            for (std::uint32_t i = 0; i < bytes; ++i)
                out[i] = static_cast<std::uint8_t>('0' + (i < digits.size() ? digits[i] : 0));
            // Written as read: the highest digit first.
            std::reverse(out.begin(), out.end());
            return out;
        }
    }
    if (form == SerialForm::BigEndian || form == SerialForm::BcdBigEndian)
        std::reverse(out.begin(), out.end());
    return out;
}

}  // namespace dspprog
