#include "stats/CustomStat.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <new>
#include <fmt/format.h>

#include "core/SysFormat.h"

namespace kivra {

namespace {

struct TGroupInfo {
  std::string_view Tag;
  std::string_view Caption;
};

constexpr std::array<TGroupInfo, StatGroupCount> Groups = {{
    {"num", "Числа тиража"},
    {"sum", "Сумма чисел тиража"},
    {"dif", "Разности между числами тиража"},
    {"grp", "Каналы (группы чисел)"},
    {"mtx", "Матрица тиража"},
    {"sgm", "Сегменты матрицы тиража"},
    {"seq", "Последовательности чисел в одном тираже"},
    {"rep", "Повторяющиеся числа в нескольких тиражах"},
    {"ser", "Серии (цепочки) значений"},
    {"per", "Периоды повторения значений"},
    {"mov", "Переходы (изменения) значений между тиражами"},
    {"tsm", "Характеристическое число Тесмара"},
    {"shr", "Методы шинковки"},
}};

}  // namespace

std::string_view GroupTag(int group) {
  return group >= 0 && group < StatGroupCount ? Groups[group].Tag : std::string_view();
}

std::string_view GroupName(int group) {
  return group >= 0 && group < StatGroupCount ? Groups[group].Caption : std::string_view();
}

std::string OptionLetters(uint8_t flags) {
  std::string letters;
  for (auto [bit, letter] : {std::pair{OptS, 'S'}, {OptN, 'N'}, {OptD, 'D'}, {OptP, 'P'}, {FlagG, 'G'}})
    if (flags & bit) letters += letter;
  return letters;
}

// --- Descriptor ---

std::string TStatClass::CodeFor(int32_t param) const { return SysFormat(GetCode(), {param}); }

std::string TStatClass::CaptionFor(int32_t param) const { return SysFormat(GetCaption(), {param}); }

std::string TStatClass::HelpPageFor(int32_t param) const {
  return SysFormat("Filters_%.4d_%s.htm", {1049, SysFormat(GetHelpCode(), {param})});
}

std::string TStatClass::HelpTopicFor(int32_t param, const std::filesystem::path& helpFile) const {
  std::error_code ec;
  if (helpFile.empty() || !std::filesystem::is_regular_file(helpFile, ec)) return {};
  return "ms-its:" + helpFile.string() + "::/" + HelpPageFor(param);
}

// --- TCustomStat ---

TCustomStat::TCustomStat(const TStatClass& cls, const TStatEnv& env, int32_t param)
    : class_(cls), env_(env), param_(param) {}

int32_t DecimalOrZero(std::string_view text) {
  int32_t v;
  text = Trim(text);
  // Decimal only: no hexadecimal prefixes for value texts.
  if (text.empty() || text.find_first_of("xX$") != std::string_view::npos) return 0;
  return StrToIntStrict(text, v) ? v : 0;
}

int32_t TCustomStat::ParseValue(std::string_view text) const { return DecimalOrZero(text); }

void TCustomStat::EnumValues(int, TStatDrawArray&) { Val = TStatDrawRec{}; }

void TCustomStat::EnumWordRange(int refIndex, TStatDrawArray& values, int first, int last) {
  TCustomStat::EnumValues(refIndex, values);
  for (int k = first; k <= last; ++k) AddDomainValue(values, TStatKey::Words(static_cast<uint16_t>(k)));
}

TDraw TCustomStat::ReadDraw(int index, bool sorted) const {
  if (env_.Draws == nullptr || index < 0 || index > DrawsHigh()) return TDraw{};
  TDraw d = (*env_.Draws)[index];
  if (sorted) SortDraw(d);
  return d;
}

void TCustomStat::LoadDraws(int index, int refIndex, bool sorted) {
  Cur = ReadDraw(index, sorted);
  if (class_.GetOptions() & OptD) Ref = ReadDraw(refIndex, sorted);
}

void TCustomStat::CombValues(const TComb&, TStatDrawArray&) {
  Val = TStatDrawRec{};
  Val.Count = 1;
}

void TCustomStat::DrawValues(int index, int refIndex, bool sorted, TStatDrawArray&, TStatWork&, TLastValueArray&) {
  LoadDraws(index, refIndex, sorted);
  Val = TStatDrawRec{};
  Val.LastDraw = Cur.Number;
  Val.PrevDraw = Cur.Number;
  Val.Depth = refIndex - index + 1;
  Val.Count = 1;
}

int32_t TCustomStat::FindNextDraw(const TStatDrawRec& rec, int fromIndex, int refIndex, bool sorted) {
  if (fromIndex > DrawsHigh()) return -1;
  TStatWork work{};
  for (int index = std::max(fromIndex, 0); index <= DrawsHigh(); ++index) {
    TStatDrawArray values;
    TLastValueArray lastSeen;
    DrawValues(index, refIndex, sorted, values, work, lastSeen);
    for (const auto& e : values)
      if (e.Key == rec.Key) return e.LastDraw;
  }
  return -1;
}

bool TCustomStat::FilterViewValues(const TComb&, int, bool, TStatDrawArray&) { return false; }

void TCustomStat::PrepareFilter(const TMatchContext& ctx) { LoadDraws(-1, ctx.RefIndex, ctx.Sorted); }

void TCustomStat::CountSpan(std::span<const TComb>, uint64_t, TKeyCounter&) const {}

// --- Intermediate classes ---

std::string TCustomGraphStat::ValueCaption(const TStatDrawRec& rec) const { return std::to_string(rec.Key.K1()); }

int32_t TCustomGraphStat::DrawValue(int index, int refIndex, bool sorted) {
  return CombValue(ReadDraw(index, sorted).Nums, index, refIndex, sorted);
}

std::string TCustomRatioStat::ValueCaption(const TStatDrawRec& rec) const {
  return fmt::format("{}:{}", rec.Key.K1(), 5 - int{rec.Key.K1()});
}

int32_t TCustomRatioStat::ParseValue(std::string_view text) const {
  return DecimalOrZero(text.substr(0, text.find(':')));
}

std::string TCustomValuesStat::ValueCaption(const TStatDrawRec& rec) const { return std::to_string(rec.Key.K1()); }

std::string TCustomNumbersStat::ValueCaption(const TStatDrawRec& rec) const { return std::to_string(rec.Key.K1()); }

std::string MaskCaption(uint32_t mask, std::string_view zeroLetter, std::string_view oneLetter) {
  std::string letters;
  for (int bit = 4; bit >= 0; --bit) letters += (mask >> bit) & 1 ? oneLetter : zeroLetter;
  return SysFormat("%s (%.3d)", {letters, static_cast<int32_t>(mask)});
}

int32_t ParseMask(std::string_view text, std::string_view oneLetter) {
  // Letters may be multi-byte in UTF-8: walk by characters.
  int32_t mask = 0;
  size_t pos = 0;
  for (int i = 0; i < 5 && pos < text.size(); ++i) {
    size_t len = 1;
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead >= 0xF0) len = 4;
    else if (lead >= 0xE0) len = 3;
    else if (lead >= 0xC0) len = 2;
    len = std::min(len, text.size() - pos);
    mask = mask * 2 + (text.substr(pos, len) == oneLetter ? 1 : 0);
    pos += len;
  }
  return mask;
}

