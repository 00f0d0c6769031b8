// Matrix statistics (group 4): the numbers 1..45 written row by row into a matrix of the
// configured width; the columns and rows the five numbers occupy, how many numbers each holds, how
// many are occupied and which (as a bit mask), vertically or horizontally adjacent numbers, the
// numbers in one column or row, and tuples of columns or rows over sets of positions.
//
// Every statistic exists for columns and for rows: the line members are the templates of
// GroupLines.h over the column and the row grouping, the others here are one template over the
// axis, the row member being the column member with columns and rows exchanged. A statistic keeps
// the width it was created with; the column and row of every byte 0..255 are taken once into
// tables (MatrixColumn and MatrixRow, so bytes outside 1..45 get a place too; a width of 0 puts
// every byte into column 0 and row 0).
#pragma once

#include <algorithm>

#include "stats/GroupLines.h"

namespace kivra {

// Class-list entries of the family.
std::span<const TStatListEntry> MatrixStatClasses();

// The width a matrix statistic works with: the configured one, held in a byte, so a negative
// width is taken as 0 and one above 255 as 255.
inline int32_t MatrixWidthFor(const TConfigData& config) { return std::clamp<int32_t>(config.MatrixCols, 0, 255); }
// The number of rows of that matrix (the last one may be short); 0 for the width 0.
inline int32_t MatrixRowsFor(int32_t width) { return GroupCount(1, MaxNumber, width); }

// The masks keep one bit per column (row) in 32 bits: at most this many.
constexpr int32_t MaxMaskLines = 31;

// The matrix width and row count and the column and row of every byte, copied from the
// configuration at creation.
template <class Base>
class TMatrixStatBase : public Base {
 public:
  TMatrixStatBase(const TStatClass& cls, const TStatEnv& env, int32_t param)
      : Base(cls, env, param),
        cols_(static_cast<uint8_t>(MatrixWidthFor(env.Config))),
        rows_(static_cast<uint8_t>(MatrixRowsFor(cols_))) {
    for (int n = 0; n < 256; ++n) {
      columns_[n] = static_cast<uint8_t>(MatrixColumn(n, cols_));
      rowsOf_[n] = static_cast<uint8_t>(MatrixRow(n, cols_));
    }
  }

  uint8_t MatrixCols() const { return cols_; }
  uint8_t MatrixRows() const { return rows_; }
  // The columns (rows false) or the rows (rows true) of the bytes, how many there are, and how
  // many there are of the other kind.
  const TGroupTable& Lines(bool rows) const { return rows ? rowsOf_ : columns_; }
  int LineCount(bool rows) const { return rows ? rows_ : cols_; }
  int CrossCount(bool rows) const { return rows ? cols_ : rows_; }

 private:
  uint8_t cols_;
  uint8_t rows_;
  TGroupTable columns_;
  TGroupTable rowsOf_;
};

using TCustomMatrixStat = TMatrixStatBase<TCustomNumbersStat>;
using TCustomMatrixGraphStat = TMatrixStatBase<TCustomGraphStat>;

// "COLM" / "ROWM": the occupied columns (rows) as a mask in L1, column 1 in the highest of
// MatrixCols bits and the last column in bit 0. Not available when the lines do not fit 31 bits.
template <bool Rows>
class TstMatrixLineMask final : public TStatImpl<TstMatrixLineMask<Rows>, TCustomMatrixStat> {
  using Impl = TStatImpl<TstMatrixLineMask<Rows>, TCustomMatrixStat>;

 public:
  static constexpr std::string_view ClassName = Rows ? "TstRowMask" : "TstColMask";
  static constexpr std::string_view Code = Rows ? "ROWM" : "COLM";
  static constexpr std::string_view Caption = Rows ? "Сочетания строк матрицы" : "Сочетания столбцов матрицы";
  static constexpr int Group = 4;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;
  static bool IsAvailable(const TStatEnv& env) {
    const int32_t width = MatrixWidthFor(env.Config);
    return (Rows ? MatrixRowsFor(width) : width) <= MaxMaskLines;
  }

