// Arithmetic on a combination held as one 64-bit word (its five number bytes in the low 40 bits,
// position 1 lowest), for the fast filter kernels: several bytes at once, no table, no branch.
// Every routine is exact for any byte values 0..255 and ignores the three bytes above the five.
#pragma once

#include <bit>
#include <cstdint>

namespace kivra::swar {

constexpr uint64_t Bytes5 = 0xFF'FFFF'FFFFull;
constexpr uint64_t Lows5 = 0x01'0101'0101ull;   // bit 0 of each of the five bytes
constexpr uint64_t Highs5 = 0x80'8080'8080ull;  // bit 7 of each of the five bytes

constexpr uint8_t ByteAt(uint64_t word, int position) {  // position 0..4
  return static_cast<uint8_t>(word >> (8 * position));
}

// The sum of the five bytes (at most 1275).
constexpr uint32_t SumBytes(uint64_t word) {
  const uint64_t w = word & Bytes5;
  const uint64_t pairs = (w & 0x00FF'00FF'00FFull) + ((w >> 8) & 0x00FF'00FF'00FFull);  // 16-bit lanes
  return static_cast<uint32_t>((pairs * 0x0001'0001'0001'0001ull) >> 48);
}

// Bit 7 set in each of the five bytes that is at least `k` (1..127), clear elsewhere.
constexpr uint64_t BytesAtLeast(uint64_t word, uint8_t k) {
  const uint64_t w = word & Bytes5;
  // Below 128 the high bit survives subtracting k from (b | 0x80) exactly when b >= k; bytes of
  // 128 and more are at least k anyway.
  return ((((w | Highs5) - k * Lows5) | w) & Highs5);
}

// One byte per position holding 0 or 1 (bit 0) -> the 5-bit mask with position 1 as bit 4.
constexpr uint32_t PositionMask(uint64_t bits) {
  // Byte i moves to bit 60 - 9i + 8i = 60 - i; no two partial products meet in bits 56..60.
  constexpr uint64_t M = (1ull << 60) | (1ull << 51) | (1ull << 42) | (1ull << 33) | (1ull << 24);
  return static_cast<uint32_t>(((bits & Lows5) * M) >> 56) & 31;
}

// How many of the five bytes have bit 0 set (a multiply adds them up; no popcount instruction
// is needed on the base instruction set).
constexpr int CountLowBits(uint64_t bits) { return static_cast<int>(((bits & Lows5) * Lows5) >> 32) & 0xFF; }

// Bit 0 of each byte set when the byte is even.
constexpr uint64_t EvenBits(uint64_t word) { return ~word & Lows5; }

// Each of the five bytes widened to 0xFF where bit 0 is set, 0 elsewhere.
constexpr uint64_t ByteMaskFromLowBits(uint64_t bits) { return (bits & Lows5) * 0xFF; }

}  // namespace kivra::swar
