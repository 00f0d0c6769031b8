// The column kernels on 512-bit registers. This file alone is compiled for that instruction set;
// nothing here runs unless ColumnKernelSupported() said yes, and it defines no inline function
// that other files could share (only constant data and the two entry points).
#include <immintrin.h>

#include "stats/ColumnKernel.h"

namespace kivra {

namespace {

constexpr int Block = 64;
constexpr int BlockBytes = 5 * Block;

// Transposition: position k of combination i is byte 5i + k of the block. The five source
// registers hold bytes 0..63, 64..127, ..., 256..319.
struct TIndexes {
  alignas(64) uint8_t Pair01[5][64];  // index into registers 0 and 1 (bytes 0..127)
  alignas(64) uint8_t Pair23[5][64];  // into registers 2 and 3 (bytes 128..255)
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

inline void Transpose(const __m512i raw[5], __m512i p[5]) {
  for (int k = 0; k < 5; ++k) {
    const __m512i a = _mm512_permutex2var_epi8(raw[0], Load(Idx.Pair01[k]), raw[1]);
    const __m512i b = _mm512_permutex2var_epi8(raw[2], Load(Idx.Pair23[k]), raw[3]);
    const __m512i c = _mm512_permutexvar_epi8(Load(Idx.Single4[k]), raw[4]);
    p[k] = _mm512_mask_blend_epi8(Idx.From4[k], _mm512_mask_blend_epi8(Idx.From23[k], a, b), c);
  }
}

inline __m512i Lut256(__m512i v, const uint8_t (*t)[64]) {
  const __m512i lo = _mm512_permutex2var_epi8(Load(t[0]), v, Load(t[1]));
  const __m512i hi = _mm512_permutex2var_epi8(Load(t[2]), v, Load(t[3]));
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), lo, hi);
}

// Runs the program on the transposed block; r[0..4] hold the positions on entry.
inline void Run(const TColumnKernelProgram& prog, __m512i* r) {
  for (int i = 0; i < prog.Length; ++i) {
    const TColumnInstr in = prog.Code[i];
    const __m512i a = r[in.A], b = r[in.B];
    __m512i v;
    switch (in.Op) {
      case TColumnOp::Lut: v = _mm512_permutexvar_epi8(a, Load(prog.Tables[in.Arg])); break;
      case TColumnOp::Lut256: v = Lut256(a, prog.Tables + in.Arg); break;
      case TColumnOp::LutSum: {
        const __m512i t = Load(prog.Tables[in.Arg]);
        if (in.B == 31) {
          v = _mm512_add_epi8(
              _mm512_add_epi8(_mm512_permutexvar_epi8(r[0], t), _mm512_permutexvar_epi8(r[1], t)),
              _mm512_add_epi8(_mm512_add_epi8(_mm512_permutexvar_epi8(r[2], t), _mm512_permutexvar_epi8(r[3], t)),
                              _mm512_permutexvar_epi8(r[4], t)));
          break;
        }
        v = _mm512_setzero_si512();
        for (int k = 0; k < 5; ++k)
          if (in.B >> k & 1) v = _mm512_add_epi8(v, _mm512_permutexvar_epi8(r[k], t));
        break;
      }
      case TColumnOp::Const: v = _mm512_set1_epi8(static_cast<char>(in.Arg)); break;
      case TColumnOp::Add: v = _mm512_add_epi8(a, b); break;
      case TColumnOp::Sub: v = _mm512_sub_epi8(a, b); break;
      case TColumnOp::Min: v = _mm512_min_epu8(a, b); break;
      case TColumnOp::Max: v = _mm512_max_epu8(a, b); break;
      case TColumnOp::And: v = _mm512_and_si512(a, b); break;
      case TColumnOp::Or: v = _mm512_or_si512(a, b); break;
      case TColumnOp::Xor: v = _mm512_xor_si512(a, b); break;
      case TColumnOp::Shr:
        v = _mm512_and_si512(_mm512_srli_epi16(a, in.Arg), _mm512_set1_epi8(static_cast<char>(0xFF >> in.Arg)));
        break;
      case TColumnOp::CmpGt: v = _mm512_movm_epi8(_mm512_cmpgt_epu8_mask(a, b)); break;
      case TColumnOp::CmpEq: v = _mm512_movm_epi8(_mm512_cmpeq_epi8_mask(a, b)); break;
      case TColumnOp::Select: v = _mm512_mask_blend_epi8(_mm512_movepi8_mask(r[in.Arg]), b, a); break;
      default: v = _mm512_setzero_si512(); break;
    }
    r[in.Dst] = v;
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

// Plain increments in four interleaved histograms. Kept scalar: gathers and scatters on counters
// that neighbouring lanes share are far slower.
__attribute__((noinline, optimize("no-tree-vectorize"))) void Histogram(const uint8_t* values,
                                                                        uint32_t (*lanes)[256]) {
  for (int i = 0; i < Block; i += 4) {
    ++lanes[0][values[i]];
    ++lanes[1][values[i + 1]];
    ++lanes[2][values[i + 2]];
    ++lanes[3][values[i + 3]];
  }
}

}  // namespace

size_t ColumnFilter(const TColumnKernelProgram& program, const uint64_t (*sets)[4], const uint8_t* in,
                    size_t count, uint8_t* out, bool remove, TScalarBlockFilter fallback, const void* context) {
  __m512i setRegs[TColumnProgram::MaxOutputs];
  for (int o = 0; o < program.OutputCount; ++o)
    setRegs[o] = _mm512_maskz_loadu_epi64(0x0F, sets[o]);
  const size_t blocks = count / Block;
  size_t written = 0;  // bytes
  __m512i r[TColumnProgram::MaxRegisters];
  for (size_t b = 0; b < blocks; ++b) {
    const uint8_t* src = in + b * BlockBytes;
    __m512i raw[5];
    if (!LoadBlock(src, raw)) {
      written += 5 * fallback(context, src, Block, out + written);
      continue;
    }
    Transpose(raw, r);
    Run(program, r);
    __mmask64 match = 0;
    for (int o = 0; o < program.OutputCount; ++o) match |= InSet(r[program.Outputs[o]], setRegs[o]);
    written += Compress(raw, remove ? ~match : match, out + written);
  }
  const size_t done = blocks * Block;
  if (done < count) written += 5 * fallback(context, in + done * 5, count - done, out + written);
  return written / 5;
}

void ColumnCount(const TColumnKernelProgram& program, const uint8_t* in, size_t blocks, uint32_t* counts,
                 uint8_t* valid, uint64_t* seen, uint32_t* firstAt) {
  __m512i r[TColumnProgram::MaxRegisters];
  __m512i seenReg = _mm512_maskz_loadu_epi64(0x0F, seen);
  // The values met so far, while they are few: a block is then counted with one comparison per
  // value instead of 64 increments.
  constexpr int FewValues = 16;
  uint8_t known[256];
  int knownCount = 0;
  for (int v = 0; v < 256; ++v)
    if (seen[v >> 6] >> (v & 63) & 1) known[knownCount++] = static_cast<uint8_t>(v);
  alignas(64) uint8_t out[Block];
  uint32_t lanes[4][256] = {};
  for (size_t b = 0; b < blocks; ++b) {
    __m512i raw[5];
    valid[b] = LoadBlock(in + b * BlockBytes, raw);
    if (!valid[b]) continue;
    Transpose(raw, r);
    Run(program, r);
    const __m512i v = r[program.Outputs[0]];
    uint64_t fresh = ~InSet(v, seenReg);
    if (fresh != 0) {
      _mm512_store_si512(reinterpret_cast<void*>(out), v);
      for (; fresh != 0; fresh &= fresh - 1) {
        const unsigned lane = static_cast<unsigned>(__builtin_ctzll(fresh));
        const uint8_t value = out[lane];
        if ((seen[value >> 6] >> (value & 63) & 1) == 0) {
          seen[value >> 6] |= uint64_t{1} << (value & 63);
          firstAt[value] = static_cast<uint32_t>(b * Block + lane);
          known[knownCount++] = value;
        }
      }
      seenReg = _mm512_maskz_loadu_epi64(0x0F, seen);
    }
    if (knownCount <= FewValues) {
      for (int k = 0; k < knownCount; ++k)
        counts[known[k]] += static_cast<uint32_t>(
            _mm_popcnt_u64(_mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(static_cast<char>(known[k])))));
    } else {
      _mm512_store_si512(reinterpret_cast<void*>(out), v);
      Histogram(out, lanes);
    }
  }
  for (int v = 0; v < 256; ++v) counts[v] += lanes[0][v] + lanes[1][v] + lanes[2][v] + lanes[3][v];
}

}  // namespace kivra