  TstMatrixLineMask(const TStatClass& cls, const TStatEnv& env, int32_t param);

  // Bytes whose line lies outside 1..LineCount set no bit; so do lines past bit 31, should a
  // statistic be created for a matrix the registry would not offer it for.
  int32_t Mask(const TComb& c) const {
    return static_cast<int32_t>(bit_[c[0]] | bit_[c[1]] | bit_[c[2]] | bit_[c[3]] | bit_[c[4]]);
  }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Longs(Mask(c)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Long(1, Mask(c));
  }
  // Column program. When the bits of the numbers 1..45 lie in the low byte, the one output is the
  // mask. Otherwise, for filtering, output h is the low byte of a mask whose bits from 8 up are h,
  // and 0xFF for other masks (five numbers never set eight bits), for h up to 9.
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const {
    const uint32_t high = numberBits_ >> 8;
    if (high > 0 && (!ctx || high >= TColumnProgram::MaxOutputs)) return false;
    auto lines = [&](uint32_t (*part)(uint32_t)) {
      const int t = prog.Table([&](int n) { return n >= 1 && n <= MaxNumber ? part(bit_[n]) : 0; });
      int mask = prog.Lut(0, t);
      for (int k = 1; k < CombSize; ++k) mask = prog.Or(mask, prog.Lut(k, t));
      return mask;
    };
    const int low = lines([](uint32_t b) { return b & 0xFF; });
    if (high == 0) {
      prog.Output(low);
      return true;
    }
    const int highPart = lines([](uint32_t b) { return b >> 8; });
    const int none = prog.Const(0xFF);
    for (uint32_t h = 0; h <= high; ++h)
      prog.Output(prog.Select(prog.CmpEq(highPart, prog.Const(static_cast<int>(h))), low, none));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int output, uint8_t v, const Sel& sel) const {
    if (numberBits_ <= 0xFF) return sel.Long(1, v);
    return v != 0xFF && sel.Long(1, static_cast<int32_t>(static_cast<uint32_t>(output) << 8 | v));
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Longs(v); }
  // One letter per line, "1" when occupied, line 1 leftmost, then the mask: 11110 (030).
  std::string ValueCaption(const TStatDrawRec& rec) const override;
  // The first LineCount characters, left to right: value * 2, plus 1 for a "1"; a text shorter than
  // that reads as if padded with other characters.
  int32_t ParseValue(std::string_view text) const override;

 private:
  std::array<uint32_t, 256> bit_{};
  uint32_t numberBits_ = 0;  // the bits of the numbers 1..45
};

// The lines holding adjacent numbers, in the order they are first found, with the number of
// adjacent pairs in each.
struct TAdjacentLines {
  int Count = 0;
  std::array<uint8_t, CombSize> Line{};
  std::array<uint8_t, CombSize> Pairs{};
};

// The adjacency of two numbers in a column (rows false: same column, rows differing by 1) or in a
// row (rows true: same row, columns differing by 1): each byte gets the code line * 512 + place
// across, so two numbers are adjacent exactly when their codes differ by 1.
//
// For five different numbers 1..45 there is a faster form: the 45 cells in the order of their codes
// are the bits 0..44 of a word, so adjacent numbers are neighbouring bits of the same line and the
// adjacent pairs of a combination are the bits where its word and the word shifted by one meet.
template <class Base>
class TAdjacencyStat : public Base {
 public:
  TAdjacencyStat(const TStatClass& cls, const TStatEnv& env, int32_t param, bool rows)
      : Base(cls, env, param), rows_(rows) {
    const TGroupTable& line = this->Lines(rows);
    const TGroupTable& across = this->Lines(!rows);
    for (int n = 0; n < 256; ++n) code_[n] = static_cast<uint16_t>(line[n] << 9 | across[n]);
    std::array<uint8_t, MaxNumber> order;
    for (int i = 0; i < MaxNumber; ++i) order[i] = static_cast<uint8_t>(i + 1);
    std::stable_sort(order.begin(), order.end(), [&](uint8_t a, uint8_t b) { return code_[a] < code_[b]; });
    cell_.fill(NotACell);
    for (int i = 0; i < MaxNumber; ++i) {
      cell_[order[i]] = uint64_t{1} << i;
      lineOfCell_[i] = line[order[i]];
      if (i > 0 && code_[order[i]] - code_[order[i - 1]] == 1) nextInLine_ |= uint64_t{1} << (i - 1);
    }
    for (uint64_t p = nextInLine_; p != 0; p &= p - 1)
      if (pairLines_.empty() || pairLines_.back() != LineOfPair(p)) pairLines_.push_back(LineOfPair(p));
    ChoosePlaces(order);
  }

