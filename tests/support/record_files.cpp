// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/record_files.h"

#include <algorithm>
#include <cstddef>

namespace dspprog::testing {

std::string RecordsText(const ByteRuns& runs, bool intel_hex) {
    using Bytes = std::vector<std::uint8_t>;
    std::string text;
    const auto line = [&](const char* head, Bytes body) {
        std::uint8_t sum = 0;
        for (std::uint8_t byte : body) sum = static_cast<std::uint8_t>(sum + byte);
        body.push_back(static_cast<std::uint8_t>(intel_hex ? -sum : ~sum));
        text += head;
        for (std::uint8_t byte : body)
            text += {"0123456789ABCDEF"[byte >> 4], "0123456789ABCDEF"[byte & 15]};
        text += "\r\n";
    };
    const auto byte = [](std::size_t value, int shift) {
        return static_cast<std::uint8_t>(value >> shift);
    };
    std::uint32_t page = 0;
    for (const auto& [address, bytes] : runs) {
        for (std::size_t done = 0, count = 0; done < bytes.size(); done += count) {
            const std::uint32_t at = address + static_cast<std::uint32_t>(done);
            // A HEX record stays within its page.
            count = std::min<std::size_t>({16, bytes.size() - done, 0x10000 - (at & 0xFFFF)});
            if (intel_hex && at >> 16 != page) {
                page = at >> 16;
                line(":", {2, 0, 0, 4, byte(at, 24), byte(at, 16)});
            }
            Bytes body = intel_hex ? Bytes{byte(count, 0), byte(at, 8), byte(at, 0), 0}
                                   : Bytes{byte(count + 5, 0), byte(at, 24), byte(at, 16),
                                           byte(at, 8), byte(at, 0)};
            body.insert(body.end(), bytes.begin() + static_cast<std::ptrdiff_t>(done),
                        bytes.begin() + static_cast<std::ptrdiff_t>(done + count));
            line(intel_hex ? ":" : "S3", body);
        }
    }
    return text + (intel_hex ? ":00000001FF\r\n" : "S70500000000FA\r\n");
}

}  // namespace dspprog::testing
