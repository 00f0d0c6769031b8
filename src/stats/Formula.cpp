#include "stats/Formula.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kivra {

namespace {

// --- Functions ---

enum TFunc : uint8_t {
  FnArcTan,
  FnCos,
  FnSin,
  FnTan,
  FnAbs,
  FnExp,
  FnLn,
  FnLog,
  FnSqrt,
  FnSqr,
  FnInt,
  FnFrac,
  FnTrunc,
  FnRound,
  FnArcSin,
  FnArcCos,
  FnSign,
  FnNot,
};

struct TFuncName {
  std::string_view Name;
  TFunc Func;
};

constexpr TFuncName FuncNames[] = {
    {"ARCTAN", FnArcTan}, {"COS", FnCos},   {"SIN", FnSin},     {"TAN", FnTan},     {"ABS", FnAbs},
    {"EXP", FnExp},       {"LN", FnLn},     {"LOG", FnLog},     {"SQRT", FnSqrt},   {"SQR", FnSqr},
    {"INT", FnInt},       {"FRAC", FnFrac}, {"TRUNC", FnTrunc}, {"ROUND", FnRound}, {"ARCSIN", FnArcSin},
    {"ARCCOS", FnArcCos}, {"SIGN", FnSign}, {"NOT", FnNot},
};

// Applies a function in place; false outside its domain or when the result is not finite.
bool ApplyFunc(uint8_t f, long double& x) {
  switch (f) {
    case FnArcTan: x = std::atan(x); break;
    case FnCos: x = std::cos(x); break;
    case FnSin: x = std::sin(x); break;
    case FnTan: x = std::tan(x); break;
    case FnAbs: x = std::fabs(x); break;
    case FnExp: x = std::exp(x); break;
    case FnLn:
      if (!(x > 0)) return false;
      x = std::log(x);
      break;
    case FnLog:
      if (!(x > 0)) return false;
      x = std::log10(x);
      break;
    case FnSqrt:
      if (x < 0) return false;
      x = std::sqrt(x);
      break;
    case FnSqr: x = x * x; break;
    case FnInt:
    case FnTrunc: x = std::trunc(x); break;
    case FnFrac: x = x - std::trunc(x); break;
    case FnRound: x = std::round(x); break;
    case FnArcSin:
      if (x < -1 || x > 1) return false;
      x = std::asin(x);
      break;
    case FnArcCos:
      if (x < -1 || x > 1) return false;
      x = std::acos(x);
      break;
    case FnSign: x = x > 0 ? 1 : x < 0 ? -1 : 0; break;
    case FnNot: x = x == 0 ? 1 : 0; break;
    default: return false;
  }
  return std::isfinite(x);
}

// --- Numbers ---

// 10^0 .. 10^27, each exact in the 64-bit mantissa (5^27 < 2^63).
constexpr std::array<long double, 28> Pow10 = [] {
  std::array<long double, 28> p{};
  long double v = 1;
  for (long double& x : p) {
    x = v;
    v *= 10;
  }
  return p;
}();

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of a decimal literal (digits, optional "." and digits, optional "E", sign, digits),
// correctly rounded to extended precision; false when it lies beyond the extended range.
bool ParseDecimal(std::string_view s, long double& out) {
  // Up to 19 significant digits and a decimal exponent within 27 give the value with one correctly
  // rounded multiplication or division of two exact numbers; anything else goes to the library.
  uint64_t mantissa = 0;
  long significant = 0, fractionDigits = 0;
  long firstDigitPower = 0;  // the power of ten of the first significant digit, before the exponent
  size_t i = 0;
  bool inFraction = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '.') {
      inFraction = true;
      continue;
    }
    if (!IsDigit(c)) break;
    if (inFraction) ++fractionDigits;
    if (significant == 0 && c == '0') continue;
    if (significant == 0) firstDigitPower = inFraction ? -fractionDigits : -1;
    if (!inFraction) ++firstDigitPower;
    if (++significant <= 19) mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
  }
  long exponent = 0;
  if (i < s.size()) {  // "E"
    size_t k = i + 1;
    const bool negative = k < s.size() && s[k] == '-';
    if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
    for (; k < s.size(); ++k) exponent = std::min(exponent * 10 + (s[k] - '0'), 1000000L);
    if (negative) exponent = -exponent;
  }
  const long scale = exponent - fractionDigits;
  if (significant == 0) {
    out = 0;
    return true;
  }
  if (significant <= 19 && scale >= -27 && scale <= 27) {
    const auto m = static_cast<long double>(mantissa);
    out = scale >= 0 ? m * Pow10[static_cast<size_t>(scale)] : m / Pow10[static_cast<size_t>(-scale)];
    return true;
  }
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out, std::chars_format::general);
  if (ec == std::errc::result_out_of_range && firstDigitPower + exponent < 0) {
    out = 0;  // below the range
    return true;
  }
  return ec == std::errc() && ptr == s.data() + s.size() && std::isfinite(out);
}

