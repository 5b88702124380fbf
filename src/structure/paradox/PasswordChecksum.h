#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvex::paradox {

// The 32-bit checksum that an encrypted Paradox table stores for its master password
// (and that is also the key of its data blocks). password holds the password's bytes in
// the table's code page; letter case counts. An empty password gives 0, the value of an
// unencrypted table.
std::uint32_t masterPasswordChecksum(std::span<const std::byte> password);

// One of the three constant tables ('A', 'B' or 'C'), so that tests can verify them.
std::span<const std::uint8_t, 256> scrambleTable(char which);

} // namespace korvex::paradox
