// Shredding formulas: the substitution of a draw's numbers into a formula text, the expression
// evaluator for the text that results, and a form of a formula compiled once that gives the same
// value for any numbers without building and reading the text again.
//
// The evaluator reads user text. Anything it cannot evaluate (a syntax error, unbalanced
// parentheses, an unknown name, division by zero, a function outside its domain, a literal or an
// intermediate value beyond the extended range) gives failure, which the shredding value turns into
// 0; a literal too small for the range reads as 0. It parses without recursion and with work linear
// in the length of the text, so no input can exhaust the stack or run long.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/SortaUtils.h"

namespace kivra {

// The fifteen numbers a formula reads: n1..n5 (the draw or combination), p1..p5 (the draw before
// it) and t1..t5 (the draw two before it).
using TShreddingInputs = std::array<uint8_t, 15>;
TShreddingInputs ShreddingInputs(const TComb& n, const TComb& p, const TComb& t);

// The formula text with every "n" followed by i (letter case ignored) replaced by n_i in decimal,
// then "p" + i by p_i, then "t" + i by t_i, for i = 1 to 5 in turn. Each replacement runs once over
// the text as the previous ones left it and does not look at the numbers it has just written.
std::string SubstituteShreddingNumbers(std::string_view formula, const TShreddingInputs& in);

// Evaluates an expression text in 80-bit extended arithmetic; false when it cannot. Blanks and
// control characters are ignored, letters may be of either case, and a leading "+" or "-" applies
// to a 0 put in front. The whole text must be one expression:
//   expression = term {("+" | "-") term}
//   term       = factor {("*" | "/" | "^") factor}     (one precedence, left to right)
//   factor     = number | "(" expression ")" | function "(" expression ")"
//   number     = digits ["." [digits]] ["E" ["+" | "-"] digits]
// with the functions ARCTAN COS SIN TAN ABS EXP LN LOG SQRT SQR INT FRAC TRUNC ROUND ARCSIN ARCCOS
// SIGN NOT (INT and TRUNC cut towards zero, ROUND rounds halves away from zero, LOG is to base 10,
// SQR squares, NOT gives 1 for 0 and 0 for anything else).
bool EvaluateExpression(std::string_view text, long double& value);

// The digits kept of a formula value: the fractional part of |value| times 10^digits, truncated.
// Digit counts outside 1..5 are taken as the nearest of them.
int32_t ShreddingDigits(long double value, int32_t digits);

// The shredding value of a formula for three sets of five numbers, computed the plain way: the
// numbers are substituted into the text and the text is evaluated; 0 when it does not evaluate.
int32_t ShreddingValue(const TComb& n, const TComb& p, const TComb& t, int32_t digits, std::string_view formula);
int32_t ShreddingValue(const TShreddingInputs& in, int32_t digits, std::string_view formula);

// One instruction of a compiled expression (postfix order, the top of the stack held apart).
enum class TFormulaOp : uint8_t {
  Const,
  Var,
  Func,  // push a constant or an input; apply a function to the top
  Add,
  Sub,
  Mul,
  Div,
  Pow,  // top := value below op top
  AddVar,
  SubVar,
  MulVar,
  DivVar,
  PowVar,  // top := top op input (an input pushed, then the op)
  AddConst,
  SubConst,
  MulConst,
  DivConst,
  PowConst,  // top := top op constant
};
struct TFormulaInstr {
  long double Value = 0;  // the constant
  TFormulaOp Op = TFormulaOp::Const;
  uint8_t Arg = 0;  // the input index 0..14, or the function number
};

class TShreddingFormula;

// The values of a compiled formula for n1..n5 with p and t fixed, remembered by what the numbers
// enter the formula as. A part of the formula built from the numbers and whole constants by sums,
// differences and products with positive constants is an exact integer in extended arithmetic
// (its intermediate values stay far inside the 64-bit mantissa), so the rest of the formula sees
// only the integer values of its largest such parts. When these parts are few and take few values
// for numbers 1..45, as in "(n1+n2)/(n3+n4+n5)", each combination of their values is evaluated
// once; everything else is evaluated as TShreddingFormula::Value does. Not for sharing between
// threads: each takes its own.
class TShreddingMemo {
 public:
  int32_t Value(const TComb& n) {
    bool inRange = !slots_.empty();
    int64_t slot = base_;
    for (int k = 0; k < CombSize; ++k) {
      inRange &= static_cast<uint8_t>(n[k] - 1) < MaxNumber;
      slot += weight_[k] * n[k];
    }
    if (!inRange) return Evaluate(n);
    int32_t& value = slots_[static_cast<size_t>(slot)];
    if (value < 0) value = Evaluate(n);
    return value;
  }
  bool Remembers() const { return !slots_.empty(); }  // false: every value is evaluated

 private:
  friend class TShreddingFormula;
  int32_t Evaluate(const TComb& n) const;

  const TShreddingFormula* formula_ = nullptr;
  TShreddingInputs fixed_{};
  // The slot of numbers 1..45: the parts' values less their least, one after the other in a
  // mixed radix, which is itself base_ + the sum of weight_[k] * n[k].
  int64_t weight_[CombSize] = {};
  int64_t base_ = 0;
  std::vector<int32_t> slots_;  // -1 until evaluated
};

// A shredding formula with its digit count, parsed once. Value gives exactly what ShreddingValue
// gives for the same numbers. Where every number the formula names stands as an operand of its own
// in the text (the usual case), the formula is compiled with the numbers as variables and each
// value is a short run of postfix instructions. Where a number would merge with neighbouring
// characters once written out (as in "n1n2", "2n1" or "n1.5") or could be read back as part of a
// later name (as in "nn1"), the text depends on the numbers' digits, and Value substitutes and
// evaluates the text each time, in per-thread buffers that are reused.
// Value is const and safe to call from several threads at once.
class TShreddingFormula {
 public:
  TShreddingFormula(std::string_view formula, int32_t digits);

  int32_t Value(const TShreddingInputs& in) const;  // n, p and t from `in`
  // n1..n5 from `n`, p and t from `in` (whose first five are not read): a combination is tested
  // against fixed previous draws without copying it.
  int32_t Value(const TComb& n, const TShreddingInputs& in) const;

  // The remembering form of Value(n, fixed) (see TShreddingMemo).
  TShreddingMemo Memo(const TShreddingInputs& fixed) const;

  enum class TForm { Compiled, NeverEvaluates, Substituted };
  TForm Form() const { return form_; }

  // The longest operand stack the compiled form may use.
  static constexpr size_t MaxCompiledDepth = 64;

 private:
  std::string text_;
  int32_t digits_;
  TForm form_ = TForm::Substituted;
  std::vector<TFormulaInstr> program_;
};

}  // namespace kivra