// --- Parsing to postfix ---

// Pending operators and parentheses of the parser.
enum TPendingKind : uint8_t { PendParen, PendFunc, PendAdd, PendSub, PendMul, PendDiv, PendPow };
struct TPending {
  TPendingKind Kind;
  uint8_t Arg;
};

bool IsBinary(TPendingKind k) { return k >= PendAdd; }
bool IsMulLevel(TPendingKind k) { return k >= PendMul; }
TFormulaOp BinaryOp(TPendingKind k) {
  switch (k) {
    case PendAdd: return TFormulaOp::Add;
    case PendSub: return TFormulaOp::Sub;
    case PendMul: return TFormulaOp::Mul;
    case PendDiv: return TFormulaOp::Div;
    default: return TFormulaOp::Pow;
  }
}

// Characters below "!" removed, ASCII letters in capitals.
void CleanText(std::string_view text, std::string& out) {
  out.clear();
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x21) continue;
    out.push_back(u >= 'a' && u <= 'z' ? static_cast<char>(u - 0x20) : c);
  }
}

// Character codes 1..15 in a cleaned text stand for the inputs 0..14 (real characters below "!"
// never reach the parser, so they are free for this).
constexpr char VarMark(int var) { return static_cast<char>(1 + var); }
bool IsVarMark(char c) { return c >= 1 && c <= 15; }

// Folds each push of an input or a constant that an operator takes at once into the operator.
void FuseOperands(std::vector<TFormulaInstr>& program) {
  constexpr int Ops = 5;  // Add, Sub, Mul, Div, Pow in each group
  size_t out = 0;
  for (size_t k = 0; k < program.size(); ++k) {
    TFormulaInstr in = program[k];
    const bool operand = in.Op == TFormulaOp::Var || in.Op == TFormulaOp::Const;
    if (operand && out > 0 && k + 1 < program.size() && program[k + 1].Op >= TFormulaOp::Add &&
        program[k + 1].Op <= TFormulaOp::Pow) {
      const int op = static_cast<int>(program[k + 1].Op) - static_cast<int>(TFormulaOp::Add);
      const auto group = in.Op == TFormulaOp::Var ? TFormulaOp::AddVar : TFormulaOp::AddConst;
      in.Op = static_cast<TFormulaOp>(static_cast<int>(group) + op);
      static_assert(static_cast<int>(TFormulaOp::AddConst) - static_cast<int>(TFormulaOp::AddVar) == Ops);
      ++k;
    }
    program[out++] = in;
  }
  program.resize(out);
}