std::string TCustomMaskStat::ValueCaption(const TStatDrawRec& rec) const {
  return MaskCaption(static_cast<uint32_t>(rec.Key.L1()), ZeroLetter(), OneLetter());
}

int32_t TCustomMaskStat::ParseValue(std::string_view text) const { return ParseMask(text, OneLetter()); }

void TCustomMaskStat::EnumValues(int refIndex, TStatDrawArray& values) {
  TCustomStat::EnumValues(refIndex, values);
  for (int32_t mask = 0; mask < 32; ++mask) AddDomainValue(values, TStatKey::Longs(mask));
}

// --- Counting ---

// The dense lanes are mapped straight from the system: their pages come zeroed and cost only when
// touched, and nothing clears 16 MB when a pass counts a handful of keys (the general allocator
// may hand out reused memory, which calloc must clear).
TKeyCounter::TKeyCounter() {
  for (auto& lane : dense_) {
    void* p = mmap(nullptr, DenseLimit * sizeof(uint32_t), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
      for (auto*& done : dense_)
        if (done != nullptr) munmap(done, DenseLimit * sizeof(uint32_t));
      throw std::bad_alloc();
    }
    lane = static_cast<uint32_t*>(p);
  }
}

TKeyCounter::~TKeyCounter() {
  for (auto* lane : dense_) munmap(lane, DenseLimit * sizeof(uint32_t));
}

