// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Texts of legacy tables, which keep them in a single-byte (DOS or Windows)
// code page, turned into the UTF-8 the program works in.

#include <string>
#include <string_view>

namespace dspprog {

// The program's own single-byte code page; taken for tables that name no
// code page, or one this system cannot convert from.
inline constexpr int kDefaultCodePage = 1251;

class CodePageDecoder {
public:
    // For code page 866, 1251, 1252, 850, ...; 0 or an unknown number means
    // kDefaultCodePage.
    explicit CodePageDecoder(int code_page);
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    // The code page actually read from.
    int code_page() const { return code_page_; }

    // `bytes` as UTF-8. A byte the code page leaves undefined becomes U+FFFD;
    // ASCII stays as it is.
    std::string ToUtf8(std::string_view bytes);

private:
    bool Open(int code_page);
    // Converts the longest convertible start of `in` and leaves `in` after it.
    void ConvertPrefix(std::string_view& in, std::string& out);

    void* cd_;  // iconv_t, kept out of the header
    int code_page_ = 0;
};

}  // namespace dspprog