// Parses a cleaned text into postfix instructions (operator precedence with an explicit stack).
// `depth` receives the longest operand stack the program uses. False on any syntax error.
bool CompileCleaned(std::string_view s, std::vector<TFormulaInstr>& program, std::vector<TPending>& pending,
                    size_t& depth) {
  program.clear();
  pending.clear();
  size_t stack = 0;
  depth = 0;
  auto push = [&](TFormulaInstr in) {
    program.push_back(in);
    depth = std::max(depth, ++stack);
  };
  auto popBinary = [&](bool mulLevelOnly) {
    while (!pending.empty() && (mulLevelOnly ? IsMulLevel(pending.back().Kind) : IsBinary(pending.back().Kind))) {
      program.push_back({0, BinaryOp(pending.back().Kind), 0});
      --stack;
      pending.pop_back();
    }
  };

  size_t i = 0;
  bool wantOperand = true;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    push({0, TFormulaOp::Const, 0});
    wantOperand = false;
  }
  for (;;) {
    if (wantOperand) {
      if (i == s.size()) return false;
      const char c = s[i];
      if (IsDigit(c)) {
        size_t j = i;
        while (j < s.size() && IsDigit(s[j])) ++j;
        if (j < s.size() && s[j] == '.')
          for (++j; j < s.size() && IsDigit(s[j]);) ++j;
        if (j < s.size() && s[j] == 'E') {
          ++j;
          if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
          if (j == s.size() || !IsDigit(s[j])) return false;
          while (j < s.size() && IsDigit(s[j])) ++j;
        }
        long double v;
        if (!ParseDecimal(s.substr(i, j - i), v)) return false;
        push({v, TFormulaOp::Const, 0});
        i = j;
        wantOperand = false;
      } else if (IsVarMark(c)) {
        push({0, TFormulaOp::Var, static_cast<uint8_t>(c - 1)});
        ++i;
        wantOperand = false;
      } else if (c == '(') {
        pending.push_back({PendParen, 0});
        ++i;
      } else if (c >= 'A' && c <= 'Z') {
        size_t j = i;
        while (j < s.size() && s[j] >= 'A' && s[j] <= 'Z') ++j;
        const std::string_view name = s.substr(i, j - i);
        const auto f = std::find_if(std::begin(FuncNames), std::end(FuncNames),
                                    [&](const TFuncName& fn) { return fn.Name == name; });
        if (f == std::end(FuncNames) || j == s.size() || s[j] != '(') return false;
        pending.push_back({PendFunc, f->Func});
        i = j + 1;
      } else {
        return false;
      }
    } else {
      if (i == s.size()) {
        popBinary(false);
        if (!pending.empty()) return false;
        FuseOperands(program);
        return true;
      }
      switch (s[i++]) {
        case '+':
          popBinary(false);
          pending.push_back({PendAdd, 0});
          wantOperand = true;
          break;
        case '-':
          popBinary(false);
          pending.push_back({PendSub, 0});
          wantOperand = true;
          break;
        case '*':
          popBinary(true);
          pending.push_back({PendMul, 0});
          wantOperand = true;
          break;
        case '/':
          popBinary(true);
          pending.push_back({PendDiv, 0});
          wantOperand = true;
          break;
        case '^':
          popBinary(true);
          pending.push_back({PendPow, 0});
          wantOperand = true;
          break;
        case ')':
          popBinary(false);
          if (pending.empty()) return false;
          if (pending.back().Kind == PendFunc) program.push_back({0, TFormulaOp::Func, pending.back().Arg});
          pending.pop_back();
          break;
        default: return false;
      }
    }
  }
}

