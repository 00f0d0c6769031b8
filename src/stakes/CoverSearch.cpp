// The search behind MakeCover.
//
// Positions are 0-based bits of a 64-bit mask; a subset is known by its colexicographic rank. The
// state of one search chain: its blocks, how many blocks hold each T-subset, and (T < M) how many
// of the T-subsets of each M-subset lie in some block; an M-subset is covered while that is not 0.
// The uncovered M-subsets are kept in a list with their places, so that one of them is drawn at
// random in constant time.
//
// A move takes an uncovered M-subset S and a block B sharing T - 1 positions with it (the most it
// can share), and exchanges a position of B outside S for a position of S outside B: S is then
// covered. The move is made, its change of the uncovered count read off, and undone when the
// annealing does not accept it.
//
// The chains start from a greedy design and go down one block at a time: the block whose loss
// uncovers the fewest subsets is taken out and the chains anneal until nothing is uncovered. They
// run in rounds of a fixed number of moves; after a round the first chain (by number) that covered
// everything gives the new design, which every chain continues from. Results therefore depend on
// the seed, the number of chains and the amount of work, never on the timing of the threads.
#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <thread>

#include "stakes/CoverDesign.h"

namespace kivra {

namespace {

uint64_t SplitMix(uint64_t& x) {
  uint64_t z = (x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// xoshiro256**: fast, and the same sequence on every platform.
class TRng {
 public:
  explicit TRng(uint64_t seed) {
    for (auto& v : s_) v = SplitMix(seed);
  }
  uint64_t Next() {
    const uint64_t r = std::rotl(s_[1] * 5, 7) * 9;
    const uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = std::rotl(s_[3], 45);
    return r;
  }
  // 0..n-1.
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(((Next() >> 32) * uint64_t(n)) >> 32); }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

 private:
  uint64_t s_[4];
};

// C(n, k) for n < 64, k <= 5: the rank is read off a table, as the moves compute many ranks.
constexpr auto RankBinoms = [] {
  std::array<std::array<uint64_t, CombSize + 1>, 64> t{};
  for (size_t n = 0; n < 64; ++n) {
    t[n][0] = 1;
    for (size_t k = 1; k <= CombSize; ++k) t[n][k] = n == 0 ? 0 : t[n - 1][k - 1] + t[n - 1][k];
  }
  return t;
}();

uint32_t RankOf(uint64_t mask) {
  uint64_t r = 0;
  for (size_t i = 1; mask; ++i, mask &= mask - 1) r += RankBinoms[size_t(std::countr_zero(mask))][i];
  return static_cast<uint32_t>(r);
}

int NthBit(uint64_t mask, uint32_t k) {
  while (k--) mask &= mask - 1;
  return std::countr_zero(mask);
}

// Everything the chains share, read-only.
struct TProblem {
  int N = 0, T = 0, M = 0;
  bool Lotto = false;                 // T < M
  uint32_t Units = 0;                 // C(N, M)
  uint32_t TSets = 0;                 // C(N, T)
  uint32_t PerTSet = 1;               // M-subsets holding one T-subset: C(N-T, M-T)
  std::vector<uint64_t> UnitMask;     // the M-subsets by rank
  std::vector<uint32_t> Supersets;    // Lotto: per T-subset, the ranks of the M-subsets holding it
  std::vector<uint32_t> BlockTSets;   // the T-subsets of 5 positions, as masks over indexes 0..4
  std::vector<uint32_t> RestTSets;    // the (T-1)-subsets of 4 positions, as masks over indexes 0..3
  std::vector<uint32_t> DrawnRests;   // the (T-1)-subsets of M positions, as masks over indexes 0..M-1
  std::vector<uint8_t> Required;      // T = M only: the subsets that must be covered; empty: all
  uint32_t RequiredCount = 0;

  bool IsRequired(uint32_t u) const { return Required.empty() || Required[u] != 0; }

  explicit TProblem(const TCoverSpec& wanted) : N(wanted.Nums), T(wanted.Guarantee), M(wanted.Drawn), Lotto(T < M) {
    Units = static_cast<uint32_t>(CoverBinom(N, M));
    TSets = static_cast<uint32_t>(CoverBinom(N, T));
    UnitMask.reserve(Units);
    // Gosper's walk gives the masks in increasing order, which is the colexicographic order.
    for (uint64_t mask = (uint64_t(1) << M) - 1; mask < (uint64_t(1) << N);) {
      UnitMask.push_back(mask);
      const uint64_t c = mask & -mask, r = mask + c;
      mask = (((r ^ mask) >> 2) / c) | r;
    }
    for (uint32_t s = 0; s < 32; ++s) {
      if (std::popcount(s) == T) BlockTSets.push_back(s);
      if (s < 16 && std::popcount(s) == T - 1) RestTSets.push_back(s);
      if (s < (1u << M) && std::popcount(s) == T - 1) DrawnRests.push_back(s);
    }
    RequiredCount = Units;
    if (!Lotto) return;
    PerTSet = static_cast<uint32_t>(CoverBinom(N - T, M - T));
    Supersets.resize(size_t(TSets) * PerTSet);
    std::vector<uint32_t> fill(TSets, 0);
    std::array<int, CombSize> pts{};
    for (uint32_t s = 0; s < Units; ++s) {
      uint64_t mask = UnitMask[s];
      for (int k = 0; k < M; ++k, mask &= mask - 1) pts[size_t(k)] = std::countr_zero(mask);
      for (uint32_t sub = 0; sub < (1u << M); ++sub) {
        if (std::popcount(sub) != T) continue;
        uint64_t tm = 0;
        for (int k = 0; k < M; ++k)
          if (sub >> k & 1) tm |= uint64_t(1) << pts[size_t(k)];
        const uint32_t u = RankOf(tm);
        Supersets[size_t(u) * PerTSet + fill[u]++] = s;
      }
    }
  }
};

class TChain {
 public:
  TChain(const TProblem& p, uint64_t seed)
      : p_(p), rng_(seed), count_(p.TSets, 0), pos_(p.Units, -1) {
    if (p.Lotto) hit_.assign(p.Units, 0);
    Load({});
  }

  const std::vector<uint64_t>& Blocks() const { return blocks_; }
  uint32_t Uncovered() const { return static_cast<uint32_t>(uncovered_.size()); }
  uint64_t Moves() const { return moves_; }

  // The state of these blocks, counted anew.
  void Load(const std::vector<uint64_t>& blocks) {
    std::fill(count_.begin(), count_.end(), 0);
    if (p_.Lotto) std::fill(hit_.begin(), hit_.end(), 0);
    uncovered_.clear();
    for (uint32_t s = 0; s < p_.Units; ++s) {
      pos_[s] = -1;
      if (p_.IsRequired(s)) AddUncovered(s);
    }
    blocks_.clear();
    holders_.assign(size_t(p_.N), {});
    for (uint64_t b : blocks) AddBlock(b);
    temp_ = 0;
  }

  // A greedy start: while a subset is uncovered, one of them is drawn and the best of a few blocks
  // that cover it (T of its positions and random others) is added.
  void GreedyStart() {
    constexpr int Candidates = 24;
    while (!uncovered_.empty()) {
      const uint64_t s = p_.UnitMask[uncovered_[rng_.Below(Uncovered())]];
      uint64_t best = 0;
      int64_t bestGain = -1;
      for (int c = 0; c < Candidates; ++c) {
        uint64_t b = 0, from = s;
        for (int k = 0; k < p_.T; ++k) {
          const int q = NthBit(from, rng_.Below(static_cast<uint32_t>(std::popcount(from))));
          b |= uint64_t(1) << q;
          from &= ~(uint64_t(1) << q);
        }
        while (std::popcount(b) < CombSize) b |= uint64_t(1) << rng_.Below(static_cast<uint32_t>(p_.N));
        const int64_t before = Uncovered();
        ChangeBlock(b, +1);
        const int64_t gain = before - Uncovered();
        ChangeBlock(b, -1);
        if (gain > bestGain) bestGain = gain, best = b;
      }
      AddBlock(best);
    }
  }

  // Takes out the block whose loss uncovers the fewest subsets (ties drawn at random).
  void RemoveOneBlock() {
    size_t chosen = 0, ties = 0;
    int64_t least = INT64_MAX;
    for (size_t i = 0; i < blocks_.size(); ++i) {
      const int64_t before = Uncovered();
      ChangeBlock(blocks_[i], -1);
      const int64_t loss = Uncovered() - before;
      ChangeBlock(blocks_[i], +1);
      if (loss < least) least = loss, chosen = i, ties = 1;
      else if (loss == least && rng_.Below(static_cast<uint32_t>(++ties)) == 0) chosen = i;
    }
    ChangeBlock(blocks_[chosen], -1);
    Hold(blocks_[chosen], chosen, false);
    const size_t last = blocks_.size() - 1;
    if (chosen != last) {
      Hold(blocks_[last], last, false);
      blocks_[chosen] = blocks_[last];
      Hold(blocks_[chosen], chosen, true);
    }
    blocks_.pop_back();
    temp_ = 0;
  }

  // From now on anneals at this one temperature instead of cooling cycles.
  void HoldTemperature(double temp) { steady_ = temp; }

  // Anneals for up to `moves` moves; true when nothing is uncovered.
  bool Anneal(uint64_t moves) {
    if (uncovered_.empty()) return true;
    if (steady_ > 0) temp_ = t0_ = steady_;
    if (temp_ <= 0) Calibrate();
    const uint64_t perTemp = std::clamp<uint64_t>(blocks_.size() * MovesPerBlock, 64, MaxMovesPerTemperature);
    for (uint64_t i = 0; i < moves; ++i) {
      if (uncovered_.empty()) return true;
      ++moves_;
      if (++stepsAtTemp_ >= perTemp) {
        stepsAtTemp_ = 0;
        if (steady_ <= 0) temp_ *= CoolFactor;
        if (temp_ < t0_ * FrozenFactor) temp_ = t0_;
      }
      size_t bi;
      int x, y;
      DrawMove(bi, x, y);
      const int64_t delta = Apply(bi, x, y);
      if (delta > 0 && rng_.Unit() >= std::exp(-static_cast<double>(delta) / temp_)) Apply(bi, y, x);
    }
    return uncovered_.empty();
  }

 private:
  // Geometric cooling, 16 moves per block at each temperature (at most 1000), from a start where a
  // typical worsening move is accepted with probability 0.02 (less for large designs); frozen at 5%
  // of that temperature, then heated again.
  static constexpr double CoolFactor = 0.99;
  static constexpr double FrozenFactor = 0.05;
  static constexpr double InitialAcceptance = 0.02;
  // Larger designs start colder: with more blocks more of them are near a loss, so the same
  // acceptance would undo more of the design.
  static constexpr double AcceptancePerBlocks = 0.3;
  static constexpr uint64_t MaxMovesPerTemperature = 1000;
  static constexpr uint64_t MovesPerBlock = 16;

  void AddUncovered(uint32_t s) {
    pos_[s] = static_cast<int32_t>(uncovered_.size());
    uncovered_.push_back(s);
  }
  void RemoveUncovered(uint32_t s) {
    const int32_t i = pos_[s];
    const uint32_t last = uncovered_.back();
    uncovered_[size_t(i)] = last;
    pos_[last] = i;
    uncovered_.pop_back();
    pos_[s] = -1;
  }
  void Lose(uint32_t u) {
    if (--count_[u] != 0) return;
    if (!p_.Lotto) {
      if (p_.IsRequired(u)) AddUncovered(u);
      return;
    }
    const uint32_t* s = &p_.Supersets[size_t(u) * p_.PerTSet];
    for (uint32_t k = 0; k < p_.PerTSet; ++k)
      if (--hit_[s[k]] == 0) AddUncovered(s[k]);
  }
  void Gain(uint32_t u) {
    if (count_[u]++ != 0) return;
    if (!p_.Lotto) {
      if (p_.IsRequired(u)) RemoveUncovered(u);
      return;
    }
    const uint32_t* s = &p_.Supersets[size_t(u) * p_.PerTSet];
    for (uint32_t k = 0; k < p_.PerTSet; ++k)
      if (hit_[s[k]]++ == 0) RemoveUncovered(s[k]);
  }
  // Counts a block in (+1) or out (-1).
  void ChangeBlock(uint64_t b, int sign) {
    std::array<int, CombSize> pts{};
    for (int k = 0; k < CombSize; ++k, b &= b - 1) pts[size_t(k)] = std::countr_zero(b);
    for (uint32_t sub : p_.BlockTSets) {
      uint64_t tm = 0;
      for (int k = 0; k < CombSize; ++k)
        if (sub >> k & 1) tm |= uint64_t(1) << pts[size_t(k)];
      if (sign > 0) Gain(RankOf(tm));
      else Lose(RankOf(tm));
    }
  }
  void AddBlock(uint64_t b) {
    ChangeBlock(b, +1);
    blocks_.push_back(b);
    Hold(b, blocks_.size() - 1, true);
  }
  // Marks (or unmarks) block i in the holder sets of its positions.
  void Hold(uint64_t b, size_t i, bool on) {
    for (; b; b &= b - 1) {
      auto& words = holders_[size_t(std::countr_zero(b))];
      if (words.size() <= i / 64) words.resize(i / 64 + 1, 0);
      if (on) words[i / 64] |= uint64_t(1) << (i % 64);
      else words[i / 64] &= ~(uint64_t(1) << (i % 64));
    }
  }

  // Exchanges position x of block bi for y; returns the change of the uncovered count.
  int64_t Apply(size_t bi, int x, int y) {
    const int64_t before = Uncovered();
    const uint64_t rest = blocks_[bi] & ~(uint64_t(1) << x);
    std::array<uint64_t, 4> bits{};
    uint64_t r = rest;
    for (int k = 0; k < 4; ++k, r &= r - 1) bits[size_t(k)] = r & -r;
    for (uint32_t sub : p_.RestTSets) {
      uint64_t tm = uint64_t(1) << x;
      for (int k = 0; k < 4; ++k)
        if (sub >> k & 1) tm |= bits[size_t(k)];
      Lose(RankOf(tm));
    }
    for (uint32_t sub : p_.RestTSets) {
      uint64_t tm = uint64_t(1) << y;
      for (int k = 0; k < 4; ++k)
        if (sub >> k & 1) tm |= bits[size_t(k)];
      Gain(RankOf(tm));
    }
    blocks_[bi] = rest | (uint64_t(1) << y);
    holders_[size_t(x)][bi / 64] &= ~(uint64_t(1) << (bi % 64));
    auto& to = holders_[size_t(y)];
    if (to.size() <= bi / 64) to.resize(bi / 64 + 1, 0);
    to[bi / 64] |= uint64_t(1) << (bi % 64);
    return static_cast<int64_t>(Uncovered()) - before;
  }

  // An uncovered subset S, a block sharing the most positions with it, and the exchange that makes
  // the block cover it. The blocks sharing T - 1 positions (the most an uncovered subset can share)
  // are found from a random (T-1)-subset R of S: the blocks holding all of R hold nothing else of
  // S. When no block holds any such R, all blocks are scanned for the most shared.
  void DrawMove(size_t& bi, int& x, int& y) {
    const uint64_t s = p_.UnitMask[uncovered_[rng_.Below(Uncovered())]];
    std::array<int, CombSize> pts{};
    int m = 0;
    for (uint64_t r = s; r; r &= r - 1) pts[size_t(m++)] = std::countr_zero(r);
    const uint32_t subsets = static_cast<uint32_t>(p_.DrawnRests.size());
    bool found = false;
    for (uint32_t tries = 0, first = rng_.Below(subsets); tries < subsets && !found; ++tries) {
      const uint32_t sub = p_.DrawnRests[(first + tries) % subsets];
      size_t words = SIZE_MAX;
      for (int k = 0; k < m; ++k)
        if (sub >> k & 1) words = std::min(words, holders_[size_t(pts[size_t(k)])].size());
      common_.assign(words, ~uint64_t(0));
      for (int k = 0; k < m; ++k)
        if (sub >> k & 1)
          for (size_t w = 0; w < words; ++w) common_[w] &= holders_[size_t(pts[size_t(k)])][w];
      uint32_t count = 0;
      for (uint64_t w : common_) count += static_cast<uint32_t>(std::popcount(w));
      if (count == 0) continue;
      uint32_t pick = rng_.Below(count);
      for (size_t w = 0; w < words; ++w) {
        const uint32_t c = static_cast<uint32_t>(std::popcount(common_[w]));
        if (pick < c) {
          bi = w * 64 + size_t(NthBit(common_[w], pick));
          break;
        }
        pick -= c;
      }
      found = true;
    }
    if (!found) {
      int most = -1;
      uint32_t ties = 0;
      bi = 0;
      for (size_t i = 0; i < blocks_.size(); ++i) {
        const int common = std::popcount(blocks_[i] & s);
        if (common > most) most = common, bi = i, ties = 1;
        else if (common == most && rng_.Below(++ties) == 0) bi = i;
      }
    }
    const uint64_t out = blocks_[bi] & ~s, in = s & ~blocks_[bi];
    x = NthBit(out, rng_.Below(static_cast<uint32_t>(std::popcount(out))));
    y = NthBit(in, rng_.Below(static_cast<uint32_t>(std::popcount(in))));
  }

  // The starting temperature from the mean worsening of a few sample moves.
  void Calibrate() {
    double sum = 0;
    int worse = 0;
    for (int i = 0; i < 64 && !uncovered_.empty(); ++i) {
      size_t bi;
      int x, y;
      DrawMove(bi, x, y);
      const int64_t delta = Apply(bi, x, y);
      Apply(bi, y, x);
      if (delta > 0) sum += static_cast<double>(delta), ++worse;
    }
    const double mean = worse > 0 ? sum / worse : 1.0;
    const double acceptance =
        std::min(InitialAcceptance, AcceptancePerBlocks / double(std::max<size_t>(blocks_.size(), 1)));
    t0_ = temp_ = -mean / std::log(acceptance);
    stepsAtTemp_ = 0;
  }

  const TProblem& p_;
  TRng rng_;
  std::vector<uint64_t> blocks_;
  std::vector<uint32_t> count_;  // blocks holding each T-subset
  std::vector<uint8_t> hit_;     // Lotto: T-subsets of each M-subset held by some block
  std::vector<uint32_t> uncovered_;
  std::vector<int32_t> pos_;
  std::vector<std::vector<uint64_t>> holders_;  // per position: the blocks holding it, as bits
  std::vector<uint64_t> common_;
  double temp_ = 0, t0_ = 1;
  double steady_ = 0;  // > 0: the one temperature of the second phase
  uint64_t stepsAtTemp_ = 0;
  uint64_t moves_ = 0;
};

// Calls f for every k-subset (as a mask) of the points pts[0..n-1].
template <class F>
void ForEachChoice(const int* pts, int n, int k, F&& f) {
  if (k > n) return;
  if (k == 0) return f(uint64_t(0));
  std::array<int, CombSize> idx{};
  for (int i = 0; i < k; ++i) idx[size_t(i)] = i;
  while (true) {
    uint64_t mask = 0;
    for (int i = 0; i < k; ++i) mask |= uint64_t(1) << pts[idx[size_t(i)]];
    f(mask);
    int i = k - 1;
    while (i >= 0 && idx[size_t(i)] == n - k + i) --i;
    if (i < 0) return;
    ++idx[size_t(i)];
    for (int q = i + 1; q < k; ++q) idx[size_t(q)] = idx[size_t(q - 1)] + 1;
  }
}

// Calls f for every set of `size` of the n positions that shares at least `least` with `with`.
template <class F>
void ForEachMeeting(int n, uint64_t with, int least, int size, F&& f) {
  std::array<int, 64> in{}, out{};
  int ni = 0, no = 0;
  for (int p = 0; p < n; ++p)
    if (with >> p & 1) in[size_t(ni++)] = p;
    else out[size_t(no++)] = p;
  for (int j = least; j <= std::min(size, ni); ++j)
    ForEachChoice(in.data(), ni, j, [&](uint64_t a) { ForEachChoice(out.data(), no, size - j, [&](uint64_t b) { f(a | b); }); });
}

// The greedy cover: again and again the block that covers the most uncovered subsets, ties by
// lexicographic order; the gains are kept up to date as subsets become covered.
std::vector<uint64_t> GreedyCover(const TProblem& p) {
  std::vector<uint64_t> lex;
  lex.reserve(CoverBinom(p.N, CombSize));
  for (int a = 0; a < p.N; ++a)
    for (int b = a + 1; b < p.N; ++b)
      for (int c = b + 1; c < p.N; ++c)
        for (int d = c + 1; d < p.N; ++d)
          for (int e = d + 1; e < p.N; ++e)
            lex.push_back(uint64_t(1) << a | uint64_t(1) << b | uint64_t(1) << c | uint64_t(1) << d |
                          uint64_t(1) << e);
  // The lexicographic index of a block: mirrored (p -> N-1-p), lexicographic order is the reverse
  // of the colexicographic one.
  const uint64_t last = lex.size() - 1;
  std::array<std::array<uint32_t, 6>, 64> mirrored{};
  for (int q = 0; q < p.N; ++q)
    for (int k = 1; k <= CombSize; ++k) mirrored[size_t(q)][size_t(k)] = uint32_t(CoverBinom(p.N - 1 - q, k));
  const auto lexOf = [&](uint64_t b) {
    uint64_t r = 0;
    for (int k = CombSize; b; --k, b &= b - 1) r += mirrored[size_t(std::countr_zero(b))][size_t(k)];
    return last - r;
  };
  uint32_t per = 0;
  for (int j = p.T; j <= p.M; ++j) per += uint32_t(CoverBinom(CombSize, j) * CoverBinom(p.N - CombSize, p.M - j));
  std::vector<uint32_t> gain(lex.size(), per);
  std::vector<uint8_t> covered(p.Units, 0);
  std::vector<uint64_t> chosen;
  if (!p.Required.empty())
    for (uint32_t s = 0; s < p.Units; ++s)
      if (!p.Required[s]) {
        covered[s] = 1;
        ForEachMeeting(p.N, p.UnitMask[s], p.T, CombSize, [&](uint64_t b) { --gain[lexOf(b)]; });
      }
  // Gains only fall: the blocks with the current greatest gain are met in lexicographic order by
  // one pass per gain level (a block passed has less and never gets more).
  uint32_t level = per;
  size_t cursor = 0;
  while (level > 0) {
    while (cursor < gain.size() && gain[cursor] != level) ++cursor;
    if (cursor == gain.size()) {
      --level, cursor = 0;
      continue;
    }
    const size_t best = cursor;
    chosen.push_back(lex[best]);
    ForEachMeeting(p.N, lex[best], p.T, p.M, [&](uint64_t s) {
      uint8_t& c = covered[RankOf(s)];
      if (c) return;
      c = 1;
      ForEachMeeting(p.N, s, p.T, CombSize, [&](uint64_t b) { --gain[lexOf(b)]; });
    });
  }
  return chosen;
}

// The greedy's work in simple steps, estimated before it runs.
double GreedyCost(const TCoverSpec& wanted) {
  double perSubset = 0;
  for (int j = wanted.Guarantee; j <= wanted.Drawn; ++j)
    perSubset += double(CoverBinom(wanted.Drawn, j)) * double(CoverBinom(wanted.Nums - wanted.Drawn, CombSize - j));
  double levels = 0;
  for (int j = wanted.Guarantee; j <= wanted.Drawn; ++j)
    levels += double(CoverBinom(CombSize, j)) * double(CoverBinom(wanted.Nums - CombSize, wanted.Drawn - j));
  return double(CoverBinom(wanted.Nums, wanted.Drawn)) * perSubset * 4 + levels * double(CoverBinom(wanted.Nums, CombSize));
}

std::vector<TComb> ToCombs(const std::vector<uint64_t>& masks) {
  std::vector<TComb> combs;
  combs.reserve(masks.size());
  for (uint64_t b : masks) {
    TComb c{};
    for (int k = 0; k < CombSize; ++k, b &= b - 1) c[size_t(k)] = static_cast<uint8_t>(std::countr_zero(b) + 1);
    combs.push_back(c);
  }
  std::sort(combs.begin(), combs.end());
  return combs;
}

}  // namespace

namespace {

// T < M: the positions split into g groups; an M-subset has at least ceil(M/g) >= T positions in
// one of them when g(T-1) <= M-1, so covering the T-subsets of every group by a covering design
// of its own (T = M on the group) gives the guarantee. The designs of the groups are searched with
// a share of the budget.
// The reports of a search for a group's design, passed on as the start of the whole search, with
// the best whole design found before it (the greedy cover), which a stop keeps.
class TStartObserver : public TCoverObserver {
 public:
  TStartObserver(TCoverObserver* outer, std::chrono::steady_clock::time_point started, int64_t lowerBound,
                 const std::vector<uint64_t>& best)
      : outer_(outer), started_(started), lowerBound_(lowerBound), best_(best) {}
  bool Progress(const TCoverProgress&) override {
    TCoverProgress p;
    p.Blocks = static_cast<int64_t>(best_.size());
    p.LowerBound = lowerBound_;
    p.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    if (outer_ && !outer_->Progress(p)) Stopped = true;
    return !Stopped;
  }
  bool Stopped = false;

