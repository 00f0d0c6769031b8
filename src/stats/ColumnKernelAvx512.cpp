// The column kernels on 512-bit registers. This file alone is compiled for that instruction set;
// nothing here runs unless ColumnKernelSupported() said yes, and it defines no inline function
// that other files could share (only constant data and the two entry points).
#include <immintrin.h>

#include <algorithm>

#include "stats/ColumnKernel.h"

namespace kivra {

namespace {

constexpr int Block = 64;
constexpr int BlockBytes = 5 * Block;

// Transposition: position k of combination i is byte 5i + k of the block. The five source
// registers hold bytes 0..63, 64..127, ..., 256..319.
struct TIndexes {
  alignas(64) uint8_t Pair01[5][64];   // index into registers 0 and 1 (bytes 0..127)
  alignas(64) uint8_t Pair23[5][64];   // into registers 2 and 3 (bytes 128..255)
  alignas(64) uint8_t Single4[5][64];  // into register 4 (bytes 256..319)
  uint64_t From23[5];                  // lanes whose byte lies in registers 2, 3
  uint64_t From4[5];                   // lanes whose byte lies in register 4
  alignas(64) uint8_t Spread[5][64];   // byte b of register j belongs to combination (64j + b) / 5
  alignas(64) uint8_t Pow2[64];        // 1 << (i % 8)
};

constexpr TIndexes MakeIndexes() {
  TIndexes t{};
  for (int k = 0; k < 5; ++k) {
    for (int i = 0; i < Block; ++i) {
      const int byte = 5 * i + k;
      t.Pair01[k][i] = static_cast<uint8_t>(byte & 127);
      t.Pair23[k][i] = static_cast<uint8_t>((byte - 128) & 127);
      t.Single4[k][i] = static_cast<uint8_t>((byte - 256) & 63);
      if (byte >= 128 && byte < 256) t.From23[k] |= uint64_t{1} << i;
      if (byte >= 256) t.From4[k] |= uint64_t{1} << i;
    }
  }
  for (int j = 0; j < 5; ++j)
    for (int b = 0; b < Block; ++b) t.Spread[j][b] = static_cast<uint8_t>((64 * j + b) / 5);
  for (int i = 0; i < 64; ++i) t.Pow2[i] = static_cast<uint8_t>(1u << (i % 8));
  return t;
}

constexpr TIndexes Idx = MakeIndexes();

inline __m512i Load(const uint8_t* p) { return _mm512_loadu_si512(reinterpret_cast<const void*>(p)); }

// Loads a block; false when a number is outside 1..45.
inline bool LoadBlock(const uint8_t* in, __m512i raw[5]) {
  // n - 1 wraps 0 to 255, so one unsigned maximum below 45 says every byte is in 1..45.
  const __m512i one = _mm512_set1_epi8(1);
  __m512i high = _mm512_setzero_si512();
  for (int j = 0; j < 5; ++j) {
    raw[j] = Load(in + 64 * j);
    high = _mm512_max_epu8(high, _mm512_sub_epi8(raw[j], one));
  }
  return _mm512_cmpge_epu8_mask(high, _mm512_set1_epi8(45)) == 0;
}

// Position k of the block to p[k * stride].
inline void Transpose(const __m512i raw[5], __m512i* p, int stride) {
  for (int k = 0; k < 5; ++k) {
    const __m512i a = _mm512_permutex2var_epi8(raw[0], Load(Idx.Pair01[k]), raw[1]);
    const __m512i b = _mm512_permutex2var_epi8(raw[2], Load(Idx.Pair23[k]), raw[3]);
    const __m512i c = _mm512_permutexvar_epi8(Load(Idx.Single4[k]), raw[4]);
    p[k * stride] = _mm512_mask_blend_epi8(Idx.From4[k], _mm512_mask_blend_epi8(Idx.From23[k], a, b), c);
  }
}

inline __m512i Lut256(__m512i v, const uint8_t (*t)[64]) {
  const __m512i lo = _mm512_permutex2var_epi8(Load(t[0]), v, Load(t[1]));
  const __m512i hi = _mm512_permutex2var_epi8(Load(t[2]), v, Load(t[3]));
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), lo, hi);
}

