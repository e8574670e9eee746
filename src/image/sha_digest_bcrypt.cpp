// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <stdexcept>

#include "image/sha_digest.h"

namespace dspprog {
namespace {

template <std::size_t N>
std::array<std::uint8_t, N> Digest(LPCWSTR algorithm, std::span<const std::uint8_t> bytes) {
    std::array<std::uint8_t, N> digest{};
    BCRYPT_ALG_HANDLE provider = nullptr;
    if (BCryptOpenAlgorithmProvider(&provider, algorithm, nullptr, 0) < 0)
        throw std::runtime_error("BCrypt has no such digest");
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool done = BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0) >= 0;
    // BCryptHashData takes at most 4 GB a call; images are far smaller, but
    // the loop costs nothing.
    std::size_t at = 0;
    while (done && at < bytes.size()) {
        const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
        done = BCryptHashData(hash, const_cast<PUCHAR>(bytes.data() + at), piece, 0) >= 0;
        at += piece;
    }
    done = done && BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(N), 0) >= 0;
    if (hash) BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(provider, 0);
    if (!done) throw std::runtime_error("BCrypt could not compute a digest");
    return digest;
}

}  // namespace

std::array<std::uint8_t, 20> Sha1Digest(std::span<const std::uint8_t> bytes) {
    return Digest<20>(BCRYPT_SHA1_ALGORITHM, bytes);
}

std::array<std::uint8_t, 32> Sha256Digest(std::span<const std::uint8_t> bytes) {
    return Digest<32>(BCRYPT_SHA256_ALGORITHM, bytes);
}

}  // namespace dspprog
