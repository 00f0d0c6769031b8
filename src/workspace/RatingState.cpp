#include "workspace/RatingState.h"

#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "stakes/Prizes.h"
#include "workspace/ProgramFiles.h"
#include "workspace/ScriptState.h"

namespace kivra {

namespace {

constexpr std::string_view NoChartData =
    "Для построения графиков необходимо, чтобы в выделенном диапазоне данных было более одного тиража!";
constexpr uint32_t Green = 0x008000, Blue = 0x0000FF, Red = 0xFF0000, Grey = 0x808080;

int32_t GetInt32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
}
int64_t GetInt64(const uint8_t* p) {
  uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u |= uint64_t{p[i]} << (8 * i);
  return static_cast<int64_t>(u);
}
std::string_view CommentOf(const TStakeBytes& b) {
  return {reinterpret_cast<const char*>(b.data() + StakeField::Comment + 1), b[StakeField::Comment]};
}
long double MoneyUnits(TMoney amount) { return static_cast<long double>(amount) / MoneyScale; }

}  // namespace

std::optional<std::string> RatingCaptionToScriptLine(std::string_view caption, const TMethodLookup& methods) {
  if (Utf8ToCp1251(caption).size() >= 255) return std::nullopt;
  std::string t(caption), comment;
  // The description written with a stake never holds "@"; a comment may.
  if (const size_t at = t.rfind('@'); at != std::string::npos) {
    comment = std::string(Trim(std::string_view(t).substr(0, at)));
    t = std::string(Trim(std::string_view(t).substr(at + 1)));
  }
  std::string joined;  // every " + " becomes "|"
  for (size_t i = 0; i < t.size();) {
    if (t.compare(i, 3, " + ") == 0) {
      joined += '|';
      i += 3;
    } else {
      joined += t[i++];
    }
  }
  t = std::move(joined);
  // The options and seven command slots: a slot of one space is an empty command.
  const auto words = [&t] {
    int n = 0;
    size_t start = 0;
    while (start <= t.size()) {
      const size_t bar = std::min(t.find('|', start), t.size());
      if (bar > start) ++n;
      start = bar + 1;
    }
    return n;
  };
  while (words() <= ScriptCommandCount) t += "| ";
  t += '|';
  t += comment;
  const TScriptLineText line = ReadScriptLine(t);
  for (const std::string& command : line.Commands)
    if (ReadFilterItem(command, methods).Method >= 0) return t;
  return std::nullopt;
}

TRatingState::TRatingState(TUserPort& port, const std::filesystem::path& dataDir, TStakeState& stakes,
                           const TMatchDistribution& matches, TWindowSettings& settings)
    : port_(port),
      stakes_(stakes),
      matches_(matches),
      settings_(settings),
      ratings_(port, dataDir / (std::string(ProgramBaseName) + ".lrt")) {
  stakes_.SetRatingsHooks({[this](const TStakeData& stake) {
                             if (!loaded_) Load();
                             ratings_.Add(stake);
                           },
                           [this] { Resort(); }, [this] { Refresh(); }});
}

void TRatingState::LoadSettings() {
  effMode_ = static_cast<int>(settings_.ReadSetting(StateSettingsSection, "RatingsEffMode", int64_t{1}));
  const std::string sort = settings_.ReadSetting(StateSettingsSection, "lvRatings.SortType", "");
  if (!sort.empty()) {
    const size_t comma = sort.find(',');
    const int column = StrToIntDef(sort.substr(0, comma), sortColumn_);
    const int descending = comma == std::string::npos ? 1 : StrToIntDef(sort.substr(comma + 1), 1);
    if (column >= 0 && column < RatingColumnCount) {
      sortColumn_ = column;
      sortDescending_ = descending != 0;
    }
  }
}

void TRatingState::SaveSortSetting() {
  settings_.WriteSetting(StateSettingsSection, "lvRatings.SortType",
                         std::to_string(sortColumn_) + "," + (sortDescending_ ? "1" : "0"), &port_);
}

