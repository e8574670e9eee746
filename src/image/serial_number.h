// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A number written into each chip of a series (a serial number), and the
// forms its bytes can take in the image.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dspprog {

enum class SerialForm {
    LittleEndian,     // le: binary, least significant byte first
    BigEndian,        // be: binary, most significant byte first
    BcdLittleEndian,  // bcd-le: two decimal digits a byte, lowest pair first
    BcdBigEndian,     // bcd-be: two decimal digits a byte, highest pair first
    Ascii,            // ascii: decimal digits, zero-padded to the width
};

// Where and how a series numbers its chips: ADDR:START[:STEP[:BYTES[:FORM]]].
struct SerialNumbering {
    std::uint32_t address = 0;  // chip address of the first byte
    std::uint64_t start = 0;
    std::uint64_t step = 1;
    std::uint32_t bytes = 4;  // 1 to 8
    SerialForm form = SerialForm::LittleEndian;
};

// Reads "ADDR:START[:STEP[:BYTES[:FORM]]]" (numbers decimal or 0x-prefixed
// hex). False with `error` set (one line) on anything else.
bool ParseSerialNumbering(const std::string& text, SerialNumbering& out, std::string& error);

// "0x10:1:1:4:le": the numbering as --serial takes it, every field given.
std::string SerialNumberingText(const SerialNumbering& numbering);

// The form's word as written after BYTES, and back.
const char* SerialFormName(SerialForm form);
std::optional<SerialForm> SerialFormNamed(const std::string& name);

// `number` as `bytes` bytes of `form`; nullopt when it does not fit them.
std::optional<std::vector<std::uint8_t>> EncodeSerial(std::uint64_t number, std::uint32_t bytes,
                                                      SerialForm form);

// "Серийный номер N не помещается в B байт(а) в форме F": why a number was
// refused.
std::string SerialTooWideText(std::uint64_t number, const SerialNumbering& numbering);

}  // namespace dspprog
