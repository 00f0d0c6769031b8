// kivra-cli: the batch front end over the engine.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fmt/format.h>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/CliPort.h"
#include "core/SysFormat.h"
#include "core/Version.h"
#include "stats/StatPasses.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

constexpr const char* Usage =
    "Использование: kivra-cli [--data-dir ПАПКА] КОМАНДА [ПАРАМЕТРЫ]\n"
    "\n"
    "Команды:\n"
    "  info [--offset K]     состояние архива тиражей (строки панелей 0, 1 и 2 окна)\n"
    "  import-csv ФАЙЛ       импорт тиражей из CSV-файла\n"
    "  export-csv ФАЙЛ       экспорт архива тиражей в CSV-файл\n"
    "  config                действующая конфигурация, строки РАЗДЕЛ.Ключ=значение\n"
    "  stats                 методы расчета статистики: КОД;название\n"
    "  values КОД N1,N2,N3,N4,N5 [--offset K] [--sorted]\n"
    "                        значения статистики для одной комбинации\n"
    "  window КОД --len N [--offset K] [--sorted]\n"
    "                        распределение значений по последним N тиражам\n"
    "  filter [--gen РЕЖИМ[:ПАРАМЕТР]] [--exclude-latest N]\n"
    "         [--keep|--remove КОД:ДЛИНА \"ЗНАЧЕНИЕ;ЗНАЧЕНИЕ;...\"]... [--offset K] [--sorted] [--out ФАЙЛ]\n"
    "                        создание и фильтрация списка комбинаций; строки журнала\n"
    "                        фильтров (название;значения;комбинаций) и итог\n"
    "  table КОД --len N [--offset K] [--sorted] [--compare] [--sort СТОЛБЕЦ] [--desc]\n"
    "        [--decimal-separator C] [--in-list ФАЙЛ]\n"
    "                        таблица статистики по последним N тиражам, как ее показывает\n"
    "                        вкладка \"Статистика\" (СТОЛБЕЦ: номер 0..19 или заголовок);\n"
    "                        с --in-list после \"Значение\" столбец \"В списке\": сколько\n"
    "                        комбинаций файла (*.lcv) оставит фильтр по строке (СТОЛБЕЦ 20)\n"
    "  caches [--force] [--groups all|Г,Г,...]\n"
    "                        файлы распределений полного набора комбинаций (группы:\n"
    "                        номера 0..12 или метки num, sum, ...)\n"
    "  version               версия программы\n";

// A command-line error: printed to stderr with the usage hint, exit status 2.
struct TUsageError {
  std::string Text;
};

class TArgs {
 public:
  TArgs(std::vector<std::string> args) : args_(std::move(args)) {}

  bool Empty() const { return pos_ >= args_.size(); }
  std::string Next(const char* what) {
    if (Empty()) throw TUsageError{fmt::format("Не указан параметр: {}", what)};
    return args_[pos_++];
  }
  // Takes "--name VALUE" when it comes next.
  bool Option(const char* name, std::string& value) {
    if (Empty() || args_[pos_] != name) return false;
    ++pos_;
    value = Next(name);
    return true;
  }
  // The argument taken last.
  const std::string& Previous() const { return args_[pos_ - 1]; }
  // Takes "--name" when it comes next.
  bool Flag(const char* name) {
    if (Empty() || args_[pos_] != name) return false;
    ++pos_;
    return true;
  }
  void ExpectEnd() const {
    if (!Empty()) throw TUsageError{fmt::format("Лишний параметр: {}", args_[pos_])};
  }

 private:
  std::vector<std::string> args_;
  size_t pos_ = 0;
};

int ParseNonNegative(const std::string& text, const char* option) {
  const int32_t v = StrToIntDef(text, -1);
  if (v < 0) throw TUsageError{fmt::format("Некорректное значение параметра {}: {}", option, text)};
  return v;
}

std::filesystem::path ExecutableDir() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe.parent_path();
}