void TRatingState::SetEffMode(int mode) {
  effMode_ = mode;
  settings_.WriteSetting(StateSettingsSection, "RatingsEffMode", int64_t{mode}, &port_);
}

std::string TRatingState::CellText(int row, int column) const {
  if (row < 0 || row >= ratings_.Count()) return {};
  return RatingCellText(ratings_.Rows()[row], column, effMode_, matches_);
}

void TRatingState::SortBy(int column, bool descending) {
  if (!loaded_) Load();
  sortColumn_ = column;
  sortDescending_ = descending;
  ratings_.Sort(column, descending);
}

void TRatingState::Load() {
  if (loaded_) return;
  loaded_ = true;
  ratings_.Load();
  Resort();
}

bool TRatingState::Refresh() {
  if (!loaded_) Load();
  if (ratings_.Count() > 0 &&
      !port_.AskYesNo("Пересчитать рейтинг только по текущим ставкам?\r\rНакопленные ранее данные по удаленным "
                      "ставкам будут потеряны."))
    return false;
  bool ok = true;
  {
    TBusyScope busy(port_, "Обновление рейтинга...");
    ratings_.Clear();
    try {
      if (stakes_.Journal().IsOpen())
        stakes_.Journal().ScanRecords(0, [this](const TStakeBytes& b) {
          if (GetInt32(b.data() + StakeField::DrawNumber) < 0 || b[StakeField::Checked] == 0) return;
          ratings_.Add(CommentOf(b), GetInt32(b.data() + StakeField::Matched), GetInt64(b.data() + StakeField::Profit));
        });
    } catch (const std::exception& e) {
      port_.ShowError(SysFormat("Ошибка обновления рейтинга!\r\r%s", {ErrorText(e)}));
      ok = false;
    }
  }
  Resort();
  return ok;
}

bool TRatingState::Export(const std::filesystem::path& file) {
  TBusyScope busy(port_, "Экспорт в CSV-файл...");
  try {
    WriteFileAtomic(file, ratings_.CsvText());
    return true;
  } catch (const std::exception& e) {
    port_.ShowError(SysFormat("Ошибка записи в файл \"%s\"!\r\r%s", {file.string(), ErrorText(e)}));
    return false;
  }
}

int TRatingState::ToScript(const std::vector<int>& rows, TScriptState& script, const TMethodLookup& methods) {
  TBusyScope busy(port_, "Генерация новых строк в сценарии...");
  int added = 0;
  for (int row : rows) {
    if (row < 0 || row >= ratings_.Count()) continue;
    const std::string caption = ratings_.Rows()[row].CommentText();
    if (const auto line = RatingCaptionToScriptLine(caption, methods)) {
      script.Append(*line);
      ++added;
    } else {
      port_.ShowError(SysFormat("Строку\r\r%s\r\rневозможно добавить в сценарий!", {caption}));
    }
  }
  return added;
}

std::optional<TChartData> TRatingState::ProfitByDrawChart() {
  TChartData chart;
  chart.Title = "График суммарного профита ставок по тиражам";
  std::vector<std::pair<int32_t, TMoney>> draws;  // in the order they first occur
  {
    TBusyScope busy(port_, "Создание графиков...");
    try {
      std::unordered_map<int32_t, size_t> at;
      stakes_.Journal().ScanRecords(0, [&](const TStakeBytes& b) {
        const int32_t draw = GetInt32(b.data() + StakeField::DrawNumber);
        if (draw < 0) return;
        const auto [it, added] = at.emplace(draw, draws.size());
        if (added) draws.emplace_back(draw, 0);
        draws[it->second].second = MoneyAdd(draws[it->second].second, GetInt64(b.data() + StakeField::Profit));
      });
    } catch (const std::exception& e) {
      port_.ShowError(ErrorText(e));
      return std::nullopt;
    }
  }
  if (draws.empty()) {
    port_.ShowError(NoChartData);
    return std::nullopt;
  }
  TMoney total = 0;
  for (const auto& d : draws) total = MoneyAdd(total, d.second);
  const long double mean = MoneyUnits(total) / static_cast<long double>(draws.size());
  TMoney running = 0;
  for (const auto& [draw, sum] : draws) {
    running = MoneyAdd(running, sum);
    const long double x = draw;
    chart.Add("Суммарный профит ставок по тиражу", x, MoneyUnits(sum), true, true, Green);
    chart.Add("Среднее значение", x, mean, false, false, Blue);
    chart.Add("Накопленное значение", x, MoneyUnits(running), true, true, Red);
  }
  return chart;
}

