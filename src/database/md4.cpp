#include "database/md4.h"

#include <cstring>

// MD4 as RFC 1320 describes it: the message padded to a multiple of 64 bytes (a 1 bit, zeros,
// its length in bits as 64 bits, little-endian), each block of sixteen little-endian words mixed
// into four words of state in three rounds of sixteen steps.

namespace vorlix {

namespace {

using TWords = std::array<std::uint32_t, 4>;

std::uint32_t Rotate_Left(std::uint32_t value, int shift) {
  return (value << shift) | (value >> (32 - shift));
}

std::uint32_t Select_Bits(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return (x & y) | (~x & z);
}
std::uint32_t Majority(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return (x & y) | (x & z) | (y & z);
}
std::uint32_t Parity(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return x ^ y ^ z;
}

// One round: sixteen steps, each changing the state word that the step number picks (a, d, c, b
// in turn) from the other three and the block word `order[step]`.
template <class TMix>
void Round(TWords& state, const std::uint32_t* block, const int (&order)[16],
           const int (&shifts)[4], std::uint32_t constant, TMix mix) {
  for (int step = 0; step < 16; ++step) {
    const int target = (4 - step % 4) % 4;  // a, d, c, b
    std::uint32_t& word = state[static_cast<std::size_t>(target)];
    const std::uint32_t x = state[static_cast<std::size_t>((target + 1) % 4)];
    const std::uint32_t y = state[static_cast<std::size_t>((target + 2) % 4)];
    const std::uint32_t z = state[static_cast<std::size_t>((target + 3) % 4)];
    word = Rotate_Left(word + mix(x, y, z) + block[order[step]] + constant, shifts[step % 4]);
  }
}

void Mix_Block(TWords& state, const std::uint8_t* bytes) {
  std::uint32_t block[16];
  for (std::size_t i = 0; i < 16; ++i) {
    const std::uint8_t* p = bytes + i * 4;
    block[i] = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  }
  static constexpr int First_Order[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  static constexpr int Second_Order[16] = {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15};
  static constexpr int Third_Order[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
  static constexpr int First_Shifts[4] = {3, 7, 11, 19};
  static constexpr int Second_Shifts[4] = {3, 5, 9, 13};
  static constexpr int Third_Shifts[4] = {3, 9, 11, 15};
  TWords mixed = state;
  Round(mixed, block, First_Order, First_Shifts, 0, Select_Bits);
  Round(mixed, block, Second_Order, Second_Shifts, 0x5A827999u, Majority);
  Round(mixed, block, Third_Order, Third_Shifts, 0x6ED9EBA1u, Parity);
  for (std::size_t i = 0; i < 4; ++i) {
    state[i] += mixed[i];
  }
}

}  // namespace

TMD4_Digest MD4_Digest(const void* bytes, std::size_t count) {
  TWords state = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};
  const auto* data = static_cast<const std::uint8_t*>(bytes);
  const std::size_t whole = count - count % 64;
  for (std::size_t at = 0; at < whole; at += 64) {
    Mix_Block(state, data + at);
  }
  // The rest, the 1 bit, zeros and the length in bits: one block, or two when the length does
  // not fit behind the rest.
  std::uint8_t tail[128] = {};
  const std::size_t rest = count - whole;
  if (rest > 0) {
    std::memcpy(tail, data + whole, rest);
  }
  tail[rest] = 0x80;
  const std::size_t tail_size = rest < 56 ? 64 : 128;
  const std::uint64_t bits = static_cast<std::uint64_t>(count) * 8;
  for (std::size_t i = 0; i < 8; ++i) {
    tail[tail_size - 8 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
  }
  for (std::size_t at = 0; at < tail_size; at += 64) {
    Mix_Block(state, tail + at);
  }
  TMD4_Digest digest{};
  for (std::size_t i = 0; i < 16; ++i) {
    digest[i] = static_cast<std::uint8_t>(state[i / 4] >> (8 * (i % 4)));
  }
  return digest;
}

}  // namespace vorlix