int CmdInfo(TWorkspace& ws, TArgs& args) {
  int offset = 0;
  std::string value;
  while (!args.Empty()) {
    if (args.Option("--offset", value)) offset = ParseNonNegative(value, "--offset");
    else args.ExpectEnd();
  }
  ws.LoadArchive();
  ws.SetDrawsOffset(offset);
  for (const auto& line : ws.Archive().StatusTexts()) std::printf("%s\n", line.c_str());
  return 0;
}

int CmdImportCsv(TWorkspace& ws, TArgs& args) {
  const std::string file = args.Next("ФАЙЛ");
  args.ExpectEnd();
  ws.LoadArchive();
  const int added = ws.ImportDrawsCsv(file);
  if (added < 0) return 1;
  std::printf("Добавлено тиражей: %d\n", added);
  return 0;
}

int CmdExportCsv(TWorkspace& ws, TArgs& args) {
  const std::string file = args.Next("ФАЙЛ");
  args.ExpectEnd();
  ws.LoadArchive();
  if (!ws.ExportDrawsCsv(file)) return 1;
  std::printf("Выгружено тиражей: %d\n", ws.Archive().Count());
  return 0;
}

// The registry entry for a code, or a usage error.
std::unique_ptr<TCustomStat> CreateStatByCode(TWorkspace& ws, const std::string& code) {
  const int index = ws.Stats().FindCode(code);
  if (index < 0) throw TUsageError{fmt::format("Неизвестный метод расчета статистики: {}", code)};
  return ws.Stats().CreateStat(index);
}

int CmdStats(TWorkspace& ws, TArgs& args) {
  args.ExpectEnd();
  const TStatList& stats = ws.Stats();
  for (int i = 0; i < stats.Count(); ++i)
    std::printf("%s;%s\n", stats.Code(i).c_str(), stats.ListCaption(i, true).c_str());
  return 0;
}

int CmdValues(TWorkspace& ws, TArgs& args) {
  const std::string code = args.Next("КОД");
  const std::string combText = args.Next("КОМБИНАЦИЯ");
  int offset = 0;
  bool sorted = false;
  std::string value;
  while (!args.Empty()) {
    if (args.Option("--offset", value)) offset = ParseNonNegative(value, "--offset");
    else if (args.Flag("--sorted")) sorted = true;
    else args.ExpectEnd();
  }
  const TComb comb = TextToComb(combText);
  ws.LoadArchive();
  ws.SetDrawsOffset(offset);
  auto stat = CreateStatByCode(ws, code);
  TStatDrawArray values;
  if (!stat->FilterViewValues(comb, ws.Archive().AnalysisEnd(), sorted, values)) {
    std::fprintf(stderr, "Метод \"%s\" не вычисляет значения для отдельной комбинации.\n", code.c_str());
    return 1;
  }
  for (const auto& rec : values) std::printf("%s\n", stat->ValueCaption(rec).c_str());
  return 0;
}

int CmdWindow(TWorkspace& ws, TArgs& args) {
  const std::string code = args.Next("КОД");
  int length = -1, offset = 0;
  bool sorted = false;
  std::string value;
  while (!args.Empty()) {
    if (args.Option("--len", value)) length = ParseNonNegative(value, "--len");
    else if (args.Option("--offset", value)) offset = ParseNonNegative(value, "--offset");
    else if (args.Flag("--sorted")) sorted = true;
    else args.ExpectEnd();
  }
  if (length < 1) throw TUsageError{"Не указана длина окна: --len N (N >= 1)"};
  ws.LoadArchive();
  auto stat = CreateStatByCode(ws, code);
  const int last = ws.Archive().High() - offset;
  const int first = std::max(0, last - length + 1);
  const TStatDrawArray values = ComputeWindow(*stat, first, last, sorted);
  std::printf("value;count;depth;last_draw;min_period;max_period\n");
  for (const auto& r : values)
    std::printf("%s;%d;%d;%d;%d;%d\n", stat->ValueCaption(r).c_str(), r.Count, r.Depth, r.LastDraw, r.MinPeriod,
                r.MaxPeriod);
  return 0;
}