// Runs the program on G transposed blocks at once: r[reg * G + g]; r[k * G + g] hold position
// k + 1 of block g on entry. One dispatch per instruction serves G blocks, whose independent
// operations the processor overlaps.
template <int G>
inline void Run(const TColumnKernelProgram& prog, __m512i* r) {
  for (int i = 0; i < prog.Length; ++i) {
    const TColumnInstr in = prog.Code[i];
    const __m512i* a = r + in.A * G;
    const __m512i* b = r + in.B * G;
    __m512i* d = r + in.Dst * G;
    switch (in.Op) {
      case TColumnOp::Lut: {
        const __m512i t = Load(prog.Tables[in.Arg]);
        for (int g = 0; g < G; ++g) d[g] = _mm512_permutexvar_epi8(a[g], t);
        break;
      }
      case TColumnOp::Lut256:
        for (int g = 0; g < G; ++g) d[g] = Lut256(a[g], prog.Tables + in.Arg);
        break;
      case TColumnOp::LutSum: {
        const __m512i t = Load(prog.Tables[in.Arg]);
        __m512i v[G];
        for (int g = 0; g < G; ++g) v[g] = _mm512_setzero_si512();
        for (int k = 0; k < 5; ++k) {
          if ((in.B >> k & 1) == 0) continue;
          for (int g = 0; g < G; ++g) v[g] = _mm512_add_epi8(v[g], _mm512_permutexvar_epi8(r[k * G + g], t));
        }
        for (int g = 0; g < G; ++g) d[g] = v[g];
        break;
      }
      case TColumnOp::Const:
        for (int g = 0; g < G; ++g) d[g] = _mm512_set1_epi8(static_cast<char>(in.Arg));
        break;
      case TColumnOp::Add:
        for (int g = 0; g < G; ++g) d[g] = _mm512_add_epi8(a[g], b[g]);
        break;
      case TColumnOp::Sub:
        for (int g = 0; g < G; ++g) d[g] = _mm512_sub_epi8(a[g], b[g]);
        break;
      case TColumnOp::Min:
        for (int g = 0; g < G; ++g) d[g] = _mm512_min_epu8(a[g], b[g]);
        break;
      case TColumnOp::Max:
        for (int g = 0; g < G; ++g) d[g] = _mm512_max_epu8(a[g], b[g]);
        break;
      case TColumnOp::And:
        for (int g = 0; g < G; ++g) d[g] = _mm512_and_si512(a[g], b[g]);
        break;
      case TColumnOp::Or:
        for (int g = 0; g < G; ++g) d[g] = _mm512_or_si512(a[g], b[g]);
        break;
      case TColumnOp::Xor:
        for (int g = 0; g < G; ++g) d[g] = _mm512_xor_si512(a[g], b[g]);
        break;
      case TColumnOp::Shr: {
        const __m512i keep = _mm512_set1_epi8(static_cast<char>(0xFF >> in.Arg));
        for (int g = 0; g < G; ++g) d[g] = _mm512_and_si512(_mm512_srli_epi16(a[g], in.Arg), keep);
        break;
      }
      case TColumnOp::CmpGt:
        for (int g = 0; g < G; ++g) d[g] = _mm512_movm_epi8(_mm512_cmpgt_epu8_mask(a[g], b[g]));
        break;
      case TColumnOp::CmpEq:
        for (int g = 0; g < G; ++g) d[g] = _mm512_movm_epi8(_mm512_cmpeq_epi8_mask(a[g], b[g]));
        break;
      case TColumnOp::Select: {
        const __m512i* m = r + in.Arg * G;
        for (int g = 0; g < G; ++g) d[g] = _mm512_mask_blend_epi8(_mm512_movepi8_mask(m[g]), b[g], a[g]);
        break;
      }
      case TColumnOp::LutDiffSum: {
        const __m512i t = Load(prog.Tables[in.Arg]);
        __m512i v[G];
        for (int g = 0; g < G; ++g) v[g] = _mm512_setzero_si512();
        for (unsigned following = in.B, k = 0; following != 0; following >>= 1, ++k) {
          if ((following & 1) == 0) continue;
          const __m512i* o = r + ((in.A + 1 + k) & 63) * G;
          for (int g = 0; g < G; ++g)
            v[g] = _mm512_add_epi8(v[g], _mm512_permutexvar_epi8(_mm512_sub_epi8(a[g], o[g]), t));
        }
        for (int g = 0; g < G; ++g) d[g] = v[g];
        break;
      }
      default:
        for (int g = 0; g < G; ++g) d[g] = _mm512_setzero_si512();
        break;
    }
  }
}