// Runs a program on an operand stack of at least its depth; false on any failure. The top of the
// stack stays in a local, so that most steps touch no memory. A failure is noted and the run goes
// on, so the steps have no branches of their own. A value that is not finite fails the run: sums,
// differences and products carry such a value on to the result (an infinity gives an infinity or
// a NaN, a NaN a NaN), which is tested at the end; the steps that could turn one into a finite value
// (x / inf, powers, functions) test their operands.
// Inputs 0..4 are read from `n`, the others from `inputs`.
bool RunProgram(const TFormulaInstr* program, size_t size, const uint8_t* n, const uint8_t* inputs, long double* stack,
                long double& result) {
  auto input = [&](uint8_t k) -> long double { return (k < 5 ? n : inputs)[k]; };
  long double top = 0;
  size_t below = 0;  // values under the top, in stack[0..below)
  bool ok = true;
  auto divide = [&ok](long double a, long double b) {
    ok &= b != 0 && std::isfinite(b);
    return a / (b != 0 ? b : 1);
  };
  auto power = [&ok](long double a, long double b) {
    ok &= std::isfinite(a) && std::isfinite(b);
    return std::pow(a, b);
  };
  for (size_t k = 0; k < size; ++k) {
    const TFormulaInstr& in = program[k];
    switch (in.Op) {
      case TFormulaOp::Const:
        if (k > 0) stack[below++] = top;
        top = in.Value;
        break;
      case TFormulaOp::Var:
        if (k > 0) stack[below++] = top;
        top = input(in.Arg);
        break;
      case TFormulaOp::Func: ok &= std::isfinite(top) && ApplyFunc(in.Arg, top); break;
      case TFormulaOp::Add: top = stack[--below] + top; break;
      case TFormulaOp::Sub: top = stack[--below] - top; break;
      case TFormulaOp::Mul: top = stack[--below] * top; break;
      case TFormulaOp::Div: top = divide(stack[--below], top); break;
      case TFormulaOp::Pow: top = power(stack[--below], top); break;
      case TFormulaOp::AddVar: top = top + input(in.Arg); break;
      case TFormulaOp::SubVar: top = top - input(in.Arg); break;
      case TFormulaOp::MulVar: top = top * input(in.Arg); break;
      case TFormulaOp::DivVar: top = divide(top, input(in.Arg)); break;
      case TFormulaOp::PowVar: top = power(top, input(in.Arg)); break;
      case TFormulaOp::AddConst: top = top + in.Value; break;
      case TFormulaOp::SubConst: top = top - in.Value; break;
      case TFormulaOp::MulConst: top = top * in.Value; break;
      case TFormulaOp::DivConst: top = divide(top, in.Value); break;
      case TFormulaOp::PowConst: top = power(top, in.Value); break;
    }
  }
  result = top;
  return ok && std::isfinite(top);
}

// Buffers of one text evaluation, kept so that repeated evaluations reuse their memory.
struct TTextScratch {
  std::string Text, Spare, Clean;
  std::vector<TFormulaInstr> Program;
  std::vector<TPending> Pending;
  std::vector<long double> Stack;
};

bool EvaluateText(std::string_view text, TTextScratch& s, long double& value) {
  CleanText(text, s.Clean);
  size_t depth;
  if (!CompileCleaned(s.Clean, s.Program, s.Pending, depth)) return false;
  if (s.Stack.size() < depth) s.Stack.resize(depth);
  return RunProgram(s.Program.data(), s.Program.size(), nullptr, nullptr, s.Stack.data(), value);
}

constexpr char VarLetters[3] = {'n', 'p', 't'};

// The replacement pass on a text, by the digits (a match is a letter followed by the digit, so two
// matches never overlap and each digit with the letter before it is one).
void ReplaceInText(std::string& text, std::string& spare, char letter, char digit, std::string_view value) {
  size_t copied = 0;
  bool any = false;
  for (size_t d = text.find(digit, 1); d != std::string::npos; d = text.find(digit, d + 1)) {
    if ((static_cast<unsigned char>(text[d - 1]) | 0x20) != static_cast<unsigned char>(letter)) continue;
    if (!any) spare.clear();
    any = true;
    spare.append(text, copied, d - 1 - copied).append(value);
    copied = d + 1;
  }
  if (!any) return;
  spare.append(text, copied);
  text.swap(spare);
}