 private:
  TCoverObserver* outer_;
  std::chrono::steady_clock::time_point started_;
  int64_t lowerBound_;
  const std::vector<uint64_t>& best_;
};

std::vector<uint64_t> PartitionCover(const TCoverSpec& wanted, const TCoverOptions& options, double seconds,
                                     TStartObserver& observer) {
  const int n = wanted.Nums, t = wanted.Guarantee;
  // The blocks a group of `size` positions needs at least.
  const auto groupBound = [&](int size) -> int64_t {
    return size < t ? 0 : size <= CombSize ? 1 : CoverLowerBound({size, t, t});
  };
  // The splits tried: for every g the groups as equal as possible and, for two groups, also the
  // sizes with the smallest sum of the groups' lower bounds (the size of a covering design grows
  // unevenly with its positions, so an uneven split can need fewer blocks).
  std::vector<std::vector<int>> splits;
  for (int g = 2; g * (t - 1) <= wanted.Drawn - 1 && g <= n; ++g) {
    std::vector<int> sizes;
    for (int i = 0; i < g; ++i) sizes.push_back(n / g + (i < n % g ? 1 : 0));
    splits.push_back(sizes);
    if (g != 2) continue;
    int bestSize = sizes[0];
    int64_t least = groupBound(sizes[0]) + groupBound(sizes[1]);
    for (int a = n / 2 + 1; a < n; ++a)
      if (const int64_t sum = groupBound(a) + groupBound(n - a); sum < least) least = sum, bestSize = a;
    if (bestSize != sizes[0]) splits.push_back({bestSize, n - bestSize});
  }
  // The budget is shared evenly by the group sizes that need a search.
  std::vector<int> searched;
  for (const auto& sizes : splits)
    for (int size : sizes)
      if (size > CombSize && std::find(searched.begin(), searched.end(), size) == searched.end())
        searched.push_back(size);
  const double share = seconds / double(std::max<size_t>(searched.size(), 1));
  std::vector<uint64_t> best;
  std::vector<std::vector<TComb>> designs(size_t(n + 1));
  for (const auto& sizes : splits) {
    std::vector<uint64_t> design;
    int offset = 0;
    for (int size : sizes) {
      const uint64_t group = ((uint64_t(1) << size) - 1) << offset;
      if (size >= t && size <= CombSize) {
        // One block holds the whole group, filled up with the first positions outside it.
        uint64_t block = group;
        for (int q = 0; q < n && std::popcount(block) < CombSize; ++q) block |= uint64_t(1) << q;
        design.push_back(block);
      } else if (size > CombSize) {
        if (designs[size_t(size)].empty()) {
          TCoverOptions sub = options;
          sub.Seconds = share;
          sub.Seed = options.Seed + uint64_t(size);
          designs[size_t(size)] = MakeCover({size, t, t}, sub, &observer).Blocks;
          if (designs[size_t(size)].empty()) return best;
        }
        for (const TComb& b : designs[size_t(size)]) {
          uint64_t block = 0;
          for (uint8_t q : b) block |= uint64_t(1) << (offset + q - 1);
          design.push_back(block);
        }
      }
      offset += size;
    }
    if (best.empty() || design.size() < best.size()) best = std::move(design);
  }
  return best;
}

}  // namespace

namespace {

// Goes down from the design `best` one block at a time (see the head of this file) until the lower
// bound, `seconds` after `started`, the move limit, a stall or the observer's stop. The chains work
// on `problem`; the best design is returned.
std::vector<uint64_t> Descend(const TProblem& problem, std::vector<TChain>& chains, std::vector<uint64_t> best,
                              int64_t lowerBound, double seconds, uint64_t maxMoves,
                              std::chrono::steady_clock::time_point started, TCoverObserver* observer,
                              bool& stopped) {
  // Rounds at one size before the search counts as stalled, at least (about 20 ms each).
  constexpr uint64_t StallRounds = 250;
  constexpr double SteadyTemperature = 0.3;
  using Clock = std::chrono::steady_clock;
  const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - started).count(); };
  TCoverProgress progress;
  progress.LowerBound = lowerBound;
  const size_t threads = chains.size();
  // A round is about 20 ms of work: the cost of a move grows with the blocks scanned and, for
  // T < M, with the M-subsets each T-subset reaches.
  const uint64_t moveCost =
      best.size() / 16 + 20 + 8 * problem.RestTSets.size() * (problem.Lotto ? problem.PerTSet : 1);
  const uint64_t round = std::clamp<uint64_t>(4'000'000 / std::max<uint64_t>(moveCost, 1), 200, 200'000);
  uint64_t roundsAtTarget = 0, roundsToBest = 0, rounds = 0;
  bool steady = false;
  const auto restart = [&] {
    for (auto& chain : chains) {
      chain.Load(best);
      chain.RemoveOneBlock();
    }
    roundsAtTarget = 0;
  };
  if (int64_t(best.size()) > lowerBound && !stopped) restart();
  double lastRound = 0;
  while (int64_t(best.size()) > lowerBound && !stopped) {
    // A round that would end past the budget is not begun.
    const double roundStart = elapsed();
    if (roundStart + 2 * lastRound >= seconds) break;
    if (maxMoves > 0 && chains[0].Moves() >= maxMoves) break;
    // The search has stalled when a size took several times the work of all sizes before it. The
    // cooling cycles then give way to one low temperature, at which a worsening by one subset is
    // taken about once in 30 times (on several sets of the table this reached smaller designs than
    // the cycles did); the best design stays as it is. After a second stall the search ends.
    if (roundsAtTarget > std::max<uint64_t>(StallRounds, 4 * roundsToBest)) {
      if (steady) break;
      steady = true;
      for (auto& chain : chains) chain.HoldTemperature(SteadyTemperature);
      roundsToBest = rounds;
      restart();
    }
    std::vector<char> done(threads, 0);
    {
      std::vector<std::jthread> workers;
      for (size_t j = 1; j < threads; ++j) workers.emplace_back([&, j] { done[j] = chains[j].Anneal(round); });
      done[0] = chains[0].Anneal(round);
    }
    ++roundsAtTarget, ++rounds;
    const auto winner = std::find(done.begin(), done.end(), 1);
    if (winner != done.end()) {
      best = chains[size_t(winner - done.begin())].Blocks();
      roundsToBest = rounds;
      if (int64_t(best.size()) > lowerBound) restart();
    }
    lastRound = elapsed() - roundStart;
    progress.Blocks = int64_t(best.size());
    progress.Target = int64_t(best.size()) - 1;
    progress.Uncovered = INT64_MAX;
    for (auto& chain : chains) progress.Uncovered = std::min<int64_t>(progress.Uncovered, chain.Uncovered());
    progress.Seconds = elapsed();
    if (observer && !observer->Progress(progress)) stopped = true;
  }
  return best;
}

std::vector<TChain> MakeChains(const TProblem& problem, const TCoverOptions& options) {
  std::vector<TChain> chains;
  const int threads = std::clamp(options.Threads, 1, 64);
  chains.reserve(size_t(threads));
  uint64_t seeder = options.Seed;
  for (int j = 0; j < threads; ++j) chains.emplace_back(problem, SplitMix(seeder));
  return chains;
}

// "3 если 4": an M-subset is covered when one of its triples lies in a block, so the triples in no
// block must never hold all four triples of a 4-subset. With the positions split into three parts
// P0, P1, P2 (indexes mod 3), the triples meeting every part once or holding two positions of Pi and
// one of Pi+1 never do: a 4-subset has three positions in one part (a triple inside the part), or
// two in Pi and one in each other part (two of Pi, one of Pi+2), or two in Pi and two in Pj (two of
// Pi and one of Pi+2 when j = i+2, else two of Pj and one of Pj+2 = Pi). So covering the other
// triples, those inside a part and those of two positions in Pi and one in Pi+2, is enough; that
// covering is searched as a covering design restricted to these triples.
std::vector<uint64_t> ThreeGroupCover(const TCoverSpec& wanted, const TCoverOptions& options, double seconds,
                                      TCoverObserver* observer, bool& stopped) {
  const auto started = std::chrono::steady_clock::now();
  TProblem problem({wanted.Nums, 3, 3});
  std::array<int, 64> part{};
  for (int q = 0; q < wanted.Nums; ++q) part[size_t(q)] = q * 3 / wanted.Nums;
  problem.Required.assign(problem.Units, 0);
  problem.RequiredCount = 0;
  for (uint32_t u = 0; u < problem.Units; ++u) {
    std::array<int, 3> in{};
    for (uint64_t m = problem.UnitMask[u]; m; m &= m - 1) ++in[size_t(part[size_t(std::countr_zero(m))])];
    bool need = false;
    for (int i = 0; i < 3; ++i) need = need || in[size_t(i)] == 3 || (in[size_t(i)] == 2 && in[size_t((i + 2) % 3)] == 1);
    problem.Required[u] = need;
    problem.RequiredCount += need;
  }
  const int64_t perBlock = int64_t(CoverBinom(CombSize, 3));
  const int64_t lowerBound = (int64_t(problem.RequiredCount) + perBlock - 1) / perBlock;
  std::vector<TChain> chains = MakeChains(problem, options);
  std::vector<uint64_t> start;
  if (GreedyCost({wanted.Nums, 3, 3}) <= 2.5e8 * seconds) start = GreedyCover(problem);
  else {
    chains[0].GreedyStart();
    start = chains[0].Blocks();
  }
  return Descend(problem, chains, std::move(start), lowerBound, seconds, options.MaxMoves, started, observer, stopped);
}

}  // namespace

// The shares of the budget for the searches of the starting designs built from parts.
constexpr double PartitionShare = 0.3;
constexpr double ThreeGroupShare = 0.5;

TCoverResult MakeCover(const TCoverSpec& wanted, const TCoverOptions& options, TCoverObserver* observer) {
  using Clock = std::chrono::steady_clock;
  const auto started = Clock::now();
  const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - started).count(); };
  TCoverResult result;
  if (!CoverSpecError(wanted).empty() || !CoverBudgetError(options.Seconds).empty()) return result;
  result.LowerBound = CoverLowerBound(wanted);
  std::vector<uint64_t> best;
  TCoverProgress progress;
  progress.LowerBound = result.LowerBound;

  if (wanted.Guarantee == CombSize) {
    // "5 если 5": every block must be there.
    for (uint64_t mask = (uint64_t(1) << CombSize) - 1; mask < (uint64_t(1) << wanted.Nums);) {
      best.push_back(mask);
      const uint64_t c = mask & -mask, r = mask + c;
      mask = (((r ^ mask) >> 2) / c) | r;
    }
  } else {
    const TProblem problem(wanted);
    std::vector<TChain> chains = MakeChains(problem, options);
    if (observer && !observer->Progress(progress)) result.Stopped = true;
    // The start: the smallest of the greedy cover (when it is cheap enough) and, for T < M, the
    // covers by groups or by three groups; a sampled greedy when none is there.
    const auto consider = [&](std::vector<uint64_t> design) {
      if (design.empty() || (!best.empty() && design.size() >= best.size())) return;
      chains[0].Load(design);
      if (chains[0].Uncovered() == 0) best = std::move(design);
    };
    // The greedy runs when its work fits in about a third of the budget (it makes some 7·10^8 of
    // these steps a second).
    if (GreedyCost(wanted) <= 2.5e8 * options.Seconds) consider(GreedyCover(problem));
    if (problem.Lotto && !result.Stopped) {
      TStartObserver starting(observer, started, result.LowerBound, best);
      consider(PartitionCover(wanted, options, options.Seconds * PartitionShare, starting));
      if (wanted.Guarantee == 3 && wanted.Drawn == 4 && !starting.Stopped) {
        bool stopped = false;
        consider(ThreeGroupCover(wanted, options, options.Seconds * ThreeGroupShare, &starting, stopped));
      }
      result.Stopped = result.Stopped || starting.Stopped;
    }
    if (best.empty()) {
      chains[0].Load({});
      chains[0].GreedyStart();
      best = chains[0].Blocks();
    }
    best = Descend(problem, chains, std::move(best), result.LowerBound, options.Seconds, options.MaxMoves, started,
                   observer, result.Stopped);
    for (const auto& chain : chains) result.Moves += chain.Moves();
  }
  std::vector<TComb> blocks = ToCombs(best);
  result.Verified = VerifyCover(wanted, blocks).Ok;
  if (result.Verified) result.Blocks = std::move(blocks);
  result.Seconds = elapsed();
  return result;
}

}  // namespace kivra