// Lanes whose value has its bit set in the 256-bit set held in the low 32 bytes of `set`.
inline __mmask64 InSet(__m512i v, __m512i set) {
  const __m512i byteIndex = _mm512_and_si512(_mm512_srli_epi16(v, 3), _mm512_set1_epi8(0x1F));
  const __m512i bytes = _mm512_permutexvar_epi8(byteIndex, set);
  const __m512i bits = _mm512_permutexvar_epi8(v, Load(Idx.Pow2));  // uses v % 64, whose % 8 is v % 8
  return _mm512_test_epi8_mask(bytes, bits);
}

// Writes the combinations of the block whose lane is set in `keep`, in order; returns bytes written.
inline size_t Compress(const __m512i raw[5], __mmask64 keep, uint8_t* out) {
  if (keep == 0) return 0;
  if (keep == ~__mmask64{0}) {
    for (int j = 0; j < 5; ++j) _mm512_storeu_si512(reinterpret_cast<void*>(out + 64 * j), raw[j]);
    return BlockBytes;
  }
  const __m512i lanes = _mm512_movm_epi8(keep);
  size_t written = 0;
  for (int j = 0; j < 5; ++j) {
    const __mmask64 bytes = _mm512_movepi8_mask(_mm512_permutexvar_epi8(Load(Idx.Spread[j]), lanes));
    const __m512i packed = _mm512_maskz_compress_epi8(bytes, raw[j]);
    const unsigned n = static_cast<unsigned>(_mm_popcnt_u64(bytes));
    const __mmask64 store = n == 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1;
    _mm512_mask_storeu_epi8(out + written, store, packed);
    written += n;
  }
  return written;
}

// Plain increments in interleaved histograms: in list order neighbouring combinations often share
// a value, and an increment must not wait for the one before it on the same counter. Kept scalar:
// gathers and scatters on counters that neighbouring lanes share are far slower.
constexpr int HistogramLanes = 16;
__attribute__((noinline, optimize("no-tree-vectorize"))) void Histogram(const uint8_t* values, uint32_t (*lanes)[256]) {
  for (int i = 0; i < Block; i += HistogramLanes)
    for (int l = 0; l < HistogramLanes; ++l) ++lanes[l][values[i + l]];
}
// The first n values only (0 < n < 64).
__attribute__((noinline, optimize("no-tree-vectorize"))) void HistogramFirst(const uint8_t* values, int n,
                                                                             uint32_t (*lanes)[256]) {
  int i = 0;
  for (; i + 4 <= n; i += 4)
    for (int l = 0; l < 4; ++l) ++lanes[(i + l) % HistogramLanes][values[i + l]];
  for (; i < n; ++i) ++lanes[i % HistogramLanes][values[i]];
}

// Filters G blocks from `in`; returns the bytes written.
template <int G>
inline size_t FilterGroup(const TColumnKernelProgram& program, const __m512i* sets, const uint8_t* in, uint8_t* out,
                          bool remove, const TScalarTests& scalar, __m512i* r) {
  __m512i raw[G][5];
  bool valid[G];
  for (int g = 0; g < G; ++g) {
    valid[g] = LoadBlock(in + g * BlockBytes, raw[g]);
    Transpose(raw[g], r + g, G);
  }
  Run<G>(program, r);
  size_t written = 0;
  for (int g = 0; g < G; ++g) {
    const uint8_t* block = in + g * BlockBytes;
    if (!valid[g]) {
      written += 5 * scalar.Filter(scalar.Context, block, Block, out + written);
      continue;
    }
    __mmask64 match = 0;
    for (int o = 0; o < program.OutputCount; ++o) match |= InSet(r[program.Outputs[o] * G + g], sets[o]);
    if (!program.Exact)
      for (uint64_t c = match; c != 0; c &= c - 1) {
        const unsigned lane = static_cast<unsigned>(__builtin_ctzll(c));
        if (!scalar.Matches(scalar.Context, block + 5 * lane)) match &= ~(__mmask64{1} << lane);
      }
    written += Compress(raw[g], remove ? ~match : match, out + written);
  }
  return written;
}

// Blocks run together: every instruction's dispatch and table load serve eight blocks. The
// registers of a group take at most 32 KiB, of which a program touches only the ones it uses.
constexpr int Group = 8;

}  // namespace