int ParseSortColumn(const std::string& text) {
  const int32_t n = StrToIntDef(text, -1);
  if (n >= 0 && n <= ColInList) return n;
  for (int c = 0; c < StatColumnCount; ++c)
    if (StatColumnCaptions[c] == text) return c;
  if (text == InListCaption) return ColInList;
  throw TUsageError{fmt::format("Некорректное значение параметра --sort: {}", text)};
}

int CmdTable(TWorkspace& ws, TArgs& args) {
  const std::string code = args.Next("КОД");
  int length = -1, offset = 0, sortColumn = ColCount;
  bool sorted = false, compare = false, descending = false;
  std::optional<std::string> inList;
  std::string value;
  while (!args.Empty()) {
    if (args.Option("--len", value)) length = ParseNonNegative(value, "--len");
    else if (args.Option("--offset", value)) offset = ParseNonNegative(value, "--offset");
    else if (args.Flag("--sorted")) sorted = true;
    else if (args.Flag("--compare")) compare = true;
    else if (args.Option("--sort", value)) sortColumn = ParseSortColumn(value);
    else if (args.Flag("--desc")) descending = true;
    else if (args.Option("--decimal-separator", value)) {
      if (value.size() != 1)
        throw TUsageError{fmt::format("Некорректное значение параметра --decimal-separator: {}", value)};
      SetDecimalSeparator(value[0]);
    } else if (args.Option("--in-list", value)) {
      inList = value;
    } else args.ExpectEnd();
  }
  if (length < 1) throw TUsageError{"Не указана длина окна: --len N (N >= 1)"};
  if (sortColumn == ColInList && !inList)
    throw TUsageError{"Сортировка по столбцу \"В списке\" только с параметром --in-list"};
  const int entry = ws.Stats().FindCode(code);
  if (entry < 0) throw TUsageError{fmt::format("Неизвестный метод расчета статистики: {}", code)};
  ws.LoadArchive();
  ws.SetDrawsOffset(offset);
  ws.Archive().SetSortedDraws(sorted);
  ws.StatTab().SetPrefetchsEnabled(compare, false);
  ws.StatTab().SetWindowLength(length);
  ws.StatTab().SetItem(entry);
  ws.StatTab().View().SetSort(sortColumn, descending);
  // The list a user saved, counted by the column "В списке" after "Значение".
  if (inList) {
    if (!ws.Combs().OpenFile(*inList)) return 1;
    ws.StatTab().SetShowInList(true, false);
  }
  if (!ws.StatTab().Refresh(true)) return 1;
  auto line = [&](const auto& cells, std::string_view inListCell) {
    std::string text;
    for (size_t c = 0; c < cells.size(); ++c) {
      if (c > 0) text += ';';
      text += cells[c];
      if (c == ColValue && inList) (text += ';') += inListCell;
    }
    text += '\n';
    std::fputs(text.c_str(), stdout);
  };
  line(StatColumnCaptions, InListCaption);
  for (const auto& row : ws.StatTab().View().Rows()) line(row.Cells, row.InList);
  return 0;
}

uint32_t ParseGroups(const std::string& text) {
  if (text == "all") return (1u << StatGroupCount) - 1;
  uint32_t groups = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    const size_t end = std::min(text.find(',', pos), text.size());
    const std::string word = text.substr(pos, end - pos);
    int group = StrToIntDef(word, -1);
    for (int g = 0; g < StatGroupCount && group < 0; ++g)
      if (GroupTag(g) == word) group = g;
    if (group < 0 || group >= StatGroupCount)
      throw TUsageError{fmt::format("Некорректное значение параметра --groups: {}", text)};
    groups |= 1u << group;
    pos = end + 1;
  }
  return groups;
}

