// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SHA-1 and SHA-256 from the platform's maintained crypto library: OpenSSL's
// libcrypto, or on Windows the system's own BCrypt. One source file per
// platform implements these.

#include <array>
#include <cstdint>
#include <span>

namespace dspprog {

std::array<std::uint8_t, 20> Sha1Digest(std::span<const std::uint8_t> bytes);
std::array<std::uint8_t, 32> Sha256Digest(std::span<const std::uint8_t> bytes);

}  // namespace dspprog