size_t ColumnFilter(const TColumnKernelProgram& program, const uint64_t (*sets)[4], const uint8_t* in, size_t count,
                    uint8_t* out, bool remove, const TScalarTests& scalar) {
  __m512i setRegs[TColumnProgram::MaxOutputs];
  for (int o = 0; o < program.OutputCount; ++o) setRegs[o] = _mm512_maskz_loadu_epi64(0x0F, sets[o]);
  const size_t blocks = count / Block;
  size_t written = 0;  // bytes
  alignas(64) __m512i r[TColumnProgram::MaxRegisters * Group];
  size_t b = 0;
  for (; b + Group <= blocks; b += Group)
    written += FilterGroup<Group>(program, setRegs, in + b * BlockBytes, out + written, remove, scalar, r);
  for (; b < blocks; ++b)
    written += FilterGroup<1>(program, setRegs, in + b * BlockBytes, out + written, remove, scalar, r);
  const size_t done = blocks * Block;
  if (done < count) written += 5 * scalar.Filter(scalar.Context, in + done * 5, count - done, out + written);
  return written / 5;
}

void ColumnMasks(const TColumnKernelProgram& program, const uint64_t (*sets)[4], const uint8_t* in, size_t count,
                 bool remove, const TScalarTests& scalar, uint64_t* masks) {
  __m512i setRegs[TColumnProgram::MaxOutputs];
  for (int o = 0; o < program.OutputCount; ++o) setRegs[o] = _mm512_maskz_loadu_epi64(0x0F, sets[o]);
  alignas(64) __m512i r[TColumnProgram::MaxRegisters * Group];
  auto scalarMask = [&](const uint8_t* block, size_t n) {
    uint64_t keep = 0;
    for (size_t i = 0; i < n; ++i) keep |= uint64_t{scalar.Matches(scalar.Context, block + 5 * i) != remove} << i;
    return keep;
  };
  auto group = [&]<int G>(size_t b0) {
    __m512i raw[5];
    bool valid[G];
    for (int g = 0; g < G; ++g) {
      valid[g] = LoadBlock(in + (b0 + g) * BlockBytes, raw);
      Transpose(raw, r + g, G);
    }
    Run<G>(program, r);
    for (int g = 0; g < G; ++g) {
      const uint8_t* block = in + (b0 + g) * BlockBytes;
      if (!valid[g]) {
        masks[b0 + g] = scalarMask(block, Block);
        continue;
      }
      __mmask64 match = 0;
      for (int o = 0; o < program.OutputCount; ++o) match |= InSet(r[program.Outputs[o] * G + g], setRegs[o]);
      if (!program.Exact)
        for (uint64_t c = match; c != 0; c &= c - 1) {
          const unsigned lane = static_cast<unsigned>(__builtin_ctzll(c));
          if (!scalar.Matches(scalar.Context, block + 5 * lane)) match &= ~(__mmask64{1} << lane);
        }
      masks[b0 + g] = remove ? ~match : match;
    }
  };
  const size_t blocks = count / Block;
  size_t b = 0;
  for (; b + Group <= blocks; b += Group) group.template operator()<Group>(b);
  for (; b < blocks; ++b) group.template operator()<1>(b);
  if (blocks * Block < count) masks[blocks] = scalarMask(in + blocks * BlockBytes, count - blocks * Block);
}

size_t CompressCombs(const uint8_t* in, size_t count, const uint64_t* masks, uint8_t* out) {
  const size_t blocks = count / Block;
  size_t written = 0;
  for (size_t b = 0; b < blocks; ++b) {
    __m512i raw[5];
    for (int j = 0; j < 5; ++j) raw[j] = Load(in + b * BlockBytes + 64 * j);
    written += Compress(raw, masks[b], out + written);
  }
  for (size_t i = blocks * Block; i < count; ++i)
    if (masks[blocks] >> (i - blocks * Block) & 1) {
      for (int k = 0; k < 5; ++k) out[written + k] = in[5 * i + k];
      written += 5;
    }
  return written / 5;
}