int CmdCaches(TWorkspace& ws, TArgs& args) {
  bool force = false;
  uint32_t groups = 0;
  std::string value;
  while (!args.Empty()) {
    if (args.Flag("--force")) force = true;
    else if (args.Option("--groups", value)) groups = ParseGroups(value);
    else args.ExpectEnd();
  }
  const int built = ws.StatTab().BuildAllCaches(force, groups);
  std::printf("Создано файлов: %d\n", built);
  return 0;
}

// One step of the filter command: removal of the latest draws, or keep/remove by statistic values.
struct TFilterStep {
  bool ExcludeLatest = false;
  int Count = 0;  // draws to exclude
  bool Remove = false;
  std::string CodeLen;  // CODE:LEN
  std::string Values;   // captions separated by ";"
};

int CmdFilter(TWorkspace& ws, TArgs& args) {
  std::optional<TGenParams> gen;
  std::vector<TFilterStep> steps;
  int offset = 0;
  bool sorted = false;
  std::string out, value;
  while (!args.Empty()) {
    if (args.Option("--gen", value)) {
      const size_t colon = value.find(':');
      const int mode = ParseNonNegative(value.substr(0, colon), "--gen");
      if (mode > 255) throw TUsageError{fmt::format("Некорректное значение параметра --gen: {}", value)};
      gen = TGenParams{static_cast<uint8_t>(mode), colon == std::string::npos ? "" : value.substr(colon + 1)};
    } else if (args.Option("--exclude-latest", value)) {
      TFilterStep step;
      step.ExcludeLatest = true;
      step.Count = ParseNonNegative(value, "--exclude-latest");
      steps.push_back(std::move(step));
    } else if (args.Flag("--keep") || args.Flag("--remove")) {
      TFilterStep step;
      step.Remove = args.Previous() == "--remove";
      step.CodeLen = args.Next("КОД:ДЛИНА");
      step.Values = args.Next("ЗНАЧЕНИЯ");
      steps.push_back(std::move(step));
    } else if (args.Option("--offset", value)) {
      offset = ParseNonNegative(value, "--offset");
    } else if (args.Flag("--sorted")) {
      sorted = true;
    } else if (args.Option("--out", value)) {
      out = value;
    } else {
      args.ExpectEnd();
    }
  }

  ws.LoadArchive();
  ws.SetDrawsOffset(offset);
  ws.Archive().SetSortedDraws(sorted);

  // Every keep/remove step is resolved before the list is touched: the statistic's table over the
  // latest LEN visible draws, and the rows whose "Значение" equals each caption given.
  struct TResolved {
    int Entry = -1;
    TStatDrawArray Values;
    std::string Text;
  };
  std::vector<TResolved> resolved(steps.size());
  for (size_t i = 0; i < steps.size(); ++i) {
    if (steps[i].ExcludeLatest) continue;
    const std::string& codeLen = steps[i].CodeLen;
    const size_t colon = codeLen.rfind(':');
    const int length = colon == std::string::npos ? -1 : StrToIntDef(codeLen.substr(colon + 1), -1);
    if (length < 1) throw TUsageError{fmt::format("Ожидается КОД:ДЛИНА (ДЛИНА >= 1): {}", codeLen)};
    const std::string code = codeLen.substr(0, colon);
    auto stat = CreateStatByCode(ws, code);
    resolved[i].Entry = ws.Stats().FindCode(code);
    const int last = ws.Archive().High() - offset;
    const TStatDrawArray table = ComputeWindow(*stat, std::max(0, last - length + 1), last, sorted);
    std::string_view rest = steps[i].Values;
    while (!rest.empty()) {
      const size_t semi = std::min(rest.find(';'), rest.size());
      const std::string_view caption = Trim(rest.substr(0, semi));
      rest = semi < rest.size() ? rest.substr(semi + 1) : std::string_view();
      if (caption.empty()) continue;
      const auto row = std::find_if(table.begin(), table.end(),
                                    [&](const TStatDrawRec& r) { return Trim(stat->ValueCaption(r)) == caption; });
      if (row == table.end()) {
        std::fprintf(stderr, "Значение \"%.*s\" не найдено в таблице статистики %s по %d последним тиражам.\n",
                     static_cast<int>(caption.size()), caption.data(), code.c_str(), length);
        return 1;
      }
      const bool repeated = std::any_of(resolved[i].Values.begin(), resolved[i].Values.end(),
                                        [&](const TStatDrawRec& r) { return r.Key == row->Key; });
      if (repeated) continue;
      resolved[i].Values.push_back(*row);
      if (!resolved[i].Text.empty()) resolved[i].Text += "; ";
      resolved[i].Text += caption;
    }
    if (resolved[i].Values.empty()) throw TUsageError{fmt::format("Не указаны значения для {}", codeLen)};
  }

  ws.Combs().ReserveLists();
  // A generation failure has been reported (the exit status says so); the steps run on what is left.
  ws.Combs().GenerateList(true, gen ? *gen : ws.Combs().GenDefaults());
  for (size_t i = 0; i < steps.size(); ++i) {
    const bool ok = steps[i].ExcludeLatest ? ws.Combs().RemoveLatestDraws(steps[i].Count)
                                           : ws.Combs().FilterByValues(resolved[i].Entry, nullptr, resolved[i].Values,
                                                                       resolved[i].Text, steps[i].Remove);
    if (!ok) return 1;
  }
  for (const TFilterLogRow& row : ws.Combs().List().Log())
    std::printf("%s;%s;%u\n", row.Caption.c_str(), row.Values.c_str(), row.Count);
  std::printf("Комбинаций: %u\n", ws.Combs().List().Count());
  if (!out.empty() && !ws.Combs().SaveFile(out)) return 1;
  return 0;
}

