// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/code_page_text.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace dspprog {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

iconv_t Invalid() {
    return reinterpret_cast<iconv_t>(-1);
}

}  // namespace

CodePageDecoder::CodePageDecoder(int code_page) : cd_(Invalid()) {
    if (code_page <= 0 || !Open(code_page)) Open(kDefaultCodePage);
}

CodePageDecoder::~CodePageDecoder() {
    if (cd_ != Invalid()) iconv_close(static_cast<iconv_t>(cd_));
}

bool CodePageDecoder::Open(int code_page) {
    const std::string name = "CP" + std::to_string(code_page);
    cd_ = iconv_open("UTF-8", name.c_str());
    if (cd_ == Invalid()) return false;
    code_page_ = code_page;
    return true;
}

void CodePageDecoder::ConvertPrefix(std::string_view& in, std::string& out) {
    char buffer[256];
    while (!in.empty()) {
        char* in_ptr = const_cast<char*>(in.data());
        std::size_t in_left = in.size();
        char* out_ptr = buffer;
        std::size_t out_left = sizeof buffer;
        const std::size_t result =
            iconv(static_cast<iconv_t>(cd_), &in_ptr, &in_left, &out_ptr, &out_left);
        const int error = errno;
        out.append(buffer, static_cast<std::size_t>(out_ptr - buffer));
        in.remove_prefix(in.size() - in_left);
        if (result != static_cast<std::size_t>(-1) || error != E2BIG) return;
    }
}

std::string CodePageDecoder::ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    if (cd_ == Invalid()) {
        // Without any converter the ASCII part still reads right.
        for (const char c : bytes) {
            if (static_cast<unsigned char>(c) < 0x80) {
                out += c;
            } else {
                out += kReplacement;
            }
        }
        return out;
    }
    while (!bytes.empty()) {
        ConvertPrefix(bytes, out);
        if (bytes.empty()) break;
        // An undefined byte, or a double-byte character cut off: mark it and go on.
        out += kReplacement;
        bytes.remove_prefix(1);
        iconv(static_cast<iconv_t>(cd_), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace dspprog