  // The lines with adjacent numbers, by comparing every pair of positions.
  TAdjacentLines Adjacent(const TComb& c) const {
    const int k[CombSize] = {code_[c[0]], code_[c[1]], code_[c[2]], code_[c[3]], code_[c[4]]};
    TAdjacentLines r;
    for (int i = 0; i < CombSize; ++i)
      for (int j = i + 1; j < CombSize; ++j) {
        if (k[i] - k[j] != 1 && k[j] - k[i] != 1) continue;
        const auto line = static_cast<uint8_t>(k[i] >> 9);
        int e = 0;
        while (e < r.Count && r.Line[e] != line) ++e;
        if (e == r.Count) {
          r.Line[e] = line;
          ++r.Count;
        }
        ++r.Pairs[e];
      }
    return r;
  }

  // The adjacent pairs of five different numbers 1..45 (bit i: cells i and i + 1); false for any
  // other combination.
  bool PairBits(const TComb& c, uint64_t& pairs) const {
    const uint64_t a = cell_[c[0]], b = cell_[c[1]], d = cell_[c[2]], e = cell_[c[3]], f = cell_[c[4]];
    const uint64_t all = a | b | d | e | f;
    // The bits add up to their union exactly when no number repeats; a byte outside 1..45 sets
    // the top bit.
    if (a + b + d + e + f != all || (all & NotACell) != 0) return false;
    pairs = all & (all >> 1) & nextInLine_;
    return true;
  }
  uint8_t LineOfPair(uint64_t pairs) const { return lineOfCell_[LowestBit(pairs)]; }
  // Whether the column programs below exist.
  bool HasAdjacencyColumns() const { return placesFit_; }
  bool AdjacentNumbers(int a, int b) const {
    const int d = code_[a] - code_[b];
    return d == 1 || d == -1;
  }
  // How many lines hold the pairs.
  int LinesOf(uint64_t pairs) const {
    int lines = 0, last = -1;
    for (; pairs != 0; pairs &= pairs - 1) {
      const int line = LineOfPair(pairs);
      lines += line != last;
      last = line;
    }
    return lines;
  }
  // Calls f(line, pairs in it) for the lines holding the pairs, in line order, until f returns true.
  template <class F>
  bool AnyLine(uint64_t pairs, F&& f) const {
    while (pairs != 0) {
      const uint8_t line = LineOfPair(pairs);
      int n = 0;
      for (; pairs != 0 && LineOfPair(pairs) == line; pairs &= pairs - 1) ++n;
      if (f(line, n)) return true;
    }
    return false;
  }
  // How many lines hold adjacent numbers.
  int LineCount(const TComb& c) const { return Adjacent(c).Count; }