int CmdConfig(TWorkspace& ws, TArgs& args) {
  args.ExpectEnd();
  for (const auto& line : ConfigurationLines(ws.Config())) std::printf("%s\n", line.c_str());
  return 0;
}

int Run(int argc, char** argv) {
  std::vector<std::string> raw(argv + 1, argv + argc);
  TArgs args(raw);
  std::string dataDir;
  if (args.Empty()) {
    std::fputs(Usage, stderr);
    return 2;
  }
  args.Option("--data-dir", dataDir);
  const std::string command = args.Next("КОМАНДА");
  if (command == "--help" || command == "help") {
    std::fputs(Usage, stdout);
    return 0;
  }
  if (command == "version") {
    std::printf("%s\n", KIVRA_VERSION);
    return 0;
  }

  static const std::map<std::string, std::function<int(TWorkspace&, TArgs&)>> commands = {
      {"info", CmdInfo},   {"import-csv", CmdImportCsv}, {"export-csv", CmdExportCsv}, {"config", CmdConfig},
      {"stats", CmdStats}, {"values", CmdValues},        {"window", CmdWindow},        {"filter", CmdFilter},
      {"table", CmdTable}, {"caches", CmdCaches}};
  const auto it = commands.find(command);
  if (it == commands.end()) throw TUsageError{fmt::format("Неизвестная команда: {}", command)};

  const auto dir = TWorkspace::ResolveDataDir(dataDir, ExecutableDir());
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "Не удалось создать папку данных \"%s\"!\n\n%s\n", dir.c_str(), ec.message().c_str());
    return 1;
  }
  TCliPort port;
  TWorkspace ws(dir, port);
  ws.LoadSettingsAndConfig();
  const int status = it->second(ws, args);
  return status != 0 ? status : (port.Errors() > 0 ? 1 : 0);
}

}  // namespace
}  // namespace kivra

int main(int argc, char** argv) {
  try {
    return kivra::Run(argc, argv);
  } catch (const kivra::TUsageError& e) {
    std::fprintf(stderr, "%s\n\n%s", e.Text.c_str(), kivra::Usage);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", kivra::MessageForTerminal(e.what()).c_str());
    return 1;
  }
}