void Substitute(std::string_view formula, const TShreddingInputs& in, std::string& text, std::string& spare) {
  text.assign(formula);
  for (int i = 1; i <= 5; ++i)
    for (int v = 0; v < 3; ++v) {
      char digits[4];
      const auto r = std::to_chars(digits, digits + sizeof digits, in[static_cast<size_t>(v * 5 + i - 1)]);
      ReplaceInText(text, spare, VarLetters[v], static_cast<char>('0' + i),
                    std::string_view(digits, static_cast<size_t>(r.ptr - digits)));
    }
}

// The characters of a text with placeholders: 0..255 a character, 256 + k the input k.
using TCells = std::vector<uint16_t>;

// One replacement pass of "letter + digit" (letter case ignored) by the placeholder, left to right;
// a placeholder is neither a letter nor a digit.
void ReplaceInCells(const TCells& in, TCells& out, char letter, char digit, uint16_t mark) {
  out.clear();
  for (size_t j = 0; j < in.size();) {
    if ((in[j] | 0x20) == static_cast<unsigned char>(letter) && j + 1 < in.size() &&
        in[j + 1] == static_cast<unsigned char>(digit)) {
      out.push_back(mark);
      j += 2;
    } else {
      out.push_back(in[j++]);
    }
  }
}

// True when an input's number, written out in the text, is an operand of its own: it follows the
// start, an operator or "(" and is followed by the end, an operator or ")". Then no number can
// merge with its neighbours into another token, and no letter stands right before it, so no later
// replacement can read a digit of it as part of a name (only a letter before a number's first digit
// could do that).
bool NumbersStandAlone(std::string_view clean) {
  constexpr std::string_view Before = "+-*/^(", After = "+-*/^)";
  for (size_t i = 0; i < clean.size(); ++i) {
    if (!IsVarMark(clean[i])) continue;
    if (i > 0 && Before.find(clean[i - 1]) == std::string_view::npos) return false;
    if (i + 1 < clean.size() && After.find(clean[i + 1]) == std::string_view::npos) return false;
  }
  return true;
}

}  // namespace

TShreddingInputs ShreddingInputs(const TComb& n, const TComb& p, const TComb& t) {
  TShreddingInputs in;
  std::copy(n.begin(), n.end(), in.begin());
  std::copy(p.begin(), p.end(), in.begin() + 5);
  std::copy(t.begin(), t.end(), in.begin() + 10);
  return in;
}

std::string SubstituteShreddingNumbers(std::string_view formula, const TShreddingInputs& in) {
  std::string text, spare;
  Substitute(formula, in, text, spare);
  return text;
}

bool EvaluateExpression(std::string_view text, long double& value) {
  TTextScratch scratch;
  return EvaluateText(text, scratch, value);
}

int32_t ShreddingDigits(long double value, int32_t digits) {
  const long double a = std::fabs(value);
  const long double fraction = a - std::trunc(a);
  return static_cast<int32_t>(fraction * Pow10[static_cast<size_t>(std::clamp(digits, 1, 5))]);
}

int32_t ShreddingValue(const TShreddingInputs& in, int32_t digits, std::string_view formula) {
  thread_local TTextScratch scratch;
  Substitute(formula, in, scratch.Text, scratch.Spare);
  long double value;
  return EvaluateText(scratch.Text, scratch, value) ? ShreddingDigits(value, digits) : 0;
}

int32_t ShreddingValue(const TComb& n, const TComb& p, const TComb& t, int32_t digits, std::string_view formula) {
  return ShreddingValue(ShreddingInputs(n, p, t), digits, formula);
}