namespace {
size_t WideSlot(uint64_t raw, size_t mask) { return (raw * 0x9E3779B97F4A7C15ULL >> 20) & mask; }
}  // namespace

void TKeyCounter::Grow() {
  const auto keys = std::move(wideKeys_);
  const auto first = std::move(wideFirst_);
  const auto counts = std::move(wideCounts_);
  const auto used = std::move(wideUsed_);
  const size_t capacity = keys.empty() ? 64 : keys.size() * 2;
  wideKeys_.assign(capacity, 0);
  wideFirst_.assign(capacity, 0);
  wideCounts_.assign(capacity, 0);
  wideUsed_.assign(capacity, 0);
  for (size_t i = 0; i < keys.size(); ++i) {
    if (!used[i]) continue;
    size_t j = WideSlot(keys[i], capacity - 1);
    while (wideUsed_[j]) j = (j + 1) & (capacity - 1);
    wideKeys_[j] = keys[i];
    wideFirst_[j] = first[i];
    wideCounts_[j] = counts[i];
    wideUsed_[j] = 1;
  }
}

void TKeyCounter::AddWide(uint64_t raw, uint64_t first, uint32_t count) {
  if ((wideSize_ + 1) * 2 > wideKeys_.size()) Grow();
  const size_t mask = wideKeys_.size() - 1;
  size_t j = WideSlot(raw, mask);
  while (wideUsed_[j] && wideKeys_[j] != raw) j = (j + 1) & mask;
  if (!wideUsed_[j]) {
    wideUsed_[j] = 1;
    wideKeys_[j] = raw;
    wideFirst_[j] = first;
    ++wideSize_;
  } else if (first < wideFirst_[j]) {
    wideFirst_[j] = first;
  }
  wideCounts_[j] += count;
}

std::vector<std::pair<TKeyCounter::TSeen, uint32_t>> TKeyCounter::Totals() const {
  // A dense key may have been first seen in several lanes: keep its earliest appearance.
  std::vector<TSeen> dense = firstSeen_;
  std::sort(dense.begin(), dense.end(),
            [](const TSeen& a, const TSeen& b) { return a.Raw != b.Raw ? a.Raw < b.Raw : a.First < b.First; });
  std::vector<std::pair<TSeen, uint32_t>> totals;
  for (size_t i = 0; i < dense.size(); ++i) {
    if (i > 0 && dense[i].Raw == dense[i - 1].Raw) continue;
    uint32_t count = 0;
    for (const uint32_t* lane : dense_) count += lane[dense[i].Raw];
    totals.push_back({dense[i], count});
  }
  for (size_t j = 0; j < wideKeys_.size(); ++j)
    if (wideUsed_[j]) totals.push_back({{wideKeys_[j], wideFirst_[j]}, wideCounts_[j]});
  return totals;
}

void TKeyCounter::Merge(const TKeyCounter& other) {
  for (const auto& [seen, count] : other.Totals()) {
    if (seen.Raw >= DenseLimit) {
      AddWide(seen.Raw, seen.First, count);
      continue;
    }
    firstSeen_.push_back(seen);  // Totals keeps the earliest appearance of a key
    dense_[0][seen.Raw] += count;
  }
}

TStatDrawArray TKeyCounter::Records() const {
  auto totals = Totals();
  std::sort(totals.begin(), totals.end(), [](const auto& a, const auto& b) { return a.first.First < b.first.First; });
  TStatDrawArray records;
  records.reserve(totals.size());
  for (const auto& [seen, count] : totals) {
    TStatDrawRec r;
    r.Key = TStatKey(seen.Raw);
    r.Count = static_cast<int32_t>(count);
    records.push_back(r);
  }
  return records;
}

}  // namespace kivra
