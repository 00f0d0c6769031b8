// The vector kernels that run column programs over blocks of 64 combinations. They exist only on
// processors with the 512-bit byte-permute and byte-compress instructions; elsewhere
// ColumnKernelSupported() is false and the statistics use their scalar kernels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "stats/ColumnProgram.h"

namespace kivra {

// A column program as plain pointers (the kernel's file shares no inline code with the rest).
struct TColumnKernelProgram {
  const TColumnInstr* Code;
  int Length;
  const uint8_t (*Tables)[64];
  const uint8_t* Outputs;
  int OutputCount;
  int RegisterCount;
  int SkipValue;
  bool Exact;
};

inline TColumnKernelProgram KernelView(const TColumnProgram& p) {
  return {p.Code, p.Length, p.Tables, p.Outputs, p.OutputCount, p.RegisterCount, p.SkipValue, p.Exact};
}

constexpr size_t ColumnBlock = 64;

// The statistic's own scalar kernels, for what the vector kernel leaves to them: whole blocks
// holding a number outside 1..45 and the last combinations (Filter), and the candidates of an
// inexact program (Matches: the filter test of one combination, before keep or remove).
struct TScalarTests {
  size_t (*Filter)(const void* context, const uint8_t* in, size_t count, uint8_t* out);
  bool (*Matches)(const void* context, const uint8_t* comb);
  const void* Context;
};

bool ColumnKernelSupported();
// Turns the vector kernels off or back on (when the processor has them); returns whether they are
// on now. Tests and benchmarks compare the two paths with it.
bool EnableColumnKernel(bool enable);

// Keeps (remove: drops) the combinations for which some output's value has its bit set in that
// output's 256-bit set; order kept, `out` may equal `in`, nothing is written past out + 5 * count.
// When the program is not exact, a set bit only makes the combination a candidate, which
// scalar.Matches decides. Blocks with a number outside 1..45 and the last count % 64
// combinations go to scalar.Filter. Returns the number of combinations written.
size_t ColumnFilter(const TColumnKernelProgram& program, const uint64_t (*sets)[4], const uint8_t* in, size_t count,
                    uint8_t* out, bool remove, const TScalarTests& scalar);

// The same test as ColumnFilter as masks of kept combinations: bit i of masks[b] for combination
// 64 b + i (the last, partial block only has the bits of its combinations).
void ColumnMasks(const TColumnKernelProgram& program, const uint64_t (*sets)[4], const uint8_t* in, size_t count,
                 bool remove, const TScalarTests& scalar, uint64_t* masks);

// Writes the combinations whose bit is set in masks (as ColumnMasks gives them) to `out`, in order;
// `out` must not overlap `in`. Returns the number written.
size_t CompressCombs(const uint8_t* in, size_t count, const uint64_t* masks, uint8_t* out);

// Counts the values of the outputs over `blocks` whole blocks into counts[value] (the skip value,
// when the program has one, is not counted). A block holding a number outside 1..45 gets
// valid[b] = 0 and is not counted, else 1. `seen` is a 256-bit set of the values met before; a
// value met for the first time is added to it and firstAt[value] set to (64 * b + i) << 8 plus
// the number of values combination i emits before it.
void ColumnCount(const TColumnKernelProgram& program, const uint8_t* in, size_t blocks, uint32_t* counts,
                 uint8_t* valid, uint64_t* seen, uint32_t* firstAt);

}  // namespace kivra
