#include "stakes/CoverDesign.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

#include "core/SysFormat.h"

namespace kivra {

namespace {

struct TBinomTable {
  std::array<std::array<uint64_t, 6>, 65> C{};
  TBinomTable() {
    for (int n = 0; n <= 64; ++n) {
      C[n][0] = 1;
      for (int k = 1; k <= 5; ++k) C[n][k] = n == 0 ? 0 : C[n - 1][k - 1] + C[n - 1][k];
    }
  }
};
const TBinomTable Binoms;

uint64_t CeilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

}  // namespace

uint64_t CoverBinom(int n, int k) {
  if (n < 0 || n > 64 || k < 0 || k > 5) return 0;
  return Binoms.C[size_t(n)][size_t(k)];
}

std::string CoverSpecError(const TCoverSpec& wanted) {
  if (wanted.Nums < 6 || wanted.Nums > MaxNumber)
    return SysFormat("Количество чисел системы должно быть от 6 до %d (указано %d)!", {MaxNumber, wanted.Nums});
  if (wanted.Drawn < 2 || wanted.Drawn > CombSize)
    return SysFormat("Количество угаданных чисел (\"если M\") должно быть от 2 до 5 (указано %d)!", {wanted.Drawn});
  if (wanted.Guarantee < 2)
    return SysFormat("Гарантия должна быть не меньше 2 совпадений (указано %d)!", {wanted.Guarantee});
  if (wanted.Guarantee > wanted.Drawn)
    return SysFormat("Гарантия \"%s\" невозможна: совпадений (%d) не может быть больше, чем угаданных чисел (%d)!",
                     {GuaranteeText(wanted.Guarantee, wanted.Drawn), wanted.Guarantee, wanted.Drawn});
  return {};
}

std::string CoverBudgetError(double seconds) {
  if (!(seconds > 0)) return "Время поиска системы должно быть больше нуля!";
  return {};
}

std::string GuaranteeText(int guarantee, int drawn) { return SysFormat("%d если %d", {guarantee, drawn}); }

// Marks the M-subsets each block covers (the j >= T of its positions with M - j positions from
// outside it), then walks all M-subsets in lexicographic order to the first unmarked one.
TCoverCheck VerifyCover(const TCoverSpec& wanted, std::span<const TComb> blocks) {
  TCoverCheck check;
  const int n = wanted.Nums, t = wanted.Guarantee, m = wanted.Drawn;
  if (!CoverSpecError(wanted).empty()) return check;
  const auto rankOf = [](uint64_t mask) {
    uint64_t r = 0;
    for (int i = 1; mask; ++i, mask &= mask - 1) r += Binoms.C[size_t(std::countr_zero(mask))][size_t(i)];
    return r;
  };
  std::vector<uint8_t> covered(CoverBinom(n, m), 0);
  for (const TComb& block : blocks) {
    uint64_t in = 0;
    for (uint8_t p : block) {
      if (p < 1 || p > n) return check;
      in |= uint64_t(1) << (p - 1);
    }
    if (std::popcount(in) != CombSize) return check;
    std::array<int, CombSize> inside{};
    std::vector<int> outside;
    for (int p = 0, k = 0; p < n; ++p)
      if (in >> p & 1) inside[size_t(k++)] = p;
      else outside.push_back(p);
    // Every subset of the block's positions of size j >= T, joined with every (M - j)-subset of
    // the other positions.
    for (uint32_t sub = 1; sub < (1u << CombSize); ++sub) {
      const int j = std::popcount(sub);
      if (j < t || j > m) continue;
      uint64_t part = 0;
      for (int k = 0; k < CombSize; ++k)
        if (sub >> k & 1) part |= uint64_t(1) << inside[size_t(k)];
      const int rest = m - j;
      std::array<int, CombSize> idx{};
      for (int k = 0; k < rest; ++k) idx[size_t(k)] = k;
      const int o = static_cast<int>(outside.size());
      if (rest > o) continue;
      while (true) {
        uint64_t mask = part;
        for (int k = 0; k < rest; ++k) mask |= uint64_t(1) << outside[size_t(idx[size_t(k)])];
        covered[rankOf(mask)] = 1;
        int k = rest - 1;
        while (k >= 0 && idx[size_t(k)] == o - rest + k) --k;
        if (k < 0) break;
        ++idx[size_t(k)];
        for (int q = k + 1; q < rest; ++q) idx[size_t(q)] = idx[size_t(q - 1)] + 1;
      }
    }
  }
  // All M-subsets in lexicographic order.
  std::array<int, CombSize> c{};
  for (int k = 0; k < m; ++k) c[size_t(k)] = k;
  while (true) {
    ++check.Subsets;
    uint64_t mask = 0;
    for (int k = 0; k < m; ++k) mask |= uint64_t(1) << c[size_t(k)];
    if (!covered[rankOf(mask)]) {
      for (int k = 0; k < m; ++k) check.FirstUncovered.push_back(static_cast<uint8_t>(c[size_t(k)] + 1));
      return check;
    }
    int k = m - 1;
    while (k >= 0 && c[size_t(k)] == n - m + k) --k;
    if (k < 0) break;
    ++c[size_t(k)];
    for (int q = k + 1; q < m; ++q) c[size_t(q)] = c[size_t(q - 1)] + 1;
  }
  check.Ok = true;
  return check;
}

std::string CoverSubsetText(std::span<const uint8_t> positions) {
  std::string text;
  for (uint8_t p : positions) {
    if (!text.empty()) text += ' ';
    text += std::to_string(p);
  }
  return text;
}

namespace {

// T = M: the Schönheim bound C(N,5,T) >= ceil(N/5 ceil((N-1)/4 ... ceil((N-T+1)/(5-T+1)))).
uint64_t SchoenheimBound(int n, int t) {
  uint64_t inner = 1;
  for (int i = t - 1; i >= 0; --i) inner = CeilDiv(uint64_t(n - i) * inner, uint64_t(CombSize - i));
  return inner;
}

// Counting: a block covers exactly sum_{j>=T} C(5,j) C(N-5,M-j) of the C(N,M) subsets, so at
// least ceil(C(N,M) / that) blocks are needed.
uint64_t CountingBound(int n, int t, int m) {
  uint64_t per = 0;
  for (int j = t; j <= std::min(m, CombSize); ++j) per += CoverBinom(CombSize, j) * CoverBinom(n - CombSize, m - j);
  return CeilDiv(CoverBinom(n, m), per);
}

// Turán: an M-subset is covered exactly when one of its T-subsets lies inside a block. The
// T-subsets inside no block therefore contain no complete M-subset (all of its T-subsets), so
// there are at most ex(N, K_M^(T)) of them, and the blocks, C(5,T) T-subsets each, hold at least
// C(N,T) - ex. For T = 2, ex is Turán's number (edges of the complete (M-1)-partite graph with
// parts as equal as possible); for T > 2 it is bounded from ex(M) = C(M,T) - 1 by averaging over
// the (n-1)-subsets: ex(n) <= floor(n ex(n-1) / (n-T)) (Katona, Nemetz, Simonovits).
uint64_t TuranBound(int n, int t, int m) {
  uint64_t ex = 0;
  if (t == 2) {
    const int parts = m - 1;
    uint64_t squares = 0;
    for (int i = 0; i < parts; ++i) {
      const uint64_t size = uint64_t(n / parts + (i < n % parts ? 1 : 0));
      squares += size * size;
    }
    ex = (uint64_t(n) * uint64_t(n) - squares) / 2;
  } else {
    ex = CoverBinom(m, t) - 1;
    for (int v = m + 1; v <= n; ++v) ex = uint64_t(v) * ex / uint64_t(v - t);
  }
  const uint64_t all = CoverBinom(n, t);
  return all > ex ? CeilDiv(all - ex, CoverBinom(CombSize, t)) : 0;
}

}  // namespace

int64_t CoverLowerBound(const TCoverSpec& wanted) {
  if (!CoverSpecError(wanted).empty()) return 0;
  const int t = wanted.Guarantee, m = wanted.Drawn;
  if (t == m) return static_cast<int64_t>(SchoenheimBound(wanted.Nums, t));
  // A design for N positions gives one for fewer (a removed position is replaced in its blocks by
  // any other), so the bounds for every N' <= N hold as well.
  uint64_t best = 1;
  for (int n = CombSize + 1; n <= wanted.Nums; ++n)
    best = std::max({best, CountingBound(n, t, m), TuranBound(n, t, m)});
  return static_cast<int64_t>(best);
}

std::string CoverProgressText(const TCoverProgress& p) {
  if (p.Blocks == 0) return SysFormat("Поиск системы: начальное покрытие, %.1f с", {p.Seconds});
  return SysFormat("Поиск системы: найдено %d комбинаций (нижняя граница %d); пробуем %d, не покрыто %d; %.1f с",
                   {p.Blocks, p.LowerBound, p.Target, p.Uncovered, p.Seconds});
}

std::string CoverResultText(size_t blocks, int64_t lowerBound) {
  return SysFormat("Комбинаций: %d, нижняя граница: %d, гарантия проверена", {blocks, lowerBound});
}

std::string CoverFileText(std::span<const TComb> blocks) {
  std::string text;
  text.reserve(blocks.size() * 16);
  for (const TComb& b : blocks) text += CombToPaddedText(b) + "\r\n";
  return text;
}

}  // namespace kivra
