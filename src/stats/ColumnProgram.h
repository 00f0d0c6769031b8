// Column programs: a statistic's per-combination computation written as a short list of byte
// operations, so that a vector kernel can run it over 64 combinations at once (one byte lane per
// combination, one register per position). A program only runs on combinations whose numbers are
// all in 1..63; registers hold bytes and wrap modulo 256.
//
// This header holds plain data and the scalar evaluator only: the vector kernel is compiled for a
// wider instruction set in its own file and must not share inline code with the rest.
#pragma once

#include <bit>
#include <cstdint>

namespace kivra {

enum class TColumnOp : uint8_t {
  Lut,     // r[Dst] = Tables[Arg][r[A] & 63]
  Lut256,  // r[Dst] = Tables[Arg..Arg+3] as one 256-entry table, indexed by r[A]
  LutSum,  // r[Dst] = sum of Tables[Arg][p] over the positions in bit mask B (bit k = register k)
  Const,   // r[Dst] = Arg
  Add,     // r[Dst] = r[A] + r[B]
  Sub,     // r[Dst] = r[A] - r[B]
  Min,     // unsigned
  Max,     // unsigned
  And,
  Or,
  Xor,
  Shr,         // r[Dst] = r[A] >> Arg (logical, per byte)
  CmpGt,       // r[Dst] = r[A] > r[B] (unsigned) ? 0xFF : 0
  CmpEq,       // r[Dst] = r[A] == r[B] ? 0xFF : 0
  Select,      // r[Dst] = r[Arg] has bit 7 ? r[A] : r[B]
  LutDiffSum,  // r[Dst] = sum of Tables[Arg][(r[A] - r[A + 1 + k]) & 63] over the k in bit mask B
};

struct TColumnInstr {
  TColumnOp Op;
  uint8_t Dst, A, B, Arg;
};

struct TColumnProgram {
  static constexpr int MaxRegisters = 64;  // registers 0..4 hold positions 1..5 when the program starts
  static constexpr int MaxInstrs = 96;
  static constexpr int MaxTables = 12;
  static constexpr int MaxOutputs = 10;

  TColumnInstr Code[MaxInstrs]{};
  int Length = 0;
  uint8_t Tables[MaxTables][64]{};
  int TableCount = 0;
  uint8_t Outputs[MaxOutputs]{};  // registers whose bytes are the values
  int OutputCount = 0;
  int RegisterCount = 5;
  // An output byte that stands for "no value here" (the combination emits fewer values), or -1.
  int SkipValue = -1;
  // False when the outputs' sets only narrow the candidates down (values hashed into a byte): the
  // statistic's own test then decides each candidate.
  bool Exact = true;
  bool Valid = true;  // false when a limit was exceeded while building

