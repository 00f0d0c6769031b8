#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "stats/Formula.h"

namespace kivra {
namespace {

std::string Repeat(std::string_view s, size_t times) {
  std::string out;
  out.reserve(s.size() * times);
  for (size_t i = 0; i < times; ++i) out += s;
  return out;
}

std::optional<long double> Eval(std::string_view text) {
  long double v;
  if (!EvaluateExpression(text, v)) return std::nullopt;
  return v;
}

TEST(ShreddingExpression, GrammarPrecedenceAndFailures) {
  struct Case {
    std::string_view Text;
    std::optional<long double> Value;  // nullopt: the text does not evaluate
  };
  const std::optional<long double> fails;
  const Case cases[] = {
      // "*", "/" and "^" share one precedence, left to right; "+" and "-" bind weaker.
      {"2+3*4", 14},
      {"2*3^2", 36},
      {"2^3^2", 64},
      {"8/2/2", 2},
      {"2-3-4", -5},
      {"1+2*3-4/2", 5},
      {"(1+2)*3", 9},
      {"((((7))))", 7},
      // Only a sign at the very start is taken, as 0 put in front.
      {"-2^2", -4},
      {"+5", 5},
      {"-3+1", -2},
      {"--3", fails},
      {"(-3)", fails},
      {"2*-3", fails},
      // Numbers.
      {"1.25", 1.25L},
      {"5.", 5},
      {"1e3", 1000},
      {"2.5E-1", 0.25L},
      {"1E+2", 100},
      {"0.000", 0},
      {".5", fails},
      {"1.2.3", fails},
      {"1E", fails},
      {"1E+", fails},
      // Blanks and control characters go before anything else: "1 2" is 12.
      {" 1 +\t2\r\n", 3},
      {"1 2", 12},
      {"1\0012", 12},  // 1, the control character 1, 2
      // Whole text, balanced parentheses, known names only.
      {"", fails},
      {"()", fails},
      {"(1", fails},
      {"1)", fails},
      {"(1))+((1", fails},
      {")1(", fails},
      {"3<4", fails},
      {"1,2", fails},
      {"2 3+", fails},
      {"PI", fails},
      {"n1", fails},
      {"SIN 0", fails},
      {"SIN(0", fails},
      {"\320\2771", fails},  // a Cyrillic letter (UTF-8 D0 BF), then 1
      {"1\x7f", fails},
      // Division by zero and values beyond the extended range.
      {"1/0", fails},
      {"0/0", fails},
      {"1/(2-2)", fails},
      {"0^(0-1)", fails},
      {"10^5000", fails},
      {"1E5000", fails},
      {"EXP(100000)", fails},
      {"SQR(1E3000)", fails},
      {"1E4000/1E4000", 1},
      // An intermediate value beyond the range fails even where the steps after it would give a
      // finite value.
      {"1/(1E4000*1E4000)", fails},
      {"ARCTAN(1E4000*1E4000)", fails},
      {"NOT(1E4000^2)", fails},
      {"2^(0-1E4000*1E4000)", fails},
      {"(1E4000*1E4000)^0", fails},
      {"1E-5000", 0},  // below the range: zero, not a failure
      {"(0-8)^(1/3)", fails},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Text));
    const auto got = Eval(c.Text);
    ASSERT_EQ(got.has_value(), c.Value.has_value());
    if (c.Value) {
      EXPECT_EQ(*got, *c.Value);
    }
  }
}

