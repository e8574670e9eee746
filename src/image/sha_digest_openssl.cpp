// SPDX-License-Identifier: GPL-3.0-or-later
#include <openssl/evp.h>

#include <stdexcept>

#include "image/sha_digest.h"

namespace dspprog {
namespace {

template <std::size_t N>
std::array<std::uint8_t, N> Digest(const EVP_MD* kind, std::span<const std::uint8_t> bytes) {
    std::array<std::uint8_t, N> digest{};
    unsigned int length = 0;
    // EVP_Digest fails only when the library cannot allocate or was built
    // without the algorithm; a digest of zeros would pass for a real one.
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, kind, nullptr) != 1 ||
        length != N)
        throw std::runtime_error("libcrypto could not compute a digest");
    return digest;
}

}  // namespace

std::array<std::uint8_t, 20> Sha1Digest(std::span<const std::uint8_t> bytes) {
    return Digest<20>(EVP_sha1(), bytes);
}

std::array<std::uint8_t, 32> Sha256Digest(std::span<const std::uint8_t> bytes) {
    return Digest<32>(EVP_sha256(), bytes);
}

}  // namespace dspprog