  // The adjacency of positions in a column program: each number has a place, and two numbers are
  // adjacent exactly when their places differ by the step, modulo 64 (narrow: the kernel's
  // difference sums apply) or 256.
  struct TAdjacencyColumns {
    int Place[CombSize];  // consecutive registers
    int Marks;            // table of a place difference: the mark for a step either way, else 0
    bool Narrow;
    // The mark times the number of later positions adjacent to position i.
    int Later(TColumnProgram& prog, int i) const {
      if (Narrow) return prog.LutDiffSum(Place[i], (1 << (CombSize - 1 - i)) - 1, Marks);
      int sum = -1;
      for (int j = i + 1; j < CombSize; ++j) {
        const int a = prog.Lut256(prog.Sub(Place[i], Place[j]), Marks);
        if (sum < 0) sum = a;
        else prog.AddTo(sum, a);
      }
      return sum;
    }
  };
  TAdjacencyColumns AdjacencyColumns(TColumnProgram& prog, int mark) const {
    TAdjacencyColumns a;
    if (placesAreNumbers_) {
      for (int k = 0; k < CombSize; ++k) a.Place[k] = k;
    } else {
      const int table = prog.Table([&](int n) { return place_[n]; });
      for (int k = 0; k < CombSize; ++k) a.Place[k] = prog.Lut(k, table);
    }
    a.Narrow = placeModulus_ == 64;
    const int step = placeStep_;
    a.Marks = a.Narrow ? prog.Table([&](int d) { return d == step || d == 64 - step ? mark : 0; })
                       : prog.Table256([&](int d) { return d == step || d == 256 - step ? mark : 0; });
    return a;
  }

  // LineCount as a column program; returns its register. Five numbers fill at most two lines with
  // pairs (each needs two different numbers), so the count follows from the largest and the
  // smallest line of a position with a later partner.
  int LineCountColumns(TColumnProgram& prog) const {
    if (pairLines_.empty()) return prog.Const(0);
    // 0xFF per partner: minus the number of partners, whose bit 7 is set when there is one.
    const TAdjacencyColumns adjacent = AdjacencyColumns(prog, 0xFF);
    const TGroupTable& line = this->Lines(rows_);
    const int lineTable = prog.Table([&](int n) { return n >= 1 && n <= MaxNumber ? line[n] + 1 : 0; });
    const int none = prog.Const(0xFF), zero = prog.Const(0), one = prog.Const(1);
    int highest = -1, lowest = -1;
    for (int i = 0; i + 1 < CombSize; ++i) {
      const int partners = adjacent.Later(prog, i);
      const int lineOf = prog.Lut(i, lineTable);  // 1..46
      const int high = prog.Select(partners, lineOf, zero), low = prog.Select(partners, lineOf, none);
      highest = highest < 0 ? high : prog.Max(highest, high);
      lowest = lowest < 0 ? low : prog.Min(lowest, low);
    }
    const int any = prog.And(prog.CmpGt(highest, zero), one);
    return prog.Add(any, prog.And(prog.CmpGt(highest, lowest), one));
  }

  // The lines holding adjacent numbers as a column program of two outputs, in the order Adjacent
  // finds them: for each, 8 * (1 + the line's place among the lines that can hold a pair) + the
  // number of pairs in it (at most 6, repeated numbers included), or 0 (the skip value) when there
  // is no such line. Adjacent finds the line of the first position with a later partner first;
  // any other position with a later partner in another line gives the second.
  void AdjacentLinesColumns(TColumnProgram& prog) const {
    prog.SkipValue = 0;
    if (pairLines_.empty()) {
      prog.Output(prog.Const(0));
      return;
    }
    // 0xFF per partner: minus the number of later partners (at most 4), which has bit 7 and the
    // bits of a line code (3..7) set when there is one.
    const TAdjacencyColumns adjacent = AdjacencyColumns(prog, 0xFF);
    const TGroupTable& line = this->Lines(rows_);
    const int lineTable = prog.Table([&](int n) {
      if (n < 1 || n > MaxNumber) return 0;
      const auto at = std::find(pairLines_.begin(), pairLines_.end(), line[n]);
      return at == pairLines_.end() ? 0 : static_cast<int>(at - pairLines_.begin() + 1) * 8;
    });
    const int zero = prog.Const(0);
    int later[CombSize - 1], lineOf[CombSize - 1], held[CombSize - 1];
    for (int i = 0; i + 1 < CombSize; ++i) {
      later[i] = adjacent.Later(prog, i);
      lineOf[i] = prog.Lut(i, lineTable);
      held[i] = i > 0 ? prog.And(later[i], lineOf[i]) : -1;  // the line code when there is a partner, else 0
    }
    int first = held[CombSize - 2];
    for (int i = CombSize - 3; i >= 0; --i) first = prog.Select(later[i], lineOf[i], first);
    // Position 0 either has a partner, and then its line is the first, or has none: it counts
    // for the first line and never gives the second.
    int firstPairs = -1, second = -1;  // minus the pairs in the first line
    for (int i = 1; i + 1 < CombSize; ++i) {
      const int same = prog.CmpEq(lineOf[i], first);
      const int pairs = prog.And(same, later[i]);
      if (firstPairs < 0) firstPairs = pairs;
      else prog.AddTo(firstPairs, pairs);
      const int other = prog.Select(same, zero, held[i]);
      second = second < 0 ? other : prog.Max(second, other);
    }
    prog.AddTo(firstPairs, later[0]);
    int all = later[0];
    for (int i = 1; i + 1 < CombSize; ++i) prog.AddTo(all, later[i]);
    prog.Output(prog.Sub(first, firstPairs));
    prog.Output(prog.Sub(second, prog.Sub(all, firstPairs)));
  }
  // The key of an output byte of AdjacentLinesColumns.
  TStatKey AdjacentLinesKey(uint8_t v) const {
    const size_t place = (v >> 3) - 1u;
    if (v < 8 || place >= pairLines_.size()) return TStatKey{};
    return TStatKey::Words(pairLines_[place], static_cast<uint16_t>((v & 7) + 1));
  }

