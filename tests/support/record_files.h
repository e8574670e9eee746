// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Intel HEX and S-record files written by the tests themselves, so that
// placing and reading such files is tested where srec_cat is missing too.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace dspprog::testing {

// Runs of bytes, each at its file address.
using ByteRuns = std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>>;

// Records of up to 16 bytes: Intel HEX, with an extended linear address
// record wherever the 64 KB page changes; or S-record S3 records and S7.
std::string RecordsText(const ByteRuns& runs, bool intel_hex);

}  // namespace dspprog::testing