std::optional<TChartData> TRatingState::StakesByDrawChart(const std::vector<int>& rows, bool profits) {
  TChartData chart;
  chart.Title =
      profits ? "График профита для всех ставок по тиражам" : "График количества совпадений для всех ставок по тиражам";
  std::unordered_set<std::string> captions;
  for (int row : rows)
    if (row >= 0 && row < ratings_.Count()) captions.insert(FoldCaseCp1251(ratings_.Rows()[row].Comment));
  if (captions.empty()) {
    port_.ShowError(NoChartData);
    return std::nullopt;
  }
  {
    TBusyScope busy(port_, "Создание графиков...");
    const auto recent = stakes_.Journal().SeekRecentDraws(100);
    if (!recent) return std::nullopt;
    if (recent->Draws < 2) {
      port_.ShowError(NoChartData);
      return std::nullopt;
    }
    try {
      stakes_.Journal().ScanRecords(recent->First, [&](const TStakeBytes& b) {
        const int32_t draw = GetInt32(b.data() + StakeField::DrawNumber);
        const int32_t matched = GetInt32(b.data() + StakeField::Matched);
        if (b[StakeField::Checked] == 0 || draw <= 0 || matched < 0) return;
        const std::string_view comment = CommentOf(b);
        if (!captions.contains(FoldCaseCp1251(comment))) return;
        const long double y = profits ? MoneyUnits(GetInt64(b.data() + StakeField::Profit)) : matched;
        chart.Add(Cp1251ToUtf8(comment), draw, y, true, true);
      });
    } catch (const std::exception& e) {
      port_.ShowError(ErrorText(e));
      return std::nullopt;
    }
  }
  return chart;
}

std::optional<TChartData> TRatingState::MatchCountChart(const std::vector<int>& rows) {
  TChartData chart;
  chart.Title = "График количества совпадений для выделенных строк рейтинга";
  std::vector<const TRatingData*> selected;
  int32_t most = 0;
  for (int row : rows)
    if (row >= 0 && row < ratings_.Count()) {
      selected.push_back(&ratings_.Rows()[row]);
      most = std::max(most, selected.back()->Stakes);
    }
  if (selected.empty()) {
    port_.ShowError(NoChartData);
    return std::nullopt;
  }
  for (int m = 0; m <= CombSize; ++m)
    chart.Add("Нормальные значения", m, static_cast<long double>(matches_[m].Count) * most / FullSetSize, true, false,
              Grey);
  for (const TRatingData* r : selected)
    for (int m = 0; m <= CombSize; ++m) chart.Add(r->CommentText(), m, r->Hits[m], true, false);
  return chart;
}

std::optional<std::vector<TChanceStake>> TRatingState::ChanceStakes(const std::vector<int>& rows) {
  if (!loaded_) Load();
  std::unordered_set<std::string> comments;
  for (int row : rows) {
    if (row < 0 || row >= ratings_.Count()) {
      port_.ShowError(SysFormat("Строки %d нет в рейтинге (строк в рейтинге: %d)!", {row + 1, ratings_.Count()}));
      return std::nullopt;
    }
    comments.insert(FoldCaseCp1251(ratings_.Rows()[static_cast<size_t>(row)].Comment));
  }
  return stakes_.ChanceStakesOf(comments);
}

}  // namespace kivra