TShreddingFormula::TShreddingFormula(std::string_view formula, int32_t digits) : text_(formula), digits_(digits) {
  // The same replacements as SubstituteShreddingNumbers, with placeholders for the numbers.
  TCells cells, spare;
  for (const char c : formula) cells.push_back(static_cast<unsigned char>(c));
  for (int i = 1; i <= 5; ++i)
    for (int v = 0; v < 3; ++v) {
      const auto mark = static_cast<uint16_t>(256 + v * 5 + i - 1);
      ReplaceInCells(cells, spare, VarLetters[v], static_cast<char>('0' + i), mark);
      cells.swap(spare);
    }
  std::string clean;
  for (uint16_t c : cells) {
    if (c >= 256) clean.push_back(VarMark(c - 256));
    else if (c >= 0x21) clean.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : static_cast<char>(c));
  }
  if (!NumbersStandAlone(clean)) return;  // Substituted
  std::vector<TPending> pending;
  size_t depth;
  if (!CompileCleaned(clean, program_, pending, depth)) {
    // With every number a token of its own, the substituted text has the same tokens whatever the
    // numbers are, so it fails to parse for all of them.
    form_ = TForm::NeverEvaluates;
    program_.clear();
  } else if (depth <= MaxCompiledDepth) {
    form_ = TForm::Compiled;
  } else {
    program_.clear();
  }
}

int32_t TShreddingFormula::Value(const TComb& n, const TShreddingInputs& in) const {
  long double value;
  switch (form_) {
    case TForm::Compiled: {
      long double stack[MaxCompiledDepth];
      return RunProgram(program_.data(), program_.size(), n.data(), in.data(), stack, value)
                 ? ShreddingDigits(value, digits_)
                 : 0;
    }
    case TForm::NeverEvaluates: return 0;
    case TForm::Substituted: break;
  }
  TShreddingInputs all = in;
  std::copy(n.begin(), n.end(), all.begin());
  return ShreddingValue(all, digits_, text_);
}

int32_t TShreddingFormula::Value(const TShreddingInputs& in) const {
  TComb n;
  std::copy_n(in.begin(), n.size(), n.begin());
  return Value(n, in);
}

namespace {

// A value of the symbolic run of a program: an exact integer K + sum of Coef[k] * n[k], or not.
struct TIntegerPart {
  bool Exact = false;
  int64_t Coef[CombSize] = {};
  int64_t K = 0;

  // Integers up to this bound, whatever the bytes n[k] are, are exact and far from any limit.
  static constexpr int64_t Bound = int64_t{1} << 52;
  bool Varies() const {
    return std::any_of(std::begin(Coef), std::end(Coef), [](int64_t c) { return c != 0; });
  }
  // The largest magnitude for bytes n[k]; no overflow while K and Coef are within a few Bounds.
  int64_t Magnitude() const {
    int64_t m = K < 0 ? -K : K;
    for (int64_t c : Coef) m += (c < 0 ? -c : c) * 255;
    return m;
  }
  static TIntegerPart Constant(long double v) {
    TIntegerPart p;
    // Whole constants from 0 up (a literal has no sign; the leading sign is 0 - x).
    p.Exact = v >= 0 && v <= static_cast<long double>(Bound) && v == std::trunc(v);
    if (p.Exact) p.K = static_cast<int64_t>(v);
    return p;
  }
  bool operator==(const TIntegerPart& o) const {
    return K == o.K && std::equal(std::begin(Coef), std::end(Coef), std::begin(o.Coef));
  }
};

}  // namespace

