#pragma once
// SHA-256 (FIPS 180-4), for the digest of a signer's public key: small enough
// to carry instead of loading another system DLL for it.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace merovix {

std::array<std::uint8_t, 32> Sha256(std::string_view data);
// The digest as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view data);

}  // namespace merovix