  int FastLineCount(const TComb& c) const {
    uint64_t pairs;
    return PairBits(c, pairs) ? LinesOf(pairs) : LineCount(c);
  }

 private:
  static constexpr uint64_t NotACell = uint64_t{1} << 63;
  bool rows_;
  std::array<uint16_t, 256> code_{};
  std::array<uint64_t, 256> cell_{};
  std::array<uint8_t, 64> lineOfCell_{};
  uint64_t nextInLine_ = 0;
  std::vector<uint8_t> pairLines_;  // the lines that can hold a pair, in line order (at most 22)
  // The places of the column programs (see TAdjacencyColumns).
  std::array<uint8_t, 64> place_{};
  bool placesFit_ = false;  // else there are no column programs
  bool placesAreNumbers_ = false;
  int placeStep_ = 1;
  int placeModulus_ = 256;

  // Whether the places with the step tell adjacency exactly, modulo m.
  bool PlacesFit(const std::array<uint8_t, 64>& place, int step, int m) const {
    for (int a = 1; a <= MaxNumber; ++a)
      for (int b = 1; b <= MaxNumber; ++b) {
        const int d = ((place[a] - place[b]) % m + m) % m;
        if ((d == step || d == m - step) != AdjacentNumbers(a, b)) return false;
      }
    return true;
  }
  // The numbers themselves when adjacency is one difference of numbers (a column: the width), so
  // that a program reads no place table; otherwise places along the lines in code order: each line
  // that can hold a pair on consecutive places followed by a free one, and the numbers without a
  // neighbour all on one place of their own. Narrow places are preferred.
  void ChoosePlaces(const std::array<uint8_t, MaxNumber>& order) {
    placesFit_ = true;
    if (pairLines_.empty()) return;
    std::array<uint8_t, 64> numbers{}, lines{};
    for (int n = 0; n < 64; ++n) numbers[n] = static_cast<uint8_t>(n);
    int step = 0;
    for (int a = 1; a <= MaxNumber && step == 0; ++a)
      for (int b = a + 1; b <= MaxNumber && step == 0; ++b)
        if (AdjacentNumbers(a, b)) step = b - a;
    int next = 0, last = -1;
    bool single = false;
    for (int i = 0; i < MaxNumber; ++i) {
      const uint8_t n = order[i];
      const bool before = i > 0 && AdjacentNumbers(n, order[i - 1]);
      const bool after = i + 1 < MaxNumber && AdjacentNumbers(n, order[i + 1]);
      if (!before && !after) {
        single = true;
        continue;
      }
      if (!before && last >= 0) next = last + 2;
      lines[n] = static_cast<uint8_t>(next);
      last = next++;
    }
    if (single)
      for (int i = 0; i < MaxNumber; ++i)
        if (!(i > 0 && AdjacentNumbers(order[i], order[i - 1])) &&
            !(i + 1 < MaxNumber && AdjacentNumbers(order[i], order[i + 1])))
          lines[order[i]] = static_cast<uint8_t>(last + 2);
    const struct {
      const std::array<uint8_t, 64>& Place;
      int Step, Modulus;
    } choices[] = {{numbers, step, 64}, {lines, 1, 64}, {numbers, step, 256}, {lines, 1, 256}};
    for (const auto& c : choices)
      if (c.Step > 0 && PlacesFit(c.Place, c.Step, c.Modulus)) {
        place_ = c.Place;
        placesAreNumbers_ = &c.Place == &numbers;
        placeStep_ = c.Step;
        placeModulus_ = c.Modulus;
        return;
      }
    placesFit_ = false;  // not expected: the places along the lines stay below 128
  }
};

// "COLA" / "ROWA": for each column (row) holding adjacent numbers, (column, adjacent pairs + 1), in
// the order the columns are first found over the pairs of positions.
template <bool Rows>
class TstMatrixAdjacent final : public TStatImpl<TstMatrixAdjacent<Rows>, TAdjacencyStat<TCustomMatrixStat>> {
  using Impl = TStatImpl<TstMatrixAdjacent<Rows>, TAdjacencyStat<TCustomMatrixStat>>;