  // Builder: each call returns the register of its result (or 0 after a limit was exceeded,
  // which also clears Valid).
  int Emit(TColumnOp op, int a, int b = 0, int arg = 0) {
    if (Length >= MaxInstrs || RegisterCount >= MaxRegisters) return Fail();
    const int dst = RegisterCount++;
    Code[Length++] = {op, static_cast<uint8_t>(dst), static_cast<uint8_t>(a), static_cast<uint8_t>(b),
                      static_cast<uint8_t>(arg)};
    return dst;
  }
  template <class F>
  int Table(F valueOf) {  // a 64-entry table from valueOf(0..63)
    if (TableCount >= MaxTables) return Fail();
    for (int i = 0; i < 64; ++i) Tables[TableCount][i] = static_cast<uint8_t>(valueOf(i));
    return TableCount++;
  }
  template <class F>
  int Table256(F valueOf) {  // four consecutive tables, entry i of table k = valueOf(64k + i)
    if (TableCount + 4 > MaxTables) return Fail();
    for (int i = 0; i < 256; ++i) Tables[TableCount + i / 64][i % 64] = static_cast<uint8_t>(valueOf(i));
    TableCount += 4;
    return TableCount - 4;
  }
  // acc += x in place (no new register).
  void AddTo(int acc, int x) {
    if (Length >= MaxInstrs) {
      Fail();
      return;
    }
    Code[Length++] = {TColumnOp::Add, static_cast<uint8_t>(acc), static_cast<uint8_t>(acc), static_cast<uint8_t>(x), 0};
  }
  int Lut(int a, int table) { return Emit(TColumnOp::Lut, a, 0, table); }
  int Lut256(int a, int table) { return Emit(TColumnOp::Lut256, a, 0, table); }
  int LutSum(int table, int positionMask = 31) { return Emit(TColumnOp::LutSum, 0, positionMask, table); }
  int Const(int value) { return Emit(TColumnOp::Const, 0, 0, value); }
  int Add(int a, int b) { return Emit(TColumnOp::Add, a, b); }
  int Sub(int a, int b) { return Emit(TColumnOp::Sub, a, b); }
  int Min(int a, int b) { return Emit(TColumnOp::Min, a, b); }
  int Max(int a, int b) { return Emit(TColumnOp::Max, a, b); }
  int And(int a, int b) { return Emit(TColumnOp::And, a, b); }
  int Or(int a, int b) { return Emit(TColumnOp::Or, a, b); }
  int Xor(int a, int b) { return Emit(TColumnOp::Xor, a, b); }
  int Shr(int a, int bits) { return Emit(TColumnOp::Shr, a, 0, bits); }
  int CmpGt(int a, int b) { return Emit(TColumnOp::CmpGt, a, b); }
  int CmpEq(int a, int b) { return Emit(TColumnOp::CmpEq, a, b); }
  int Select(int mask, int a, int b) { return Emit(TColumnOp::Select, a, b, mask); }
  // A relation between register a and the registers that follow it, summed: the table of the
  // difference from register a + 1 + k, for each bit k of `following`.
  int LutDiffSum(int a, int following, int table) {
    if (following <= 0 || following > 255 || a + 8 - std::countl_zero(static_cast<uint8_t>(following)) >= RegisterCount)
      return Fail();
    return Emit(TColumnOp::LutDiffSum, a, following, table);
  }
  // Common shapes.
  template <class Pred>
  int CountOf(Pred pred) {  // how many of the five numbers satisfy pred
    return LutSum(Table([&](int n) { return pred(static_cast<uint8_t>(n)) ? 1 : 0; }));
  }
  template <class Pred>
  int MaskOf(Pred pred) {  // bit 4 - k set when pred(position k + 1)
    int mask = -1;
    for (int k = 0; k < 5; ++k) {
      const int bit = Lut(k, Table([&](int n) { return pred(static_cast<uint8_t>(n)) ? 1 << (4 - k) : 0; }));
      mask = mask < 0 ? bit : Or(mask, bit);
    }
    return mask;
  }
  int AbsDiff(int a, int b) { return Sub(Max(a, b), Min(a, b)); }

  void Output(int reg) {
    if (OutputCount >= MaxOutputs) {
      Fail();
      return;
    }
    Outputs[OutputCount++] = static_cast<uint8_t>(reg);
  }

  // The program on one combination (numbers 1..63): the bytes of the outputs.
  void Run(const uint8_t* numbers, uint8_t* outputs) const {
    uint8_t r[MaxRegisters]{};
    for (int k = 0; k < 5; ++k) r[k] = numbers[k];
    for (int i = 0; i < Length; ++i) {
      const TColumnInstr& in = Code[i];
      const uint8_t a = r[in.A], b = r[in.B];
      uint8_t v = 0;
      switch (in.Op) {
        case TColumnOp::Lut: v = Tables[in.Arg][a & 63]; break;
        case TColumnOp::Lut256: v = Tables[in.Arg + a / 64][a % 64]; break;
        case TColumnOp::LutSum:
          for (int k = 0; k < 5; ++k)
            if (in.B >> k & 1) v = static_cast<uint8_t>(v + Tables[in.Arg][r[k] & 63]);
          break;
        case TColumnOp::Const: v = in.Arg; break;
        case TColumnOp::Add: v = static_cast<uint8_t>(a + b); break;
        case TColumnOp::Sub: v = static_cast<uint8_t>(a - b); break;
        case TColumnOp::Min: v = a < b ? a : b; break;
        case TColumnOp::Max: v = a > b ? a : b; break;
        case TColumnOp::And: v = a & b; break;
        case TColumnOp::Or: v = a | b; break;
        case TColumnOp::Xor: v = a ^ b; break;
        case TColumnOp::Shr: v = static_cast<uint8_t>(a >> in.Arg); break;
        case TColumnOp::CmpGt: v = a > b ? 0xFF : 0; break;
        case TColumnOp::CmpEq: v = a == b ? 0xFF : 0; break;
        case TColumnOp::Select: v = (r[in.Arg] & 0x80) ? a : b; break;
        case TColumnOp::LutDiffSum:
          for (int k = 0; k < 8; ++k)
            if (in.B >> k & 1) v = static_cast<uint8_t>(v + Tables[in.Arg][(a - r[(in.A + 1 + k) & 63]) & 63]);
          break;
      }
      r[in.Dst] = v;
    }
    for (int o = 0; o < OutputCount; ++o) outputs[o] = r[Outputs[o]];
  }

 private:
  int Fail() {
    Valid = false;
    return 0;
  }
};

}  // namespace kivra