TEST(ShreddingExpression, Functions) {
  const long double pi = 3.141592653589793238462643383279502884L;
  struct Case {
    std::string_view Text;
    std::optional<long double> Value;
  };
  const std::optional<long double> fails;
  const Case cases[] = {
      {"ARCTAN(1)*4", pi},      {"COS(0)", 1},          {"SIN(0)", 0},        {"TAN(ARCTAN(0.5))", 0.5L},
      {"ABS(0-2.5)", 2.5L},     {"EXP(0)", 1},          {"LN(EXP(2))", 2},    {"LOG(1000)", 3},
      {"SQRT(16)", 4},          {"SQR(0-3)", 9},        {"INT(0-2.75)", -2},  {"TRUNC(2.75)", 2},
      {"FRAC(0-2.75)", -0.75L}, {"ROUND(2.5)", 3},      {"ROUND(0-2.5)", -3}, {"ROUND(2.49)", 2},
      {"ARCSIN(1)*2", pi},      {"ARCCOS(0-1)", pi},    {"SIGN(0-7)", -1},    {"SIGN(0)", 0},
      {"SIGN(0.1)", 1},         {"NOT(0)", 1},          {"NOT(2)", 0},        {"sqrt(sqr(3))", 3},
      {"LN(0)", fails},         {"LN(0-1)", fails},     {"LOG(0)", fails},    {"SQRT(0-1)", fails},
      {"ARCSIN(1.5)", fails},   {"ARCCOS(0-2)", fails}, {"SQRT(4", fails},    {"SQRT4", fails},
      {"SQRTT(4)", fails},      {"LOG10(2)", fails},    {"SIN(1,2)", fails},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Text));
    const auto got = Eval(c.Text);
    ASSERT_EQ(got.has_value(), c.Value.has_value());
    if (c.Value) {
      EXPECT_NEAR(static_cast<double>(*got), static_cast<double>(*c.Value), 1e-15);
    }
  }
}

TEST(ShreddingSubstitution, ReplacesEachNameInTurn) {
  const TShreddingInputs in = ShreddingInputs({3, 10, 22, 30, 41}, {1, 5, 7, 9, 11}, {45, 44, 43, 42, 0});
  struct Case {
    std::string_view Formula, Text;
  };
  const Case cases[] = {
      {"(n1+n2+n3)/(n4+n5)", "(3+10+22)/(30+41)"},
      {"N1*n1/P5-t5+T1", "3*3/11-0+45"},
      {"n12", "32"},
      {"n0+n6+x1+n 1", "n0+n6+x1+n 1"},
      // Each replacement reads the text the earlier ones left: "nn1" becomes "n3", then n3's value;
      // "pn1" becomes "p3" only after the "p1" pass of that round.
      {"nn1", "22"},
      {"tn1", "43"},
      {"pn5", "p41"},
  };
  for (const Case& c : cases) EXPECT_EQ(SubstituteShreddingNumbers(c.Formula, in), c.Text) << c.Formula;
}

TEST(ShreddingValue, DigitsOfTheFraction) {
  const TComb draw = {3, 10, 22, 30, 41}, none = {};
  struct Case {
    std::string_view Formula;
    int32_t Digits;
    int32_t Value;
  };
  const Case cases[] = {
      {"(n1+n2+n3)/(n4+n5)", 2, 49},
      {"(n1+n2+n3)/(n4+n5)", 3, 492},
      {"(n1+n2+n3)/(n4+n5)", 4, 4929},
      {"0-(n1+n2+n3)/(n4+n5)", 2, 49},  // of the absolute value
      {"(n1+n2)/(n1+n2)", 2, 0},        // a whole number
      {"n1/(n2-n2)", 2, 0},             // fails
      {"(n1+n2)/p1", 2, 0},             // p1 reads 0
      {"29/100", 2, 29},                // 28 in 64-bit arithmetic
      {"7/10", 5, 70000},
      {"1/3", 5, 33333},
      {"1/3", 1, 3},
      {"1/3", 0, 3},  // digit counts outside 1..5: the nearest of them
      {"1/3", 9, 33333},
      {"1/3", -4, 3},
      {"garbage", 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Formula) + " digits " + std::to_string(c.Digits));
    EXPECT_EQ(ShreddingValue(draw, none, none, c.Digits, c.Formula), c.Value);
    EXPECT_EQ(TShreddingFormula(c.Formula, c.Digits).Value(ShreddingInputs(draw, none, none)), c.Value);
  }
}

// --- The compiled form against substitution ---

TShreddingInputs RandomInputs(std::mt19937& rng) {
  TShreddingInputs in;
  const bool wide = rng() % 8 == 0;  // bytes no draw holds, with three digits
  for (auto& v : in) v = static_cast<uint8_t>(wide ? rng() % 256 : rng() % 46);
  return in;
}