void ColumnCount(const TColumnKernelProgram& program, const uint8_t* in, size_t blocks, uint32_t* counts,
                 uint8_t* valid, uint64_t* seen, uint32_t* firstAt) {
  alignas(64) __m512i r[TColumnProgram::MaxRegisters * Group];
  __m512i seenReg = _mm512_maskz_loadu_epi64(0x0F, seen);
  const int outputs = program.OutputCount;
  const bool skips = program.SkipValue >= 0;
  const __m512i skip = _mm512_set1_epi8(static_cast<char>(program.SkipValue));
  // The values met so far, while they are few: a block is then counted with one comparison per
  // value instead of 64 increments.
  constexpr int FewValues = 16;
  uint8_t known[256];
  int knownCount = 0;
  for (int v = 0; v < 256; ++v)
    if (seen[v >> 6] >> (v & 63) & 1) known[knownCount++] = static_cast<uint8_t>(v);
  alignas(64) uint8_t out[TColumnProgram::MaxOutputs][Block];
  uint32_t lanes[HistogramLanes][256] = {};

  // Values met for the first time in block b: the earliest (combination, ordinal) of each, where
  // the ordinal counts the values the combination emits before it (outputs in order, skips not).
  auto noteFresh = [&](const __m512i* v, const uint64_t* fresh, size_t b) {
    for (int o = 0; o < outputs; ++o) _mm512_store_si512(reinterpret_cast<void*>(out[o]), v[o]);
    uint64_t added[4] = {};
    for (int o = 0; o < outputs; ++o)
      for (uint64_t f = fresh[o]; f != 0; f &= f - 1) {
        const unsigned lane = static_cast<unsigned>(__builtin_ctzll(f));
        const uint8_t value = out[o][lane];
        if (seen[value >> 6] >> (value & 63) & 1) continue;
        uint32_t ordinal = 0;
        for (int p = 0; p < o; ++p) ordinal += !skips || out[p][lane] != static_cast<uint8_t>(program.SkipValue);
        const uint32_t code = static_cast<uint32_t>(b * Block + lane) << 8 | ordinal;
        if ((added[value >> 6] >> (value & 63) & 1) == 0) {
          added[value >> 6] |= uint64_t{1} << (value & 63);
          firstAt[value] = code;
          known[knownCount++] = value;
        } else if (code < firstAt[value]) {
          firstAt[value] = code;
        }
      }
    for (int w = 0; w < 4; ++w) seen[w] |= added[w];
    seenReg = _mm512_maskz_loadu_epi64(0x0F, seen);
  };
  auto count = [&](const __m512i* v, size_t b) {
    uint64_t fresh[TColumnProgram::MaxOutputs], counted[TColumnProgram::MaxOutputs];
    uint64_t any = 0;
    for (int o = 0; o < outputs; ++o) {
      counted[o] = skips ? ~_mm512_cmpeq_epi8_mask(v[o], skip) : ~__mmask64{0};
      fresh[o] = counted[o] != 0 ? ~InSet(v[o], seenReg) & counted[o] : 0;
      any |= fresh[o];
    }
    if (any != 0) noteFresh(v, fresh, b);
    for (int o = 0; o < outputs; ++o) {
      if (knownCount <= FewValues) {
        for (int k = 0; k < knownCount; ++k)
          counts[known[k]] += static_cast<uint32_t>(
              _mm_popcnt_u64(_mm512_cmpeq_epi8_mask(v[o], _mm512_set1_epi8(static_cast<char>(known[k])))));
      } else if (counted[o] == 0) {
        continue;
      } else if (const __m512i one =
                     _mm512_permutexvar_epi8(_mm512_set1_epi8(static_cast<char>(__builtin_ctzll(counted[o]))), v[o]);
                 (_mm512_cmpeq_epi8_mask(v[o], one) & counted[o]) == counted[o]) {
        // One value in every counted lane (in list order, neighbouring combinations often agree).
        counts[_mm_cvtsi128_si32(_mm512_castsi512_si128(one)) & 0xFF] +=
            static_cast<uint32_t>(_mm_popcnt_u64(counted[o]));
      } else if (counted[o] == ~__mmask64{0}) {
        _mm512_store_si512(reinterpret_cast<void*>(out[0]), v[o]);
        Histogram(out[0], lanes);
      } else {
        // Outputs that often hold the skip value: only the other lanes are counted.
        _mm512_store_si512(reinterpret_cast<void*>(out[0]), _mm512_maskz_compress_epi8(counted[o], v[o]));
        HistogramFirst(out[0], static_cast<int>(_mm_popcnt_u64(counted[o])), lanes);
      }
    }
  };
  auto group = [&]<int G>(size_t b0) {
    __m512i raw[5];
    for (int g = 0; g < G; ++g) {
      valid[b0 + g] = LoadBlock(in + (b0 + g) * BlockBytes, raw);
      Transpose(raw, r + g, G);
    }
    Run<G>(program, r);
    for (int g = 0; g < G; ++g) {
      if (!valid[b0 + g]) continue;
      __m512i v[TColumnProgram::MaxOutputs];
      for (int o = 0; o < outputs; ++o) v[o] = r[program.Outputs[o] * G + g];
      count(v, b0 + g);
    }
  };
  size_t b = 0;
  for (; b + Group <= blocks; b += Group) group.template operator()<Group>(b);
  for (; b < blocks; ++b) group.template operator()<1>(b);
  for (int v = 0; v < 256; ++v)
    for (int l = 0; l < HistogramLanes; ++l) counts[v] += lanes[l][v];
}

}  // namespace kivra