 public:
  static constexpr std::string_view ClassName = Rows ? "TstRowAjacent" : "TstColAjacent";
  static constexpr std::string_view Code = Rows ? "ROWA" : "COLA";
  static constexpr std::string_view Caption =
      Rows ? "Строки матрицы со смежными числами" : "Столбцы матрицы со смежными числами";
  static constexpr int Group = 4;
  static constexpr uint8_t Options = OptN;
  static constexpr bool DistinctValues = true;  // each line once

  TstMatrixAdjacent(const TStatClass& cls, const TStatEnv& env, int32_t param) : Impl(cls, env, param, Rows) {}

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    if constexpr (IsFastPath<Sink>) {
      // The order of the values matters only when two lines hold pairs.
      uint64_t pairs;
      if (this->PairBits(c, pairs) && (pairs == 0 || this->LinesOf(pairs) == 1)) {
        if (pairs != 0)
          sink(TStatKey::Words(this->LineOfPair(pairs), static_cast<uint16_t>(BitCount(pairs) + 1)), true);
        return;
      }
    }
    const TAdjacentLines a = this->Adjacent(c);
    for (int e = 0; e < a.Count; ++e) sink(TStatKey::Words(a.Line[e], static_cast<uint16_t>(a.Pairs[e] + 1)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    if constexpr (IsFastPath<Sel>) {
      uint64_t pairs;
      if (this->PairBits(c, pairs))
        return this->AnyLine(pairs, [&](uint8_t line, int n) { return sel.Key(line, static_cast<uint16_t>(n + 1)); });
    }
    const TAdjacentLines a = this->Adjacent(c);
    for (int e = 0; e < a.Count; ++e)
      if (sel.Key(a.Line[e], static_cast<uint16_t>(a.Pairs[e] + 1))) return true;
    return false;
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    if (!this->HasAdjacencyColumns()) return false;
    this->AdjacentLinesColumns(prog);
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    const TStatKey key = this->AdjacentLinesKey(v);
    return key != TStatKey{} && sel.Key(key.K1(), key.K2());
  }
  TStatKey ColumnKey(uint8_t v) const { return this->AdjacentLinesKey(v); }
  std::string ValueCaption(const TStatDrawRec& rec) const override { return GroupCountCaption(rec); }
};

// "COLC" / "ROWC": how many columns (rows) hold at least one adjacent pair.
template <bool Rows>
class TstMatrixAdjacentCount final
    : public TStatImpl<TstMatrixAdjacentCount<Rows>, TAdjacencyStat<TCustomMatrixGraphStat>> {
  using Impl = TStatImpl<TstMatrixAdjacentCount<Rows>, TAdjacencyStat<TCustomMatrixGraphStat>>;

 public:
  static constexpr std::string_view ClassName = Rows ? "TstRowAjacentCnt" : "TstColAjacentCnt";
  static constexpr std::string_view Code = Rows ? "ROWC" : "COLC";
  static constexpr std::string_view Caption =
      Rows ? "Количество строк матрицы со смежными числами" : "Количество столбцов матрицы со смежными числами";
  static constexpr int Group = 4;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;

  TstMatrixAdjacentCount(const TStatClass& cls, const TStatEnv& env, int32_t param) : Impl(cls, env, param, Rows) {}

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Words(static_cast<uint16_t>(IsFastPath<Sink> ? this->FastLineCount(c) : this->LineCount(c))), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, static_cast<uint16_t>(IsFastPath<Sel> ? this->FastLineCount(c) : this->LineCount(c)));
  }
  uint64_t ValueKey(uint64_t w) const {
    TComb c;
    std::memcpy(c.data(), &w, sizeof c);
    return static_cast<uint64_t>(this->FastLineCount(c));
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    if (!this->HasAdjacencyColumns()) return false;
    prog.Output(this->LineCountColumns(prog));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  int32_t CombValue(const TComb& c, int, int, bool) override { return this->LineCount(c); }
};

using TstColMask = TstMatrixLineMask<false>;
using TstRowMask = TstMatrixLineMask<true>;
using TstColAjacent = TstMatrixAdjacent<false>;
using TstRowAjacent = TstMatrixAdjacent<true>;
using TstColAjacentCnt = TstMatrixAdjacentCount<false>;
using TstRowAjacentCnt = TstMatrixAdjacentCount<true>;

// The column and row groupings: the line members "COLS", "COLV", "COLN", "COL%d" and their row
// counterparts (GroupLines.h) and the tuple members "KFM2".."KFS4" and "KRM2".."KRS4"
// (GroupTuples.h). Lines 1..LineCount are listed, in order, whether the numbers reach them or not.
template <bool Rows>
struct TMatrixGrouping {
  using Base = TCustomMatrixStat;
  using GraphBase = TCustomMatrixGraphStat;
  static constexpr int Group = 4;
  template <class Stat>
  static const TGroupTable& Table(const Stat& stat) {
    return stat.Lines(Rows);
  }