::testing::AssertionResult SameAsSubstitution(std::string_view formula, int32_t digits, std::mt19937& rng, int trials) {
  const TShreddingFormula compiled(formula, digits);
  for (int k = 0; k < trials; ++k) {
    const TShreddingInputs in = RandomInputs(rng);
    const int32_t fast = compiled.Value(in), plain = ShreddingValue(in, digits, formula);
    if (fast != plain || plain < 0 || plain > 100000) {
      std::string nums;
      for (uint8_t v : in) nums += std::to_string(v) + " ";
      return ::testing::AssertionFailure() << "formula [" << formula << "] digits " << digits << " numbers " << nums
                                           << ": compiled " << fast << ", substituted " << plain;
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(ShreddingFormula, FormChosenForTheText) {
  using F = TShreddingFormula::TForm;
  struct Case {
    std::string Formula;
    F Form;
  };
  const Case cases[] = {
      {"(n1+n2+n3)/(n4+n5)", F::Compiled},
      {"-SQRT( N1 * p2 )^t3", F::Compiled},
      {"7/10", F::Compiled},
      {"n1n2", F::Substituted},  // the numbers merge into one
      {"2n1", F::Substituted},
      {"n1.5", F::Substituted},
      {"n1E2", F::Substituted},
      {"n 1", F::NeverEvaluates},  // "N1" after blanks go
      {"nn1", F::Substituted},     // "n" + the first digit of n1 may be read as a name
      {"Sn1", F::Substituted},
      {"(n1+", F::NeverEvaluates},
      {"SIN(n1", F::NeverEvaluates},
      {"", F::NeverEvaluates},
      {Repeat("1+(", 100) + "n1" + Repeat(")", 100), F::Substituted},  // deeper than the compiled stack
  };
  std::mt19937 rng(7);
  for (const Case& c : cases) {
    EXPECT_EQ(TShreddingFormula(c.Formula, 3).Form(), c.Form) << c.Formula;
    EXPECT_TRUE(SameAsSubstitution(c.Formula, 3, rng, 200));
  }
  // The text of a merged form depends on the numbers' digits.
  const TShreddingFormula nn1("nn1/100", 2);
  TShreddingInputs in{};
  in[0] = 3, in[2] = 22;
  EXPECT_EQ(nn1.Value(in), 22);  // "n3/100"
  in[0] = 7;
  EXPECT_EQ(nn1.Value(in), 0);  // "n7/100" does not evaluate
  in[0] = 1, in[1] = 9;
  EXPECT_EQ(TShreddingFormula("n1n2/1000", 3).Value(in), 19);
}

// Random formulas from the grammar with names in either case, blanks, names that are not
// numbers, and random edits that merge or split tokens.
std::string RandomFormula(std::mt19937& rng, int depth) {
  auto pick = [&](std::initializer_list<std::string_view> list) {
    return std::string(list.begin()[rng() % list.size()]);
  };
  auto blank = [&] { return rng() % 6 == 0 ? std::string(" ") : std::string(); };
  const unsigned kind = depth > 3 ? rng() % 2 : rng() % 6;
  std::string s;
  switch (kind) {
    case 0:
      s = std::string(1, "nptNPT"[rng() % 6]) + static_cast<char>('0' + (rng() % 9 == 0 ? 6 : 1 + rng() % 5));
      break;
    case 1: s = pick({"7", "0.5", "2.25", "1E2", "3e-1", "10", "0", "45", "1.000001"}); break;
    case 2:
      s = pick({"SQRT", "ln", "Log", "SIN", "COS", "TAN", "ARCTAN", "ABS", "EXP", "SQR", "INT", "FRAC", "TRUNC",
                "ROUND", "ARCSIN", "ARCCOS", "SIGN", "NOT"}) +
          "(" + RandomFormula(rng, depth + 1) + ")";
      break;
    case 3: s = "(" + RandomFormula(rng, depth + 1) + ")"; break;
    default:
      s = RandomFormula(rng, depth + 1) + blank() + pick({"+", "-", "*", "/", "^"}) + blank() +
          RandomFormula(rng, depth + 1);
  }
  return blank() + s + blank();
}

std::string Mutate(std::string s, std::mt19937& rng) {
  constexpr std::string_view Alphabet = "npt12345nNpPtT0.E+-*/^() 9S";
  const int edits = static_cast<int>(rng() % 3);
  for (int e = 0; e < edits && !s.empty(); ++e) {
    const size_t at = rng() % (s.size() + 1);
    switch (rng() % 3) {
      case 0: s.insert(at, 1, Alphabet[rng() % Alphabet.size()]); break;
      case 1:
        if (at < s.size()) s.erase(at, 1);
        break;
      default: s.insert(at, std::string(1, "npt"[rng() % 3]) + static_cast<char>('1' + rng() % 5));
    }
  }
  return s;
}

TEST(ShreddingFormula, CompiledValuesEqualSubstitutedOnes) {
  std::mt19937 rng(2024);
  int forms[3] = {};
  for (int i = 0; i < 1500; ++i) {
    std::string f = RandomFormula(rng, 0);
    if (rng() % 2) f = Mutate(f, rng);
    if (rng() % 5 == 0) f = "-" + f;
    const int32_t digits = static_cast<int32_t>(1 + rng() % 5);
    ++forms[static_cast<int>(TShreddingFormula(f, digits).Form())];
    ASSERT_TRUE(SameAsSubstitution(f, digits, rng, 12));
  }
  // The generator reaches every form, so each path of Value is compared.
  for (int count : forms) EXPECT_GT(count, 50);
}

// The remembering form gives what the compiled form gives: combinations drawn from a small range
// again and again (so that remembered values are read back), some with numbers outside 1..45, and
// previous draws fixed per memo. It remembers where the numbers enter the formula as few small
// integer parts, and evaluates everything else each time.
::testing::AssertionResult MemoSameAsCompiled(const std::string& formula, int32_t digits, std::mt19937& rng,
                                              bool* remembers = nullptr) {
  const TShreddingFormula compiled(formula, digits);
  const TShreddingInputs fixed = RandomInputs(rng);
  TShreddingMemo memo = compiled.Memo(fixed);
  if (remembers) *remembers = memo.Remembers();
  for (int k = 0; k < 400; ++k) {
    TComb n;
    const bool wide = k % 50 == 49;
    for (auto& v : n) v = static_cast<uint8_t>(wide ? rng() % 256 : 1 + rng() % (k < 200 ? 6 : 45));
    const int32_t remembered = memo.Value(n), plain = compiled.Value(n, fixed);
    if (remembered != plain)
      return ::testing::AssertionFailure() << "formula [" << formula << "] numbers " << CombToText(n) << ": remembered "
                                           << remembered << ", compiled " << plain;
  }
  return ::testing::AssertionSuccess();
}

TEST(ShreddingFormula, MemoGivesTheCompiledValues) {
  struct Case {
    std::string Formula;
    bool Remembers;
  };
  const Case cases[] = {
      {"(n1+n2+n3)/(n4+n5)", true},
      {"-(n4+n5)/(n1+n2+n3)*7", true},
      {"(2*n1 - 3*n2 + p1)/(n3+n4+n5+t2)", true},
      {"(n1-n2)*0/3 + 1/(n3-n3+0.5)", true},               // a zero factor and a difference that is 0
      {"(n1-n2)*(0-2)/7 + n3^2/n4", true},                 // a negative factor: its product is not taken apart
      {"SQRT(n1*n2+p1)/(n3+t5)", true},                    // a product of two numbers: each number is a part
      {"n1/3 + 0.5*n2", true},                             // a fraction is no whole constant
      {"1E15*n1*1E15/n2", true},                           // too large to stay exact: n1 and n2 alone
      {"p1/t2 + 3", true},                                 // no number at all: one value
      {"sin(n1)+sin(n2)+sin(n3)+sin(n4)+sin(n5)", false},  // five parts
      {"n1/(n2+n3)/(n4+n5)", false},                       // 45 * 89 * 89 values
      {"n1n2/(n3+1)", false},                              // substituted each time
      {"(n1+", false},                                     // never evaluates
  };
  std::mt19937 rng(99);
  for (const Case& c : cases) {
    bool remembers = false;
    EXPECT_TRUE(MemoSameAsCompiled(c.Formula, 3, rng, &remembers));
    EXPECT_EQ(remembers, c.Remembers) << c.Formula;
  }
  int remembered = 0;
  for (int i = 0; i < 1500; ++i) {
    std::string f = RandomFormula(rng, 0);
    if (rng() % 5 == 0) f = "-" + f;
    bool remembers = false;
    ASSERT_TRUE(MemoSameAsCompiled(f, static_cast<int32_t>(1 + rng() % 5), rng, &remembers));
    remembered += remembers;
  }
  EXPECT_GT(remembered, 300);
}

// --- Hostile input: no crash, no hang, no stack exhaustion, 0 for what cannot be evaluated ---

TEST(ShreddingFormulaFuzz, HostileTexts) {
  std::mt19937 rng(45);
  std::vector<std::string> texts;
  for (int b = 0; b < 256; ++b) {
    const std::string ch(1, static_cast<char>(b));
    for (const std::string& t : {ch, "n1" + ch + "n2", ch + "(n1/7)", "(n1" + ch + "3)/7", "SQRT" + ch + "(n1)"})
      texts.push_back(t);
  }
  for (int i = 0; i < 1500; ++i) {  // any bytes
    std::string t(rng() % 40, '\0');
    for (char& c : t) c = static_cast<char>(rng() % 256);
    texts.push_back(t);
  }
  for (int i = 0; i < 1500; ++i) {  // the formula alphabet
    constexpr std::string_view Alphabet = "nptNPT0123456789.E+-*/^()  SQRTLNOGEXP,<=>";
    std::string t(rng() % 200, ' ');
    for (char& c : t) c = Alphabet[rng() % Alphabet.size()];
    texts.push_back(t);
  }
  // Ten thousand characters: random, very long sums, open and close runs, a 10,000-digit number,
  // a vanishing one, a long fraction.
  {
    std::string t(10000, ' ');
    constexpr std::string_view Alphabet = "n1p2t3+-*/^()E.59 ";
    for (char& c : t) c = Alphabet[rng() % Alphabet.size()];
    texts.push_back(t);
  }
  texts.push_back(Repeat("n1+", 3333) + "n2");
  texts.push_back(Repeat("(", 10000));
  texts.push_back(Repeat(")", 10000));
  texts.push_back(Repeat("()", 5000));
  texts.push_back(Repeat("1", 10000));
  texts.push_back("0." + Repeat("0", 9997) + "1");
  texts.push_back("1." + Repeat("3", 9998));
  texts.push_back(Repeat("SQRT(", 2000) + "n1" + Repeat(")", 2000));
  texts.push_back(Repeat("n1^", 3000) + "n2");
  // Huge exponents.
  for (std::string_view t : {"1E999999999999999999999999", "1E-999999999999999999999", "9^9^9^9^9", "n1^n2^n3^n4^n5",
                             "EXP(EXP(EXP(EXP(n1))))", "10^4932", "0.5^99999", "n1/1E4931/1E4931", "TAN(1E4000)",
                             "SIN(1E4931)", "ROUND(1E4000)+0.5", "FRAC(1E30+0.5)", "SQR(SQR(SQR(SQR(SQR(n1)))))"})
    texts.push_back(std::string(t));

  for (const std::string& t : texts) {
    const int32_t digits = static_cast<int32_t>(1 + rng() % 5);
    ASSERT_TRUE(SameAsSubstitution(t, digits, rng, 3));
  }
}

TEST(ShreddingFormulaFuzz, DeepNestingEvaluates) {
  const size_t deep = 100000;
  const auto value = Eval(Repeat("(", deep) + "1.5" + Repeat(")", deep));
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(*value, 1.5L);
  EXPECT_FALSE(Eval(Repeat("(", deep) + "1.5" + Repeat(")", deep - 1)).has_value());

  // Nested functions and right-nested sums, far deeper than any recursion could go.
  TShreddingInputs in{};
  in[0] = 3;
  const std::string roots = Repeat("ABS(", 20000) + "n1/8" + Repeat(")", 20000);
  EXPECT_EQ(TShreddingFormula(roots, 3).Value(in), 375);
  const std::string sums = Repeat("0+(", 20000) + "n1/8" + Repeat(")", 20000);
  EXPECT_EQ(TShreddingFormula(sums, 3).Value(in), 375);
  EXPECT_EQ(ShreddingValue(in, 3, sums), 375);
}

}  // namespace
}  // namespace kivra