TShreddingMemo TShreddingFormula::Memo(const TShreddingInputs& fixed) const {
  TShreddingMemo memo;
  memo.formula_ = this;
  memo.fixed_ = fixed;
  if (form_ != TForm::Compiled) return memo;

  // Runs the program on integer parts; a part used by anything else is one the rest reads.
  std::vector<TIntegerPart> parts;  // the varying ones, each once
  bool tooMany = false;
  auto read = [&](const TIntegerPart& p) {
    if (!p.Exact || !p.Varies() || std::find(parts.begin(), parts.end(), p) != parts.end()) return;
    if (parts.size() == 4) tooMany = true;
    else parts.push_back(p);
  };
  auto input = [&](uint8_t k) {
    TIntegerPart p;
    p.Exact = true;
    if (k < CombSize) p.Coef[k] = 1;
    else p.K = fixed[k];
    return p;
  };
  auto combine = [&](const TIntegerPart& a, const TIntegerPart& b, TFormulaOp op) {
    TIntegerPart r;
    if (a.Exact && b.Exact) {
      r.Exact = true;
      if (op == TFormulaOp::Add || op == TFormulaOp::Sub) {
        const int64_t sign = op == TFormulaOp::Add ? 1 : -1;
        r.K = a.K + sign * b.K;
        for (int k = 0; k < CombSize; ++k) r.Coef[k] = a.Coef[k] + sign * b.Coef[k];
      } else if (op == TFormulaOp::Mul && (!a.Varies() || !b.Varies())) {
        // A positive constant factor: a product with 0 or a negative one could give -0.
        const TIntegerPart& c = a.Varies() ? b : a;
        const TIntegerPart& x = a.Varies() ? a : b;
        r.Exact = c.K > 0 && c.K <= TIntegerPart::Bound / std::max<int64_t>(1, x.Magnitude());
        if (r.Exact) {
          r.K = x.K * c.K;
          for (int k = 0; k < CombSize; ++k) r.Coef[k] = x.Coef[k] * c.K;
        }
      } else {
        r.Exact = false;
      }
      // The operands are within the bound, so none of these overflow; the result must be too.
      if (r.Exact && r.Magnitude() > TIntegerPart::Bound) r.Exact = false;
    }
    if (!r.Exact) {
      read(a);
      read(b);
    }
    return r;
  };
  std::vector<TIntegerPart> stack;
  for (const TFormulaInstr& in : program_) {
    const int group = static_cast<int>(in.Op);
    switch (in.Op) {
      case TFormulaOp::Const: stack.push_back(TIntegerPart::Constant(in.Value)); break;
      case TFormulaOp::Var: stack.push_back(input(in.Arg)); break;
      case TFormulaOp::Func:
        read(stack.back());
        stack.back() = TIntegerPart{};
        break;
      case TFormulaOp::Add:
      case TFormulaOp::Sub:
      case TFormulaOp::Mul:
      case TFormulaOp::Div:
      case TFormulaOp::Pow: {
        const TIntegerPart b = stack.back();
        stack.pop_back();
        stack.back() = combine(stack.back(), b, in.Op);
        break;
      }
      default: {  // an operator with an input or a constant
        const bool isVar = in.Op >= TFormulaOp::AddVar && in.Op <= TFormulaOp::PowVar;
        const int first = static_cast<int>(isVar ? TFormulaOp::AddVar : TFormulaOp::AddConst);
        const auto op = static_cast<TFormulaOp>(static_cast<int>(TFormulaOp::Add) + group - first);
        stack.back() = combine(stack.back(), isVar ? input(in.Arg) : TIntegerPart::Constant(in.Value), op);
        break;
      }
    }
  }
  if (stack.size() != 1) return memo;  // not a program the compiler makes
  read(stack.back());
  if (tooMany) return memo;

  constexpr int64_t MaxSlots = int64_t{1} << 18;
  int64_t slots = 1;
  for (const TIntegerPart& p : parts) {
    int64_t low = p.K, high = p.K;
    for (int64_t c : p.Coef) {
      low += std::min(c, c * MaxNumber);
      high += std::max(c, c * MaxNumber);
    }
    const int64_t size = high - low + 1;
    if (size > MaxSlots || size * slots > MaxSlots) return memo;
    for (int k = 0; k < CombSize; ++k) memo.weight_[k] += p.Coef[k] * slots;
    memo.base_ += (p.K - low) * slots;
    slots *= size;
  }
  memo.slots_.assign(static_cast<size_t>(slots), -1);
  return memo;
}

int32_t TShreddingMemo::Evaluate(const TComb& n) const { return formula_->Value(n, fixed_); }

}  // namespace kivra
