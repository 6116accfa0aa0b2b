#pragma once
// The MD4 message digest (RFC 1320). The engines of the Quake III family name an archive by a
// checksum made from an MD4 digest (Engine_Archive_Checksum in archive_facts.h); nothing here is
// meant for security.

#include <array>
#include <cstddef>
#include <cstdint>

namespace vorlix {

using TMD4_Digest = std::array<std::uint8_t, 16>;

// The digest of `count` bytes.
TMD4_Digest MD4_Digest(const void* bytes, std::size_t count);

}  // namespace vorlix