  static constexpr bool ByteSelection = false;
  template <class Stat>
  static std::vector<uint8_t> ListedGroups(const Stat& stat) {
    std::vector<uint8_t> lines;
    for (int line = 1; line <= stat.LineCount(Rows); ++line) lines.push_back(static_cast<uint8_t>(line));
    return lines;
  }
  template <class Stat>
  static int32_t GroupCount(const Stat& stat) {
    return stat.LineCount(Rows);
  }
  // A column holds one number of each row, a row one of each column.
  template <class Stat>
  static int32_t GroupCapacity(const Stat& stat) {
    return stat.CrossCount(Rows);
  }
  // One entry per column (row); none for a width that is not positive.
  static std::pair<int32_t, int32_t> ParamRange(const TStatEnv& env) {
    const int32_t width = MatrixWidthFor(env.Config);
    const int32_t lines = Rows ? MatrixRowsFor(width) : width;
    return lines > 0 ? std::pair{1, lines} : std::pair{0, -1};
  }
};

struct TColumnGrouping : TMatrixGrouping<false> {
  static constexpr TStatNames Lines{"TstColumns", "COLS", "Столбцы матрицы (не пустые)"};
  static constexpr TStatNames Values{"TstColValues", "COLV", "Количество чисел в столбце матрицы"};
  static constexpr TStatNames Count{"TstColCount", "COLN", "Количество не пустых столбцов в матрице"};
  static constexpr TStatNames ValueCount{"TstColValCnt", "COL%d", "Количество чисел в %0:d столбце матрицы", "COLx"};
  static constexpr TStatNames Names[2][3] = {
      {{"TstCombColMix2", "KFM2", "Сочетания из 2 столбцов по всем числам тиража"},
       {"TstCombColMix3", "KFM3", "Сочетания из 3 столбцов по всем числам тиража"},
       {"TstCombColMix4", "KFM4", "Сочетания из 4 столбцов по всем числам тиража"}},
      {{"TstCombColSeq2", "KFS2", "Сочетания из 2 столбцов по соседним числам"},
       {"TstCombColSeq3", "KFS3", "Сочетания из 3 столбцов по соседним числам"},
       {"TstCombColSeq4", "KFS4", "Сочетания из 4 столбцов по соседним числам"}},
  };
};

struct TRowGrouping : TMatrixGrouping<true> {
  static constexpr TStatNames Lines{"TstRows", "ROWS", "Строки матрицы (не пустые)"};
  static constexpr TStatNames Values{"TstRowValues", "ROWV", "Количество чисел в строке матрицы"};
  static constexpr TStatNames Count{"TstRowCount", "ROWN", "Количество не пустых строк в матрице"};
  static constexpr TStatNames ValueCount{"TstRowValCnt", "ROW%d", "Количество чисел в %0:d строке матрицы", "ROWx"};
  static constexpr TStatNames Names[2][3] = {
      {{"TstCombRowMix2", "KRM2", "Сочетания из 2 строк по всем числам тиража"},
       {"TstCombRowMix3", "KRM3", "Сочетания из 3 строк по всем числам тиража"},
       {"TstCombRowMix4", "KRM4", "Сочетания из 4 строк по всем числам тиража"}},
      {{"TstCombRowSeq2", "KRS2", "Сочетания из 2 строк по соседним числам"},
       {"TstCombRowSeq3", "KRS3", "Сочетания из 3 строк по соседним числам"},
       {"TstCombRowSeq4", "KRS4", "Сочетания из 4 строк по соседним числам"}},
  };
};

using TstColumns = TstGroupLines<TColumnGrouping>;  // the column (row) of each of the five numbers
using TstRows = TstGroupLines<TRowGrouping>;
using TstColValues = TstGroupValues<TColumnGrouping>;  // (column, numbers in it) for every column (row)
using TstRowValues = TstGroupValues<TRowGrouping>;
using TstColCount = TstGroupCount<TColumnGrouping>;  // how many columns (rows) are occupied
using TstRowCount = TstGroupCount<TRowGrouping>;
using TstColValCnt = TstGroupValCnt<TColumnGrouping>;  // "COL1".."COL<width>", "ROW1".."ROW<rows>"
using TstRowValCnt = TstGroupValCnt<TRowGrouping>;

using TstCombColMix2 = TstGroupTuples<TColumnGrouping, true, 2>;
using TstCombColMix3 = TstGroupTuples<TColumnGrouping, true, 3>;
using TstCombColMix4 = TstGroupTuples<TColumnGrouping, true, 4>;
using TstCombColSeq2 = TstGroupTuples<TColumnGrouping, false, 2>;
using TstCombColSeq3 = TstGroupTuples<TColumnGrouping, false, 3>;
using TstCombColSeq4 = TstGroupTuples<TColumnGrouping, false, 4>;
using TstCombRowMix2 = TstGroupTuples<TRowGrouping, true, 2>;
using TstCombRowMix3 = TstGroupTuples<TRowGrouping, true, 3>;
using TstCombRowMix4 = TstGroupTuples<TRowGrouping, true, 4>;
using TstCombRowSeq2 = TstGroupTuples<TRowGrouping, false, 2>;
using TstCombRowSeq3 = TstGroupTuples<TRowGrouping, false, 3>;
using TstCombRowSeq4 = TstGroupTuples<TRowGrouping, false, 4>;

extern template class TstGroupLines<TColumnGrouping>;
extern template class TstGroupLines<TRowGrouping>;
extern template class TstGroupValues<TColumnGrouping>;
extern template class TstGroupValues<TRowGrouping>;
extern template class TstGroupCount<TColumnGrouping>;
extern template class TstGroupCount<TRowGrouping>;
extern template class TstGroupValCnt<TColumnGrouping>;
extern template class TstGroupValCnt<TRowGrouping>;
extern template class TstMatrixLineMask<false>;
extern template class TstMatrixLineMask<true>;

}  // namespace kivra
