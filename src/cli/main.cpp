// kivra-cli: the batch front end over the engine.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fmt/format.h>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "cli/CliPort.h"
#include "core/FileUtils.h"
#include "core/SortaUtils.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "core/Version.h"
#include "online/SelfUpdate.h"
#include "core/XlsxBook.h"
#include "scripts/ScriptFile.h"
#include "scripts/ScriptText.h"
#include "stakes/CoverDesign.h"
#include "stakes/Systems.h"
#include "combs/CombFiles.h"
#include "stats/StatPasses.h"
#include "views/CardView.h"
#include "views/DrawChart.h"
#include "views/InfoView.h"
#include "views/LayoutView.h"
#include "views/RepeatsView.h"
#include "views/SumDistribution.h"
#include "views/WeekView.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

constexpr const char* Usage =
    "Использование: kivra-cli [--data-dir ПАПКА] [--catalog-url АДРЕС] [--update-url АДРЕС]\n"
    "                 [--ca-file ФАЙЛ] КОМАНДА [ПАРАМЕТРЫ]\n"
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
    "  script show ФАЙЛ      строки файла сценария, прочитанные по полям: строка в каноническом\n"
    "                        виде, опции, каждый фильтр с его частями, комментарий\n"
    "  script check ФАЙЛ     строки, которые сценарий не сможет выполнить (статус 1, если есть)\n"
    "  stakes list           журнал ставок: тексты ячеек вкладки \"Ставки\", строка на запись,\n"
    "                        поля через \";\"\n"
    "  stakes add N1,N2,...[,N12] --draw D [--draws K] [--comment ТЕКСТ] [--kind ВИД]\n"
    "                        ставка из 5..12 чисел на тираж D (K тиражей подряд, вид 1..4),\n"
    "                        затем проверка ставок\n"
    "  stakes check          проверка ставок по архиву тиражей\n"
    "  stakes delete --rows A-B | --where matched =|>|>=|<|<= ЗНАЧЕНИЕ\n"
    "                        удаление записей A..B или ставок по количеству совпадений\n"
    "  stakes clear          удаление всех ставок\n"
    "  stakes chance [--rows A-B | --rating N] [--runs R] [--seed K]\n"
    "                        сравнение проверенных ставок (журнала, записей A..B или строки N\n"
    "                        рейтинга) со случайной игрой: R прогонов (по умолчанию 10000,\n"
    "                        от 100 до 1000000) со случайными результатами тиражей; строки\n"
    "                        ключ;значение\n"
    "  ratings [--mode 0|1|2]\n"
    "                        рейтинг, как его показывает вкладка \"Рейтинг\": 18 столбцов через \";\"\n"
    "                        (столбцы E0..E5 по режиму эффективности)\n"
    "  ratings sort СТОЛБЕЦ [--desc]\n"
    "                        сортировка рейтинга (СТОЛБЕЦ: номер 0..11 или заголовок; столбцы\n"
    "                        E0..E5 не сортируются)\n"
    "  ratings export ФАЙЛ   экспорт рейтинга в CSV-файл\n"
    "  ratings refresh       пересчет рейтинга по текущим ставкам\n"
    "  regular [list]        регулярные ставки, как их показывает вкладка \"Регуляры\": столбцы\n"
    "                        через \";\"\n"
    "  regular add [--start N1,N2,N3,N4,N5] [--step S] [--mode 0|1] [--comment ТЕКСТ]\n"
    "                        новая регулярная ставка (режим 0: от стартовой комбинации, 1: от\n"
    "                        предыдущего тиража; шаг -45..45, по умолчанию 1); строка новой записи\n"
    "  regular del I[,J...]  удаление регулярных ставок (номера строк списка, с 1)\n"
    "  regular stake [--rules I,J,...] [--offset K]\n"
    "                        по ставке на следующий тираж от каждой (или указанных) регулярной\n"
    "                        ставки, с проверкой; строки новых ставок, как в stakes list\n"
    "  regular test N [--rules I,J,...]\n"
    "                        тест регулярных ставок по последним N тиражам: ставки, их проверка\n"
    "                        и рейтинг; строки новых ставок, как в stakes list\n"
    "  download [--url АДРЕС]\n"
    "                        загрузка архива тиражей (адрес по умолчанию: ключ ResultsUrl\n"
    "                        раздела [DOWNLOAD] файла Kivra_5x45.ini), затем проверка ставок\n"
    "  forecast [--script ФАЙЛ] [--offset K] [--seed N] [--log] [--out ФАЙЛ]\n"
    "                        прогноз: рабочий сценарий (или ФАЙЛ) для текущего смещения, как\n"
    "                        кнопка \"Прогноз\"; строка на ставку (тираж;числа;комментарий) и итог\n"
    "  test K [--script ФАЙЛ] [--seed N] [--log] [--out ФАЙЛ] [--chance [--runs R]]\n"
    "                        тест сценария на последних K тиражах, как кнопка \"Тест\"\n"
    "                        (--log: журнал сценария включен; --out: итоговый список комбинаций;\n"
    "                        --chance: сделанные тестом ставки сравниваются со случайной игрой,\n"
    "                        как в stakes chance, с начальным числом N)\n"
    "  systems expand N1,N2,...\n"
    "                        комбинации локальной системы для этих чисел\n"
    "  systems list          каталог систем, как его показывает вкладка \"Системы\": строка\n"
    "                        заголовков и строки списка, ячейки через \";\"\n"
    "  systems download ID [ID...]\n"
    "                        загрузка систем каталога в папку Systems\n"
    "  systems add --title T --descr D --file ФАЙЛ [--author A] [--url U] [--block B]\n"
    "                        публикация новой системы (строки файла приводятся к виду\n"
    "                        \"01 02 03 04 05\", как в окне \"Система\"); печатает ее номер\n"
    "  systems edit ID [--title T] [--descr D] [--file ФАЙЛ] [--author A] [--url U] [--block B]\n"
    "                        изменение своей системы\n"
    "  systems delete ID [--yes]\n"
    "                        удаление своей системы из каталога и из папки Systems\n"
    "  systems make N --guarantee T --if M [--seconds S] [--seed K] [--threads J] [--out ФАЙЛ]\n"
    "                        своя система для N чисел с гарантией \"T если M\" (2 <= T <= M <= 5):\n"
    "                        строки позиций 1..N и итог; --out записывает файл системы\n"
    "  systems verify ФАЙЛ --guarantee T --if M [--nums N]\n"
    "                        проверка гарантии файла системы по всем сочетаниям (N: из --nums,\n"
    "                        из имени 5-NN-*.dat или наибольшая позиция файла)\n"
    "  library list [--filter 0..7]\n"
    "                        online каталог сценариев (фильтр: 0 скрытые, 1 все, 2 все, кроме\n"
    "                        скрытых, 3 только мои, 4 публичные, 5 с моими оценками, 6 без\n"
    "                        моих оценок, 7 новые), по убыванию рейтинга, ячейки через \";\"\n"
    "  library download ID   сценарий каталога становится рабочим сценарием\n"
    "  library publish|replace [ID] --title T [--descr D] [--author A] [--lang LCID]\n"
    "                  [--universal|--this-program] [--public|--private] [--script ФАЙЛ]\n"
    "                        публикация рабочего сценария (или ФАЙЛА) / замена своего\n"
    "  library delete ID [--yes]\n"
    "                        удаление своего сценария из каталога\n"
    "  library rate ID 1..5 [--notes ТЕКСТ] | library rate ID 0 | library hide ID\n"
    "                        оценка сценария, удаление своей оценки, скрытие сценария\n"
    "  library rates ID      оценки пользователей: Имя;Оценка;Дата;Программа;Версия;Комментарии\n"
    "  identity [ИМЯ ПОЧТА]  имя и адрес электронной почты для online-каталогов\n"
    "  card [--len N] [--colors] [--channels on|off] [--sequences on|off]\n"
    "                        карта тиражей, как ее показывает вкладка \"Карта\": строка заголовка\n"
    "                        и N последних тиражей (по умолчанию все), ячейки через \";\"\n"
    "  layout --len N [--offset K] [--colors] [--gradient on|off]\n"
    "                        схема выпадения номеров по последним N тиражам (вкладка \"Схема\")\n"
    "  layout-compare [--lens L1,L2,L3,L4,L5] [--offset K] [--sort 0|1 [--desc]]\n"
    "                        пять таблиц сравнения схемы: заголовок и строки каждой,\n"
    "                        пустая строка между таблицами\n"
    "  week --len N [--offset K] [--colors]\n"
    "                        количество выпадений чисел по дням недели (вкладка \"Неделя\")\n"
    "  week --len N [--offset K] --chart C,R [--mode 0|1]\n"
    "                        точки графика для ячейки (столбец C, строка R): x;y;подпись\n"
    "                        (--colors: вместо текста ячеек их цвет #RRGGBB, пусто - обычный)\n"
    "  graph КОД --len N [--offset K] [--sorted]\n"
    "                        график статистики по последним N тиражам (вкладка \"Графики\"):\n"
    "                        draw;value;mean;mode, строка на тираж, от старых к новым\n"
    "  repeats [--len L] [--deep D]\n"
    "                        количество повторов в зависимости от тиража по всему архиву\n"
    "                        (по умолчанию 100 и 100): заголовки и строки списка\n"
    "  sums                  распределение сумм тиражей и всех комбинаций: sum;combinations;draws\n"
    "                        для сумм 15..215, затем строки диапазонов: название;уровень\n"
    "  draw-info НОМЕР [--sorted] [--cols C]\n"
    "  comb-info N1,N2,N3,N4,N5 [--offset K] [--sorted] [--cols C]\n"
    "                        подробная информация о тираже или комбинации: Свойство;Значение;\n"
    "                        с --cols после пустой строки числа на сетке из C столбцов\n"
    "  update check [--install] [--program-dir ПАПКА]\n"
    "                        поиск обновления программы (ключ UpdateUrl раздела [ONLINE]);\n"
    "                        с --install найденное обновление устанавливается в папку\n"
    "                        программы (по умолчанию папка kivra-cli)\n"
    "  export-xlsx draws|combs ФАЙЛ.lcv|stats КОД|card|layout|stakes|ratings [ПАРАМЕТРЫ] ФАЙЛ.xlsx\n"
    "                        книга электронной таблицы, как ее записывает окно для этого вида;\n"
    "                        параметры вида те же, что у его текстовой команды (draws: --sorted;\n"
    "                        stats: как table; card, layout: как card и layout; ratings: --mode)\n"
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
  // The argument that comes next, or null.
  const std::string* Peek() const { return Empty() ? nullptr : &args_[pos_]; }
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

// One line of semicolon CSV: the cells joined by ";".
template <class TCells>
void PrintCells(const TCells& cells) {
  std::string text;
  for (size_t c = 0; c < cells.size(); ++c) {
    if (c > 0) text += ';';
    text += cells[c];
  }
  text += '\n';
  std::fputs(text.c_str(), stdout);
}

int ParseSortColumn(const std::string& text) {
  const int32_t n = StrToIntDef(text, -1);
  if (n >= 0 && n <= ColInList) return n;
  for (int c = 0; c < StatColumnCount; ++c)
    if (StatColumnCaptions[c] == text) return c;
  if (text == InListCaption) return ColInList;
  throw TUsageError{fmt::format("Некорректное значение параметра --sort: {}", text)};
}

// Sets the statistics tab up as the options of "table" say and computes it; `showInList` tells
// whether the column "В списке" is shown. False when the list or the table could not be made.
bool PrepareStatTable(TWorkspace& ws, const std::string& code, TArgs& args, bool& showInList) {
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
    if (!ws.Combs().OpenFile(*inList)) return false;
    ws.StatTab().SetShowInList(true, false);
  }
  showInList = inList.has_value();
  return ws.StatTab().Refresh(true);
}

int CmdTable(TWorkspace& ws, TArgs& args) {
  const std::string code = args.Next("КОД");
  bool inList = false;
  if (!PrepareStatTable(ws, code, args, inList)) return 1;
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

// --- Stakes ---

// An integer within min..max, or a usage error naming the option.
int64_t ParseRange(const std::string& text, int64_t min, int64_t max, const char* option) {
  int64_t v = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (error != std::errc() || end != text.data() + text.size() || v < min || v > max)
    throw TUsageError{fmt::format("Некорректное значение параметра {}: {}", option, text)};
  return v;
}

// Numbers separated by "," or ";": 5..12 distinct numbers 1..45, stored ascending.
TStakeNumbers ParseStakeNumbers(const std::string& text) {
  TStakeNumbers numbers;
  std::vector<int> values;
  for (const std::string_view word : SplitNumberWords(text)) {
    int v = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), v);
    if (error != std::errc() || end != word.data() + word.size()) values.push_back(-1);
    else values.push_back(v);
  }
  std::sort(values.begin(), values.end());
  numbers.Count = static_cast<int32_t>(std::min<size_t>(values.size(), MaxStakeNumbers + 1));
  for (size_t i = 0; i < values.size() && i < MaxStakeNumbers; ++i)
    numbers.Values[i] = static_cast<uint8_t>(std::clamp(values[i], 0, 255));
  if (values.size() > MaxStakeNumbers || !ValidStakeNumbers(numbers))
    throw TUsageError{"Введена некорректная комбинация!"};
  return numbers;
}

// The journal's records from `first` on, one line each: the grid's cell texts joined by ";".
void PrintStakesFrom(TWorkspace& ws, int first) {
  auto& journal = ws.Stakes().Journal();
  for (int i = first; i < journal.Count(); ++i) {
    const TStakeData r = journal.Read(TStakeOrigin::Begin, i);
    std::string line;
    for (int c = 0; c < StakeColumnCount; ++c) {
      if (c) line += ';';
      line += StakeCellText(r, c);
    }
    std::printf("%s\n", line.c_str());
  }
}

int StakesAdd(TWorkspace& ws, TArgs& args) {
  const TStakeNumbers numbers = ParseStakeNumbers(args.Next("N1,N2,..."));
  int64_t draw = -1, draws = 1, kind = StakeManual;
  std::string comment(ManualStakeComment), value;
  while (!args.Empty()) {
    if (args.Option("--draw", value)) draw = ParseRange(value, 1, INT32_MAX, "--draw");
    else if (args.Option("--draws", value)) draws = ParseRange(value, 1, 65535, "--draws");
    else if (args.Option("--comment", comment)) continue;
    else if (args.Option("--kind", value)) kind = ParseRange(value, StakeManual, StakeSystem, "--kind");
    else args.ExpectEnd();
  }
  if (draw < 0) throw TUsageError{"Не указан номер тиража: --draw D"};
  if (comment.empty()) throw TUsageError{"Необходимо ввести комментарий!"};
  if (Utf8ToCp1251(comment).size() > 64) throw TUsageError{"Комментарий длиннее 64 символов"};
  TStakeData record = ws.Stakes().NewRecord(static_cast<TStakeKind>(kind), comment, numbers);
  record.DrawNumber = static_cast<int32_t>(draw);
  return ws.Stakes().AddOne(record, static_cast<int>(draws)) ? 0 : 1;
}

TStakeCondition ParseCondition(const std::string& text) {
  static const std::map<std::string, TStakeCondition> ops = {{"=", TStakeCondition::Equal},
                                                             {">", TStakeCondition::Greater},
                                                             {">=", TStakeCondition::NotLess},
                                                             {"<", TStakeCondition::Less},
                                                             {"<=", TStakeCondition::NotGreater}};
  const auto it = ops.find(text);
  if (it == ops.end()) throw TUsageError{fmt::format("Некорректное условие: {}", text)};
  return it->second;
}

int StakesDelete(TWorkspace& ws, TArgs& args) {
  std::string value;
  if (args.Option("--rows", value)) {
    args.ExpectEnd();
    const auto dash = value.find('-');
    if (dash == std::string::npos) throw TUsageError{fmt::format("Ожидается --rows A-B: {}", value)};
    const int count = ws.Stakes().Journal().Count();
    const auto first = ParseRange(value.substr(0, dash), 1, std::max(count, 1), "--rows");
    const auto last = ParseRange(value.substr(dash + 1), first, std::max(count, 1), "--rows");
    return ws.Stakes().DeleteRows(static_cast<int>(first), static_cast<int>(last)) ? 0 : 1;
  }
  if (args.Flag("--where")) {
    const std::string field = args.Next("ПОЛЕ");
    if (field != "matched" && field != "Совпадений") throw TUsageError{fmt::format("Неизвестное поле: {}", field)};
    const TStakeCondition condition = ParseCondition(args.Next("УСЛОВИЕ"));
    const auto matches = ParseRange(args.Next("ЗНАЧЕНИЕ"), 0, CombSize, "--where");
    args.ExpectEnd();
    return ws.Stakes().DeleteWhere(condition, static_cast<int32_t>(matches)) ? 0 : 1;
  }
  throw TUsageError{"Ожидается --rows A-B или --where ПОЛЕ УСЛОВИЕ ЗНАЧЕНИЕ"};
}

// --- Comparison with chance ---

// "--runs R" and "--seed K" of the comparison: any integer is taken, the engine refuses runs outside
// its range with its message.
bool ChanceOption(TArgs& args, TChanceOptions& options) {
  std::string value;
  if (args.Option("--runs", value)) {
    options.Runs = static_cast<int>(ParseRange(value, INT32_MIN, INT32_MAX, "--runs"));
    return true;
  }
  if (args.Option("--seed", value)) {
    options.Seed = static_cast<uint64_t>(ParseRange(value, 0, INT64_MAX, "--seed"));
    return true;
  }
  return false;
}

// The report as "key;value" lines; false (after the message) when there was nothing to compare.
bool PrintChance(TWorkspace& ws, const std::optional<std::vector<TChanceStake>>& stakes,
                 const TChanceOptions& options) {
  if (!stakes) return false;
  const auto report = ws.Stakes().CompareWithChance(*stakes, options);
  if (!report) return false;
  for (const std::string& line : ChanceReportLines(*report)) std::printf("%s\n", line.c_str());
  return true;
}

// stakes chance [--rows A-B | --rating N] [--runs R] [--seed K]: the checked stakes of the journal
// (or of records A..B, or of the ratings row N) compared with chance.
int StakesChance(TWorkspace& ws, TArgs& args) {
  TChanceOptions options;
  options.Threads = ws.Runner().Threads();
  int first = 0, last = 0, rating = 0;
  std::string value;
  while (!args.Empty()) {
    if (ChanceOption(args, options)) continue;
    if (rating == 0 && first == 0 && args.Option("--rows", value)) {
      const auto dash = value.find('-');
      first = static_cast<int>(ParseRange(value.substr(0, dash), 1, INT32_MAX, "--rows"));
      last = dash == std::string::npos ? first
                                       : static_cast<int>(ParseRange(value.substr(dash + 1), 1, INT32_MAX, "--rows"));
      continue;
    }
    if (rating == 0 && first == 0 && args.Option("--rating", value)) {
      rating = static_cast<int>(ParseRange(value, 1, INT32_MAX, "--rating"));
      continue;
    }
    throw TUsageError{fmt::format("Неизвестный параметр: {}", *args.Peek())};
  }
  if (rating > 0) return PrintChance(ws, ws.Ratings().ChanceStakes({rating - 1}), options) ? 0 : 1;
  return PrintChance(ws, ws.Stakes().ChanceStakes(first, last), options) ? 0 : 1;
}

int CmdStakes(TWorkspace& ws, TArgs& args) {
  const std::string sub = args.Next("list|add|check|delete|clear|chance");
  static const std::vector<std::string> known = {"list", "add", "check", "delete", "clear", "chance"};
  if (std::find(known.begin(), known.end(), sub) == known.end())
    throw TUsageError{fmt::format("Неизвестная команда stakes: {}", sub)};
  ws.LoadArchive();
  // The journal is taken as the window takes it: a running program on the same folder keeps it.
  if (!ws.Stakes().Load()) return 1;
  int status = 0;
  if (sub == "list") {
    args.ExpectEnd();
    PrintStakesFrom(ws, 0);
  } else if (sub == "add") {
    status = StakesAdd(ws, args);
  } else if (sub == "check") {
    args.ExpectEnd();
    ws.Stakes().CheckAndFlush();
    std::printf("Проверено ставок: %d\n", ws.Stakes().Journal().LastChecked());
  } else if (sub == "delete") {
    status = StakesDelete(ws, args);
  } else if (sub == "chance") {
    status = StakesChance(ws, args);
  } else {
    args.ExpectEnd();
    ws.Stakes().Clear();
  }
  ws.Stakes().Save();
  return status;
}

// --- Ratings ---

int CmdRatings(TWorkspace& ws, TArgs& args) {
  auto& ratings = ws.Ratings();
  std::string sub = "list", value;
  if (const std::string* next = args.Peek(); next && next->rfind("--", 0) != 0) sub = args.Next("КОМАНДА");
  int mode = ratings.EffMode();
  if (sub == "list") {
    while (args.Option("--mode", value)) mode = static_cast<int>(ParseRange(value, 0, 2, "--mode"));
    args.ExpectEnd();
    ratings.Load();
    for (int r = 0; r < ratings.Ratings().Count(); ++r) {
      std::string line;
      for (int c = 0; c < RatingColumnCount; ++c) {
        if (c) line += ';';
        line += RatingCellText(ratings.Ratings().Rows()[r], c, mode, ratings.Matches());
      }
      std::printf("%s\n", line.c_str());
    }
    return 0;
  }
  if (sub == "sort") {
    const std::string column = args.Next("СТОЛБЕЦ");
    // A number is the column's index (the hit columns' captions are numbers too); else a caption.
    int32_t index = -1;
    if (!StrToIntStrict(column, index))
      for (int c = 0; c < RatingColumnCount; ++c)
        if (column == RatingColumnCaptions[c]) index = c;
    if (index < 0 || index >= RatingEffColumn)
      throw TUsageError{fmt::format("Некорректное значение столбца (0..11 или заголовок): {}", column)};
    const bool descending = args.Flag("--desc");
    args.ExpectEnd();
    ratings.Load();
    ratings.SortBy(index, descending);
    ratings.SaveSortSetting();
    return 0;
  }
  if (sub == "export") {
    const std::string file = args.Next("ФАЙЛ");
    args.ExpectEnd();
    ratings.Load();
    return ratings.Export(file) ? 0 : 1;
  }
  if (sub == "refresh") {
    args.ExpectEnd();
    ws.LoadArchive();
    if (!ws.Stakes().Load()) return 1;
    ratings.Load();
    const bool ok = ratings.Refresh();
    ws.Stakes().Save();
    std::printf("Рейтинг: %d\n", ratings.Ratings().Count());
    return ok ? 0 : 1;
  }
  throw TUsageError{fmt::format("Неизвестная команда ratings: {}", sub)};
}

// --- Regular stakes ---

void PrintRuleRow(const TTableData& rule) {
  std::string line;
  for (int c = 0; c < TableColumnCount; ++c) {
    if (c) line += ';';
    line += TableCellText(rule, c);
  }
  std::printf("%s\n", line.c_str());
}

// 1-based row numbers "I,J,..." as 0-based rows of the rules list.
std::vector<int> ParseRuleRows(const std::string& text, int count, const char* option) {
  std::vector<int> rows;
  for (const std::string_view word : SplitNumberWords(text))
    rows.push_back(static_cast<int>(ParseRange(std::string(word), 1, std::max(count, 1), option)) - 1);
  if (rows.empty() || count == 0)
    throw TUsageError{fmt::format("Некорректное значение параметра {}: {}", option, text)};
  return rows;
}

std::vector<int> AllRuleRows(int count) {
  std::vector<int> rows(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) rows[static_cast<size_t>(i)] = i;
  return rows;
}

int RegularAdd(TTableState& tables, TArgs& args) {
  TTableData rule = tables.NewRule({});
  std::string comment(DefaultTableComment), value;
  std::optional<TComb> start;
  while (!args.Empty()) {
    if (args.Option("--start", value)) {
      start = ParseTableStart(value);
      if (!start) throw TUsageError{"Введена некорректная комбинация!"};
    } else if (args.Option("--step", value)) {
      rule.Step = static_cast<int32_t>(ParseRange(value, -MaxNumber, MaxNumber, "--step"));
    } else if (args.Option("--mode", value)) {
      rule.Mode = static_cast<uint8_t>(ParseRange(value, TableFromCurrent, TableFromDraw, "--mode"));
    } else if (args.Option("--comment", comment)) {
      continue;
    } else {
      args.ExpectEnd();
    }
  }
  // The checks of the rule dialog, in its order.
  if (rule.Mode == TableFromCurrent && !start) throw TUsageError{"Введена некорректная комбинация!"};
  if (Trim(comment).empty()) throw TUsageError{"Необходимо ввести комментарий!"};
  if (Cp1251ToUtf8(Utf8ToCp1251(comment)) != comment || Utf8ToCp1251(comment).size() > TableCommentLength)
    throw TUsageError{
        fmt::format("Комментарий длиннее {} символов или с символами вне кодовой страницы 1251", TableCommentLength)};
  if (tables.Tables().CommentTaken(comment)) throw TUsageError{MessageForTerminal(DuplicateTableComment)};
  rule.Comment = Utf8ToCp1251(comment);
  if (start) rule.Start = *start;
  // One rule: as the dialog with one selected combination (or none, in mode 1) makes it.
  const int before = tables.Count();
  std::vector<TListComb> given;
  if (start) given.push_back({0, *start});
  if (tables.Add(rule, given) == 0) return 1;
  PrintRuleRow(tables.Tables().Rows()[static_cast<size_t>(before)]);
  return 0;
}

int CmdRegular(TWorkspace& ws, TArgs& args) {
  std::string sub = "list", value;
  if (const std::string* next = args.Peek(); next && next->rfind("--", 0) != 0) sub = args.Next("КОМАНДА");
  static const std::vector<std::string> known = {"list", "add", "del", "stake", "test"};
  if (std::find(known.begin(), known.end(), sub) == known.end())
    throw TUsageError{fmt::format("Неизвестная команда regular: {}", sub)};
  TTableState& tables = ws.Tables();
  // The cli works on the rules whatever the window's tab shows.
  tables.ShowForSession();
  tables.Load();
  if (sub == "list") {
    args.ExpectEnd();
    for (const TTableData& rule : tables.Tables().Rows()) PrintRuleRow(rule);
    return 0;
  }
  if (sub == "add") return RegularAdd(tables, args);
  if (sub == "del") {
    const std::vector<int> rows = ParseRuleRows(args.Next("I,J,..."), tables.Count(), "del");
    args.ExpectEnd();
    return tables.Delete(rows) ? 0 : 1;
  }

  // Stakes: the archive and the journal as the window takes them.
  int tests = 0, offset = 0;
  if (sub == "test") tests = static_cast<int>(ParseRange(args.Next("N"), 1, INT32_MAX, "N"));
  std::vector<int> rows = AllRuleRows(tables.Count());
  while (!args.Empty()) {
    if (args.Option("--rules", value)) rows = ParseRuleRows(value, tables.Count(), "--rules");
    else if (sub == "stake" && args.Option("--offset", value)) offset = ParseNonNegative(value, "--offset");
    else args.ExpectEnd();
  }
  ws.LoadArchive();
  if (sub == "test" && tests > tables.MaxTests())
    throw TUsageError{fmt::format("Количество тестов больше {} (тиражей в архиве без одного)", tables.MaxTests())};
  if (offset > 0 && offset > ws.Archive().High())
    throw TUsageError{fmt::format("Некорректное значение параметра --offset: {}", offset)};
  if (!ws.Stakes().Load()) return 1;
  ws.SetDrawsOffset(offset);
  const int first = ws.Stakes().Journal().Count();
  int status = 0;
  if (sub == "test") {
    status = tables.Test(rows, tests) ? 0 : 1;
  } else {
    for (int row : rows) {
      const auto draft = tables.Draft(row);
      // A rule of mode 1 over an empty archive has no draw to move on from.
      if (!draft || !ValidStakeNumbers(draft->Record.Numbers)) {
        ws.Port().ShowError(BadDrawNumbersMessage);
        status = 1;
        continue;
      }
      if (!tables.Commit(*draft, draft->Record, 1)) status = 1;
    }
  }
  PrintStakesFrom(ws, first);
  ws.Stakes().Save();
  return status;
}

int CmdDownload(TWorkspace& ws, TArgs& args) {
  std::string url = ws.Download().ResultsUrl();
  args.Option("--url", url);
  args.ExpectEnd();
  ws.LoadArchive();
  // The journal's lock keeps a running window on the same folder from sharing the archive.
  if (!ws.Stakes().Load()) return 1;
  ws.Ratings().Load();
  const int added = ws.Download().Command(url, nullptr);
  ws.Stakes().Save();
  std::printf("Добавлено тиражей: %d\n", added);
  return 0;
}

// --- The card, layout and week views: each grid as its tab shows it, one line per grid row ---

// Prints rows x columns cells; with `colors`, data cells (row and column >= 1) show their
// background instead of their text.
void PrintGrid(int rows, int columns, bool colors, const std::function<std::string(int, int)>& text,
               const std::function<TCellColor(int, int)>& color) {
  std::vector<std::string> cells(static_cast<size_t>(columns));
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c)
      cells[size_t(c)] = colors && r >= 1 && c >= 1 ? ColorText(color(r, c)) : text(r, c);
    PrintCells(cells);
  }
}

bool ParseOnOff(const std::string& text, const char* option) {
  if (text == "on") return true;
  if (text == "off") return false;
  throw TUsageError{fmt::format("Некорректное значение параметра {}: {}", option, text)};
}

// A grid as its tab shows it: texts and colours by grid row and column (row 0 and column 0 are the
// headers); `Colors` is the "--colors" switch of the text commands.
struct TGridSource {
  int Rows = 0;
  int Columns = 0;
  bool Colors = false;
  std::function<std::string(int, int)> Text;
  std::function<TCellColor(int, int)> Color;
};

TGridSource CardSource(TWorkspace& ws, TArgs& args) {
  TCardOptions options = ws.Views().CardOptions();
  int64_t length = -1;
  bool colors = false;
  std::string value;
  while (!args.Empty()) {
    if (args.Option("--len", value)) length = ParseRange(value, 0, INT32_MAX, "--len");
    else if (args.Flag("--colors")) colors = true;
    else if (args.Option("--channels", value)) options.Channels = ParseOnOff(value, "--channels");
    else if (args.Option("--sequences", value)) options.Sequences = ParseOnOff(value, "--sequences");
    else args.ExpectEnd();
  }
  ws.LoadArchive();
  const TDrawsArchive& archive = ws.Archive();
  const int rows = CardRowCount(archive);
  const int shown = length < 0 ? rows : static_cast<int>(std::min<int64_t>(rows, length + 1));
  return {shown, CardColumnCount, colors, [&archive](int r, int c) { return CardCellText(archive, r, c); },
          [&archive, options](int r, int c) { return CardCellColor(archive, r, c, options); }};
}

int CmdCard(TWorkspace& ws, TArgs& args) {
  const TGridSource g = CardSource(ws, args);
  PrintGrid(g.Rows, g.Columns, g.Colors, g.Text, g.Color);
  return 0;
}

TGridSource LayoutSource(TWorkspace& ws, TArgs& args) {
  int64_t length = -1, offset = 0;
  bool colors = false, gradient = ws.Views().LayoutGradient();
  std::string value;
  while (!args.Empty()) {
    if (args.Option("--len", value)) length = ParseRange(value, 1, INT32_MAX, "--len");
    else if (args.Option("--offset", value)) offset = ParseNonNegative(value, "--offset");
    else if (args.Flag("--colors")) colors = true;
    else if (args.Option("--gradient", value)) gradient = ParseOnOff(value, "--gradient");
    else args.ExpectEnd();
  }
  if (length < 1) throw TUsageError{"Не указана длина окна: --len N (N >= 1)"};
  ws.LoadArchive();
  ws.SetDrawsOffset(static_cast<int>(offset));
  auto grid = std::make_shared<const TTextGrid>(
      BuildLayoutGrid(ws.Archive(), static_cast<int>(length), ws.Archive().HiddenDrawSet()));
  return {grid->Rows, grid->Columns, colors, [grid](int r, int c) { return grid->At(r, c); },
          [grid, gradient](int r, int c) { return LayoutCellColor(*grid, r, c, gradient); }};
}

int CmdLayout(TWorkspace& ws, TArgs& args) {
  const TGridSource g = LayoutSource(ws, args);
  PrintGrid(g.Rows, g.Columns, g.Colors, g.Text, g.Color);
  return 0;
}

int CmdLayoutCompare(TWorkspace& ws, TArgs& args) {
  std::array<int, CompareTableCount> lengths;
  for (int t = 0; t < CompareTableCount; ++t) lengths[size_t(t)] = ws.Views().CompareLength(t);
  int64_t offset = 0;
  int sortColumn = -1;
  bool descending = false;
  std::string value;
  while (!args.Empty()) {
    if (args.Option("--lens", value)) {
      const auto words = SplitNumberWords(value);
      if (words.size() != lengths.size())
        throw TUsageError{fmt::format("Некорректное значение параметра --lens: {}", value)};
      for (size_t t = 0; t < words.size(); ++t)
        lengths[t] = static_cast<int>(ParseRange(std::string(words[t]), 1, INT32_MAX, "--lens"));
    } else if (args.Option("--offset", value)) {
      offset = ParseNonNegative(value, "--offset");
    } else if (args.Option("--sort", value)) {
      if (value == "0" || value == CompareCountCaption) sortColumn = 0;
      else if (value == "1") sortColumn = 1;
      else throw TUsageError{fmt::format("Некорректное значение параметра --sort: {}", value)};
    } else if (args.Flag("--desc")) {
      descending = true;
    } else {
      args.ExpectEnd();
    }
  }
  ws.LoadArchive();
  ws.SetDrawsOffset(static_cast<int>(offset));
  for (int t = 0; t < CompareTableCount; ++t) {
    TCompareTable table = BuildCompareTable(ws.Archive(), lengths[size_t(t)]);
    if (sortColumn >= 0) SortCompareTable(table, sortColumn, descending);
    if (t > 0) std::fputs("\n", stdout);
    PrintCells(std::array<std::string, 2>{std::string(CompareCountCaption), table.Caption});
    for (const auto& row : table.Rows) PrintCells(row);
  }
  return 0;
}

int CmdWeek(TWorkspace& ws, TArgs& args) {
  int64_t length = -1, offset = 0;
  int mode = ws.Views().WeekChartMode();
  bool colors = false;
  std::optional<std::pair<int, int>> chart;
  std::string value;
  while (!args.Empty()) {
    if (args.Option("--len", value)) length = ParseRange(value, 1, INT32_MAX, "--len");
    else if (args.Option("--offset", value)) offset = ParseNonNegative(value, "--offset");
    else if (args.Flag("--colors")) colors = true;
    else if (args.Option("--mode", value)) mode = static_cast<int>(ParseRange(value, 0, 1, "--mode"));
    else if (args.Option("--chart", value)) {
      const size_t comma = value.find(',');
      if (comma == std::string::npos)
        throw TUsageError{fmt::format("Некорректное значение параметра --chart: {}", value)};
      chart = {static_cast<int>(ParseRange(value.substr(0, comma), 1, MaxNumber, "--chart")),
               static_cast<int>(ParseRange(value.substr(comma + 1), 1, 7, "--chart"))};
    } else args.ExpectEnd();
  }
  if (length < 1) throw TUsageError{"Не указана длина окна: --len N (N >= 1)"};
  ws.LoadArchive();
  ws.SetDrawsOffset(static_cast<int>(offset));
  const TWeekCounts counts = CountWeekdays(ws.Archive(), static_cast<int>(length));
  if (chart) {
    for (const TChartPoint& p : WeekChart(counts, chart->first, chart->second, mode, false).Points)
      std::printf("%lld;%lld;%s\n", static_cast<long long>(p.X), static_cast<long long>(p.Y), p.Label.c_str());
    return 0;
  }
  PrintGrid(
      WeekRowCount, WeekColumnCount, colors, [&](int r, int c) { return WeekCellText(counts, r, c); },
      [&](int r, int c) { return WeekCellColor(counts, r, c); });
  return 0;
}

// --- Draw charts, repeats, sums and the information window ---

int CmdGraph(TWorkspace& ws, TArgs& args) {
  const std::string code = args.Next("КОД");
  int64_t length = -1, offset = 0;
  bool sorted = false;
  std::string value;
  while (!args.Empty()) {
    if (args.Option("--len", value)) length = ParseRange(value, 1, INT32_MAX, "--len");
    else if (args.Option("--offset", value)) offset = ParseNonNegative(value, "--offset");
    else if (args.Flag("--sorted")) sorted = true;
    else args.ExpectEnd();
  }
  if (length < 1) throw TUsageError{"Не указана длина окна: --len N (N >= 1)"};
  ws.LoadArchive();
  ws.SetDrawsOffset(static_cast<int>(offset));
  const int index = ws.Stats().FindCode(code);
  if (index < 0) throw TUsageError{fmt::format("Неизвестный метод расчета статистики: {}", code)};
  auto stat = ws.Stats().CreateStat(index);
  auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get());
  if (graph == nullptr || !ws.Stats().Item(index).StatClass->IsGraph()) {
    std::fprintf(stderr, "Метод \"%s\" не строит график.\n", code.c_str());
    return 1;
  }
  const TDrawChart chart = BuildDrawChart(*graph, ws.Archive(), static_cast<int>(length), sorted,
                                          ws.Stats().ListCaption(index, true), false);
  std::printf("draw;value;mean;mode\n");
  const std::string mean = RatioText(chart.Sum, std::max(chart.Count(), 1), 4);
  for (int k = 0; k < chart.Count(); ++k)
    std::printf("%d;%d;%s;%d\n", chart.DrawNumbers[size_t(k)], chart.Values[size_t(k)], mean.c_str(), chart.Mode);
  return 0;
}

int CmdRepeats(TWorkspace& ws, TArgs& args) {
  int64_t length = 100, deep = 100;
  std::string value;
  while (!args.Empty()) {
    if (args.Option("--len", value)) length = ParseRange(value, 1, INT32_MAX, "--len");
    else if (args.Option("--deep", value)) deep = ParseRange(value, 1, INT32_MAX, "--deep");
    else args.ExpectEnd();
  }
  ws.LoadArchive();
  const TRepeatsResult result = AnalyzeRepeats(ws.Archive(), static_cast<int>(length), static_cast<int>(deep));
  PrintCells(RepeatsCaptions);
  for (const TRepeatsRow& r : result.Rows) std::printf("%d;%d;%d;%s\n", r.Draw, r.Matches, r.Count, r.List.c_str());
  return 0;
}

int CmdSums(TWorkspace& ws, TArgs& args) {
  args.ExpectEnd();
  ws.LoadArchive();
  const TSumDistribution d = BuildSumDistribution(ws.Archive());
  std::printf("sum;combinations;draws\n");
  for (int s = MinCombSum; s <= MaxCombSum; ++s) {
    const auto draws =
        std::find_if(d.Draws.begin(), d.Draws.end(), [s](const TStatSimpleRec& r) { return r.Key == s; });
    const std::string drawsText = draws == d.Draws.end() ? std::string() : std::to_string(draws->Amount);
    std::printf("%d;%lld;%s\n", s, static_cast<long long>(d.Combs[size_t(s - MinCombSum)]), drawsText.c_str());
  }
  for (int k = 0; k < 3; ++k)
    std::printf("%s;%lld\n", d.LevelTitle(k).c_str(), static_cast<long long>(d.Levels[size_t(k)].Level));
  return 0;
}

// The rows of the information window, then with `columns` > 0 the placement grid after an empty line.
void PrintInfo(TWorkspace& ws, const TInfoSubject& subject, int columns) {
  PrintCells(std::array<std::string_view, 2>{InfoPropertyCaption, InfoValueCaption});
  for (const auto& [property, value] : BuildInfoRows(ws.Stats(), subject))
    PrintCells(std::array<std::string, 2>{property, value});
  if (columns <= 0) return;
  std::fputs("\n", stdout);
  const TTextGrid grid = PlaceNumbers(subject.Nums, columns);
  std::vector<std::string> cells(static_cast<size_t>(grid.Columns));
  for (int r = 0; r < grid.Rows; ++r) {
    for (int c = 0; c < grid.Columns; ++c) cells[size_t(c)] = grid.At(r, c);
    PrintCells(cells);
  }
}

// Options shared by draw-info and comb-info; --offset only when `offset` is given.
void ParseInfoOptions(TArgs& args, bool& sorted, int& columns, int64_t* offset) {
  std::string value;
  while (!args.Empty()) {
    if (args.Flag("--sorted")) sorted = true;
    else if (args.Option("--cols", value)) columns = static_cast<int>(ParseRange(value, 1, MaxNumber, "--cols"));
    else if (offset != nullptr && args.Option("--offset", value)) *offset = ParseNonNegative(value, "--offset");
    else args.ExpectEnd();
  }
}

int CmdDrawInfo(TWorkspace& ws, TArgs& args) {
  const int64_t number = ParseRange(args.Next("НОМЕР"), 0, INT32_MAX, "НОМЕР");
  bool sorted = false;
  int columns = 0;
  ParseInfoOptions(args, sorted, columns, nullptr);
  ws.LoadArchive();
  const int index = ws.Archive().FindDrawIndex(static_cast<int32_t>(number));
  if (index < 0) {
    std::fprintf(stderr, "Тираж %lld не найден в архиве.\n", static_cast<long long>(number));
    return 1;
  }
  PrintInfo(ws, DrawInfoSubject(ws.Archive(), index, sorted), columns);
  return 0;
}

int CmdCombInfo(TWorkspace& ws, TArgs& args) {
  const TComb comb = TextToComb(args.Next("КОМБИНАЦИЯ"));
  bool sorted = false;
  int columns = 0;
  int64_t offset = 0;
  ParseInfoOptions(args, sorted, columns, &offset);
  ws.LoadArchive();
  ws.SetDrawsOffset(static_cast<int>(offset));
  PrintInfo(ws, CombInfoSubject(ws.Archive(), comb, sorted), columns);
  return 0;
}

int CmdConfig(TWorkspace& ws, TArgs& args) {
  args.ExpectEnd();
  for (const auto& line : ConfigurationLines(ws.Config())) std::printf("%s\n", line.c_str());
  return 0;
}

// A CSV field: quoted (with doubled quotes) when it holds ";", a quote or a line break.
std::string CsvField(std::string_view text) {
  if (text.find_first_of(";\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

// One row of the `script show` table, padded to its 16 columns.
void PrintScriptRow(std::initializer_list<std::string_view> fields) {
  constexpr size_t Columns = 16;
  std::string row;
  size_t n = 0;
  for (std::string_view f : fields) {
    if (n++ > 0) row += ';';
    row += CsvField(f);
  }
  for (; n < Columns; ++n) row += ';';
  std::printf("%s\n", row.c_str());
}

// The lines of the script file named next; nothing after the read error was shown.
std::optional<std::vector<std::string>> ReadScriptArg(TWorkspace& ws, TArgs& args) {
  const std::string file = args.Next("ФАЙЛ");
  args.ExpectEnd();
  std::vector<std::string> lines;
  if (!LoadScriptFile(file, lines, ws.Port())) return std::nullopt;
  return lines;
}

// Per script line: the line written back from its reading; then its options, each command with
// its parts and the comment, or "separator".
int CmdScriptShow(TWorkspace& ws, TArgs& args) {
  const auto read = ReadScriptArg(ws, args);
  if (!read) return 1;
  const std::vector<std::string>& lines = *read;
  const TMethodLookup methods(ws.Stats());
  PrintScriptRow({"line", "kind", "slot", "text", "description", "method", "draws", "sort_column", "direction",
                  "selection", "mode", "condition", "values", "stop", "stop_value", "coefs"});
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    if (IsSeparatorLine(lines[i])) {
      PrintScriptRow({n, "separator"});
      continue;
    }
    TScriptLineText fields = ReadScriptLine(lines[i]);
    const TScriptOptions options = ReadOptions(fields.Options);
    fields.Options = WriteOptions(options);
    for (auto& command : fields.Commands) command = CanonicalFilterText(command, methods);
    PrintScriptRow({n, "line", "", WriteScriptLine(fields)});
    PrintScriptRow({n, "options", "", fields.Options, OptionsDisplayForm(options)});
    for (int k = 0; k < ScriptCommandCount; ++k) {
      if (fields.Commands[k].empty()) continue;
      const TFilterItem f = ReadFilterItem(fields.Commands[k], methods);
      const std::string coefs = f.CDLOverride ? fmt::format("{}:{}:{}:{}:{}", CoefText(f.Coefs.Count),
                                                            CoefText(f.Coefs.Deviation), CoefText(f.Coefs.Level),
                                                            f.Coefs.UsePercents ? 1 : 0, f.Coefs.UseAbsValues ? 1 : 0)
                                              : std::string();
      PrintScriptRow({n, "filter", std::to_string(k + 1), fields.Commands[k], FilterItemProblem(f, methods),
                      methods.Code(f.Method), f.DrawsLen, std::to_string(f.SortColumn), f.FromBottom ? "B" : "T",
                      f.MultiSelect ? "M" : "S", f.KeepSelected ? "F" : "D", LevelModeCode(f.LevelMode), f.LevelValue,
                      StopModeCode(f.StopMode), std::to_string(f.StopValue), coefs});
    }
    if (!fields.Comment.empty()) PrintScriptRow({n, "comment", "", fields.Comment});
  }
  return 0;
}

// Every line the interpreter would refuse, with its message; status 1 when there is one.
int CmdScriptCheck(TWorkspace& ws, TArgs& args) {
  const auto read = ReadScriptArg(ws, args);
  if (!read) return 1;
  const std::vector<std::string>& lines = *read;
  const TMethodLookup methods(ws.Stats());
  int refused = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string problem = ScriptLineProblem(lines[i], methods);
    if (problem.empty()) continue;
    ++refused;
    std::printf("Строка %zu: %s\n", i + 1, problem.c_str());
  }
  std::printf("Строк: %zu, некорректных: %d\n", lines.size(), refused);
  return refused > 0 ? 1 : 0;
}

int CmdScript(TWorkspace& ws, TArgs& args) {
  const std::string what = args.Next("show|check");
  if (what == "show") return CmdScriptShow(ws, args);
  if (what == "check") return CmdScriptCheck(ws, args);
  throw TUsageError{fmt::format("Неизвестная команда: script {}", what)};
}

// --- Script runs ---

// forecast and test: the options, then the run on the data folder as the window makes it.
int CmdRunScript(TWorkspace& ws, TArgs& args, bool test) {
  int64_t cycles = 0;
  if (test) {
    const std::string k = args.Next("K");
    cycles = ParseRange(k, 1, INT32_MAX, "K");
  }
  std::string script, value, out;
  std::optional<int64_t> offset;
  uint64_t seed = 0;
  bool seeded = false, log = false, chance = false;
  TChanceOptions chanceOptions;
  while (!args.Empty()) {
    if (args.Option("--script", script)) continue;
    if (!test && args.Option("--offset", value)) {
      offset = ParseRange(value, 0, INT32_MAX, "--offset");
      continue;
    }
    if (args.Option("--seed", value)) {
      seed = static_cast<uint64_t>(ParseRange(value, 0, INT64_MAX, "--seed"));
      seeded = true;
      continue;
    }
    if (args.Option("--out", out)) continue;
    if (args.Flag("--log")) {
      log = true;
      continue;
    }
    if (test && args.Flag("--chance")) {
      chance = true;
      continue;
    }
    if (test && args.Option("--runs", value)) {
      chanceOptions.Runs = static_cast<int>(ParseRange(value, INT32_MIN, INT32_MAX, "--runs"));
      continue;
    }
    throw TUsageError{fmt::format("Неизвестный параметр: {}", *args.Peek())};
  }
  ws.LoadArchive();
  if (test && cycles > ws.Archive().Count() - 1)
    throw TUsageError{fmt::format("K: допустимо от 1 до {}", std::max(ws.Archive().Count() - 1, 1))};
  if (offset) ws.SetDrawsOffset(static_cast<int>(*offset));
  std::vector<std::string> lines;
  if (!script.empty()) {
    if (!LoadScriptFile(script, lines, ws.Port())) return 1;
  } else {
    ws.Script().LoadWorkingScript();
    lines = ws.Script().Lines();
  }
  // The journal's lock keeps a running window on the same folder out.
  if (!ws.Stakes().Load()) return 1;
  ws.Ratings().Load();
  ws.Combs().ReserveLists();
  if (log) ws.Script().Log().SetEnabled(true);
  TScriptRunner& runner = ws.Runner();
  if (seeded) runner.SetSeed(seed);
  std::vector<TStakeData> made;  // the back-test's stakes, for the comparison with chance
  runner.OnStakeAdded = [&made, chance](const TStakeData& r) {
    std::printf("%d;%s;%s\n", r.DrawNumber, StakeNumbersText(r.Numbers, " ").c_str(), r.Comment.c_str());
    if (chance) made.push_back(r);
  };
  const bool ran = test ? runner.BackTest(lines, static_cast<int>(cycles)) : runner.Forecast(lines);
  if (!out.empty()) ws.Combs().SaveFile(out);
  std::printf("Ставок: %d, смещение: %d, комбинаций: %u\n", runner.StakeCount(), ws.Archive().DrawsOffset(),
              ws.Combs().List().Count());
  bool compared = true;
  if (chance && ran) {
    chanceOptions.Seed = seed;
    chanceOptions.Threads = runner.Threads();
    compared = PrintChance(ws, ws.Stakes().ChanceStakesMade(made), chanceOptions);
  }
  ws.Stakes().Save();
  return ran && compared ? 0 : 1;
}

int CmdForecast(TWorkspace& ws, TArgs& args) { return CmdRunScript(ws, args, false); }
int CmdTest(TWorkspace& ws, TArgs& args) { return CmdRunScript(ws, args, true); }

// systems expand: the local system for the numbers, one combination a line (ascending, as staked).
int SystemsExpand(TWorkspace& ws, TArgs& args) {
  const std::string text = args.Next("ЧИСЛА");
  args.ExpectEnd();
  TByteArray numbers;
  for (std::string_view word : SplitNumberWords(text))
    numbers.push_back(static_cast<uint8_t>(ParseRange(std::string(word), 1, MaxNumber, "ЧИСЛА")));
  const TSystemExpansion system = SystemExpand(SystemsFolder(ws.DataDir()), numbers);
  if (!system.Ok) {
    ws.Port().ShowError(system.LongMessage);
    return 1;
  }
  std::printf("%s\n", SystemShortName(system.File).c_str());
  for (TComb comb : system.Combs) {
    std::sort(comb.begin(), comb.end());
    std::printf("%s\n", CombToText(comb).c_str());
  }
  return 0;
}

// The update check's windows in a terminal: the offer is printed and taken when --install was given.
class TCliUpdateUi : public TUpdateUi {
 public:
  explicit TCliUpdateUi(bool install) : install_(install) {}
  void ProgressOpen(std::string_view, int) override {}
  void ProgressStep() override {}
  void ProgressClose() override {}
  bool OfferUpdate(const TUpdateOffer& offer) override {
    std::printf("Текущая версия программы: %s\nНовая версия программы: %s\nОписание версии:\n",
                offer.RunningVersion.c_str(), offer.Description.c_str());
    for (const std::string& line : offer.Text) std::printf("%s\n", line.c_str());
    return install_;
  }

 private:
  bool install_;
};

// update check [--install] [--program-dir DIR]: the "Поиск обновлений" command.
int CmdUpdate(TWorkspace& ws, TArgs& args) {
  const std::string sub = args.Next("check");
  if (sub != "check") throw TUsageError{fmt::format("Неизвестная команда update: {}", sub)};
  bool install = false;
  std::string programDir;
  while (!args.Empty()) {
    if (args.Flag("--install")) install = true;
    else if (!args.Option("--program-dir", programDir))
      throw TUsageError{fmt::format("Неизвестный параметр: {}", *args.Peek())};
  }
  TSelfUpdateParams params;
  params.Address = UpdateDescriptionAddress(ws.Online().UpdateUrl());
  if (params.Address.empty()) {
    ws.Port().ShowError(SysFormat("Адрес обновлений не задан: укажите его в файле %s, раздел [ONLINE], ключ UpdateUrl.",
                                  {ws.ConfigPath().string()}));
    return 1;
  }
  params.LanguageId = static_cast<int>(ws.Settings().ReadSetting(StateSettingsSection, "Language", int64_t{1049}));
  params.ProgramDir = programDir.empty() ? ExecutableDir() : std::filesystem::absolute(programDir);
  params.RunningVersion = KIVRA_FILE_VERSION;
  params.CaFile = ws.Online().CaFile();
  TCliUpdateUi ui(install);
  return CheckForUpdate(params, ws.Port(), ui) == 2 ? 1 : 0;
}

// --- The online catalogues: the window's operations, rows as the lists show them ---

template <size_t N, class Cell>
void PrintCatalogRow(const std::array<std::string_view, N>& captions, Cell cell) {
  std::string line;
  for (size_t c = 0; c < captions.size(); ++c) {
    if (c > 0) line += ';';
    line += cell(static_cast<int>(c));
  }
  std::printf("%s\n", line.c_str());
}

void RequireCatalog(TWorkspace& ws) {
  if (!ws.Catalog().HasCatalog())
    throw TUsageError{"Адрес online-каталога не указан: --catalog-url АДРЕС или ключ CatalogUrl раздела [ONLINE]"};
}

void AnswerYes(TWorkspace& ws) {
  if (auto* port = dynamic_cast<TCliPort*>(&ws.Port())) port->YesToAll = true;
}

// The list row of a catalogue id, or a usage error.
int SystemRowById(TWorkspace& ws, const std::string& text) {
  const int32_t id = static_cast<int32_t>(ParseRange(text, 0, INT32_MAX, "ID"));
  const auto& rows = ws.Systems().Rows();
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].Id == id) return static_cast<int>(i);
  throw TUsageError{fmt::format("Система #{} не найдена в каталоге", id)};
}

// The fields of "systems add|edit": the dialog's values, the content normalised as the dialog does.
bool ReadSystemOptions(TWorkspace& ws, TArgs& args, TSystemData& data) {
  std::string value;
  while (!args.Empty()) {
    if (args.Option("--title", value)) data.Title = value;
    else if (args.Option("--descr", value)) data.Description = value;
    else if (args.Option("--author", value)) data.Author = value;
    else if (args.Option("--url", value)) data.Url = value;
    else if (args.Option("--block", value)) data.Block = static_cast<uint8_t>(ParseRange(value, 0, 255, "--block"));
    else if (args.Option("--file", value)) {
      std::string content;
      try {
        content = ReadWholeFile(value);
      } catch (const TFileError& e) {
        ws.Port().ShowError(ErrorText(e));
        return false;
      }
      const TNormalisedSystem normal = NormaliseSystemContent(content);
      data.Content = normal.Content;
      data.Nums = static_cast<uint8_t>(std::clamp(normal.Nums, 0, 255));
      data.Count = normal.Count;
    } else args.ExpectEnd();
  }
  if (const auto error = CheckSystemData(data)) {
    ws.Port().ShowError(error->Message);
    return false;
  }
  return true;
}

// --- Own systems: systems make and systems verify ---

// "--guarantee T --if M" and the other numeric options of the two commands; a word that is not a
// whole number is a usage error, a number out of range gets the engine's message.
int64_t ParseWhole(const std::string& text, const char* option) {
  return ParseRange(text, INT32_MIN, INT32_MAX, option);
}

// The N of a system file: "--nums N", else the N of its name ("5-NN-B_IIII.dat"), else 0.
int SystemFileNums(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  if (name.size() >= 5 && name[0] == '5' && name[1] == '-' && std::isdigit(static_cast<unsigned char>(name[2])) &&
      std::isdigit(static_cast<unsigned char>(name[3])) && name[4] == '-')
    return (name[2] - '0') * 10 + (name[3] - '0');
  return 0;
}

// systems make N --guarantee T --if M [--seconds S] [--seed K] [--threads J] [--out FILE]
int SystemsMake(TWorkspace& ws, TArgs& args) {
  TCoverSpec wanted;
  wanted.Nums = static_cast<int>(ParseWhole(args.Next("N"), "N"));
  TCoverOptions options;
  options.Threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::string value, out;
  while (!args.Empty()) {
    if (args.Option("--guarantee", value)) wanted.Guarantee = static_cast<int>(ParseWhole(value, "--guarantee"));
    else if (args.Option("--if", value)) wanted.Drawn = static_cast<int>(ParseWhole(value, "--if"));
    else if (args.Option("--seconds", value)) {
      long double seconds = 0;
      if (!TextToFloat(value, seconds) || !std::isfinite(seconds))
        throw TUsageError{fmt::format("Некорректное значение параметра --seconds: {}", value)};
      options.Seconds = static_cast<double>(seconds);
    } else if (args.Option("--seed", value)) options.Seed = static_cast<uint64_t>(ParseRange(value, 0, INT64_MAX, "--seed"));
    else if (args.Option("--threads", value)) options.Threads = static_cast<int>(ParseRange(value, 1, 64, "--threads"));
    else if (!args.Option("--out", out)) args.ExpectEnd();
  }
  if (wanted.Guarantee == 0) throw TUsageError{"Не указан параметр: --guarantee T"};
  if (wanted.Drawn == 0) throw TUsageError{"Не указан параметр: --if M"};
  for (const std::string& error : {CoverSpecError(wanted), CoverBudgetError(options.Seconds)})
    if (!error.empty()) {
      ws.Port().ShowError(error);
      return 1;
    }
  const TCoverResult result = MakeCover(wanted, options);
  if (!result.Verified) {
    ws.Port().ShowError("Система не построена: проверка гарантии не пройдена!");
    return 1;
  }
  if (!out.empty()) {
    try {
      WriteFileAtomic(out, CoverFileText(result.Blocks));
    } catch (const TFileError& e) {
      ws.Port().ShowError(ErrorText(e));
      return 1;
    }
  }
  std::string text;
  for (const TComb& b : result.Blocks) text += fmt::format("{} {} {} {} {}\n", b[0], b[1], b[2], b[3], b[4]);
  text += CoverResultText(result.Blocks.size(), result.LowerBound) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

// systems verify FILE --guarantee T --if M [--nums N]: the exhaustive check of any system file.
int SystemsVerify(TWorkspace& ws, TArgs& args) {
  const std::filesystem::path file = args.Next("ФАЙЛ");
  TCoverSpec wanted;
  std::string value;
  while (!args.Empty()) {
    if (args.Option("--guarantee", value)) wanted.Guarantee = static_cast<int>(ParseWhole(value, "--guarantee"));
    else if (args.Option("--if", value)) wanted.Drawn = static_cast<int>(ParseWhole(value, "--if"));
    else if (args.Option("--nums", value)) wanted.Nums = static_cast<int>(ParseWhole(value, "--nums"));
    else args.ExpectEnd();
  }
  if (wanted.Guarantee == 0) throw TUsageError{"Не указан параметр: --guarantee T"};
  if (wanted.Drawn == 0) throw TUsageError{"Не указан параметр: --if M"};
  std::string text;
  try {
    text = Cp1251ToUtf8(ReadWholeFile(file));
  } catch (const TFileError& e) {
    ws.Port().ShowError(ErrorText(e));
    return 1;
  }
  const bool named = wanted.Nums != 0 || (wanted.Nums = SystemFileNums(file)) != 0;
  std::vector<TComb> blocks;
  std::string error;
  // Without N from the name or the option, the file's largest position is taken.
  if (!ParseSystemText(text, named ? std::clamp(wanted.Nums, 1, MaxNumber) : MaxNumber, blocks, error, true)) {
    ws.Port().ShowError(SysFormat("Ошибка загрузки комбинаций системы!\r\r%s", {error}));
    return 1;
  }
  if (!named)
    for (const TComb& b : blocks) wanted.Nums = std::max<int>(wanted.Nums, *std::max_element(b.begin(), b.end()));
  if (const std::string e = CoverSpecError(wanted); !e.empty()) {
    ws.Port().ShowError(e);
    return 1;
  }
  if (blocks.empty()) {
    ws.Port().ShowError(SysFormat("Файл \"%s\" не содержит комбинаций", {file.string()}));
    return 1;
  }
  const TCoverCheck check = VerifyCover(wanted, blocks);
  if (!check.Ok) {
    const std::string subset = CoverSubsetText(check.FirstUncovered);
    ws.Port().ShowError(SysFormat("Гарантия \"%s\" для %d чисел не выполнена: не покрыто сочетание %s",
                                  {GuaranteeText(wanted.Guarantee, wanted.Drawn), wanted.Nums, subset}));
    return 1;
  }
  std::printf("%s\n", CoverResultText(blocks.size(), CoverLowerBound(wanted)).c_str());
  return 0;
}

// systems list|download|add|edit|delete|expand
int CmdSystems(TWorkspace& ws, TArgs& args) {
  const std::string sub = args.Next("list|download|add|edit|delete|expand|make|verify");
  if (sub == "expand") return SystemsExpand(ws, args);
  if (sub == "make") return SystemsMake(ws, args);
  if (sub == "verify") return SystemsVerify(ws, args);
  static const std::vector<std::string> known = {"list", "download", "add", "edit", "delete"};
  if (std::find(known.begin(), known.end(), sub) == known.end())
    throw TUsageError{fmt::format("Неизвестная команда systems: {}", sub)};
  RequireCatalog(ws);
  TCatalogState& catalog = ws.Catalog();
  if (sub == "add") {
    TSystemData data = catalog.NewSystem();
    if (!ReadSystemOptions(ws, args, data)) return 1;
    ws.Systems().MutableRows().clear();
    const int row = catalog.AddSystem(data);
    if (row < 0) return 1;
    std::printf("%d\n", ws.Systems().Rows()[row].Id);
    return 0;
  }
  catalog.LoadSystems();
  const auto& rows = ws.Systems().Rows();
  if (sub == "list") {
    args.ExpectEnd();
    PrintCatalogRow(SystemColumnCaptions, [](int c) { return std::string(SystemColumnCaptions[c]); });
    for (const TSystemInfo& info : rows)
      PrintCatalogRow(SystemColumnCaptions,
                      [&](int c) { return SystemCellText(info, c, ws.Systems().Downloaded(info)); });
    return 0;
  }
  if (sub == "download") {
    std::vector<int> chosen;
    do chosen.push_back(SystemRowById(ws, args.Next("ID")));
    while (!args.Empty());
    bool ok = true;
    for (int row : chosen) ok = catalog.DownloadSystem(row) && ok;
    return ok ? 0 : 1;
  }
  const int row = SystemRowById(ws, args.Next("ID"));
  if (sub == "delete") {
    if (args.Flag("--yes")) AnswerYes(ws);
    args.ExpectEnd();
    return catalog.DeleteSystem(row) ? 0 : 1;
  }
  // edit
  if (!catalog.IsOwn(rows[row].AuthorMail)) {
    ws.Port().ShowError("Вы можете изменять только свои системы!");
    return 1;
  }
  const auto content = catalog.SystemContent(row, "Ошибка изменения системы!");
  if (!content) return 1;
  TSystemData data = catalog.SystemData(row, *content);
  if (!ReadSystemOptions(ws, args, data)) return 1;
  return catalog.EditSystem(row, data) ? 0 : 1;
}

int ScriptRowById(TWorkspace& ws, const std::string& text) {
  const int32_t id = static_cast<int32_t>(ParseRange(text, 0, INT32_MAX, "ID"));
  const int row = ws.Catalog().FindScript(id);
  if (row < 0) throw TUsageError{fmt::format("Сценарий #{} не найден в каталоге", id)};
  return row;
}

// The fields of "library publish|replace": the properties dialog's values and its checks.
bool ReadScriptOptions(TWorkspace& ws, TArgs& args, TScriptData& data) {
  std::string value;
  while (!args.Empty()) {
    if (args.Option("--title", value)) data.Title = value;
    else if (args.Option("--descr", value)) data.Description = value;
    else if (args.Option("--author", value)) data.Author = value;
    else if (args.Option("--lang", value)) data.Language = static_cast<int32_t>(ParseRange(value, 0, 65535, "--lang"));
    else if (args.Flag("--universal")) data.Universal = true;
    else if (args.Flag("--this-program")) data.Universal = false;
    else if (args.Flag("--private")) data.Public = false;
    else if (args.Flag("--public")) data.Public = true;
    else if (args.Option("--script", value)) {
      if (!ws.Script().Open(value)) return false;
    } else args.ExpectEnd();
  }
  // The dialog's fields hold at most 64 characters.
  for (const std::string* text : {&data.Title, &data.Author})
    if (Utf8ToCp1251(*text).size() > 64) throw TUsageError{"Название и имя автора: не более 64 символов"};
  if (ws.Script().Count() == 0) {
    ws.Port().ShowError("Рабочий сценарий пуст!");
    return false;
  }
  if (const auto error = ws.Catalog().CheckScriptData(data)) {
    if (!error->Message.empty()) ws.Port().ShowError(error->Message);
    return false;
  }
  return true;
}

// library list|download|publish|replace|delete|rate|hide|rates
int CmdLibrary(TWorkspace& ws, TArgs& args) {
  const std::string sub = args.Next("list|download|publish|replace|delete|rate|hide|rates");
  static const std::vector<std::string> known = {"list",   "download", "publish", "replace",
                                                 "delete", "rate",     "hide",    "rates"};
  if (std::find(known.begin(), known.end(), sub) == known.end())
    throw TUsageError{fmt::format("Неизвестная команда library: {}", sub)};
  RequireCatalog(ws);
  TCatalogState& catalog = ws.Catalog();
  catalog.SetLibraryOn(true, false);
  if (sub == "list") {
    std::string value;
    int filter = catalog.Filter();
    while (!args.Empty()) {
      if (args.Option("--filter", value))
        filter = static_cast<int>(ParseRange(value, 0, ScriptFilterCount - 1, "--filter"));
      else args.ExpectEnd();
    }
    catalog.SetFilter(filter, false);
    if (!catalog.LoadScripts()) return 1;
    PrintCatalogRow(ScriptColumnCaptions, [](int c) { return std::string(ScriptColumnCaptions[c]); });
    for (const TScriptInfo& info : catalog.Scripts())
      PrintCatalogRow(ScriptColumnCaptions, [&](int c) { return ScriptCellText(info, c); });
    return 0;
  }
  ws.Script().LoadWorkingScript();
  if (sub == "publish") {
    TScriptData data = catalog.NewScriptData();
    if (!ReadScriptOptions(ws, args, data)) return 1;
    const int row = catalog.PublishScript(data);
    if (row < 0) return 1;
    std::printf("%d\n", catalog.Scripts()[row].Id);
    return 0;
  }
  // Every other command names a row of the whole list, hidden ones included.
  catalog.SetFilter(1, false);
  if (!catalog.LoadScripts()) return 1;
  const int row = ScriptRowById(ws, args.Next("ID"));
  if (sub == "download") {
    args.ExpectEnd();
    if (!catalog.Scripts()[row].Downloadable) {
      ws.Port().ShowError("Сценарий опубликован для другой программы!");
      return 1;
    }
    if (!catalog.DownloadScript(row)) return 1;
    std::printf("Строк сценария: %d\n", ws.Script().Count());
    return 0;
  }
  if (sub == "replace") {
    if (!catalog.Scripts()[row].Editable) {
      ws.Port().ShowError("Вы можете изменять только свои сценарии!");
      return 1;
    }
    TScriptData data = catalog.ScriptData(row);
    if (!ReadScriptOptions(ws, args, data)) return 1;
    return catalog.PublishScript(data) >= 0 ? 0 : 1;
  }
  if (sub == "delete") {
    if (args.Flag("--yes")) AnswerYes(ws);
    args.ExpectEnd();
    if (!catalog.Scripts()[row].Editable) {
      ws.Port().ShowError("Вы можете удалять только свои сценарии!");
      return 1;
    }
    return catalog.DeleteScript(row) ? 0 : 1;
  }
  if (sub == "rates") {
    args.ExpectEnd();
    const auto rates = catalog.ScriptRates(row);
    if (!rates) return 1;
    PrintCatalogRow(RateColumnCaptions, [](int c) { return std::string(RateColumnCaptions[c]); });
    for (const TScriptRate& rate : *rates)
      PrintCatalogRow(RateColumnCaptions, [&](int c) { return RateCellText(rate, c); });
    return 0;
  }
  int value = -1;
  std::string notes;
  if (sub == "rate") {
    value = static_cast<int>(ParseRange(args.Next("ОЦЕНКА"), 0, 5, "ОЦЕНКА"));
    args.Option("--notes", notes);
  }
  args.ExpectEnd();
  if (value == 0 && catalog.Scripts()[row].YourRating <= 0) {
    ws.Port().ShowError("Вы не оценивали этот сценарий!");
    return 1;
  }
  return catalog.RateScript(row, value, notes) ? 0 : 1;
}

// identity [ИМЯ ПОЧТА]: the name and e-mail the catalogues know the user by.
int CmdIdentity(TWorkspace& ws, TArgs& args) {
  if (args.Empty()) {
    std::printf("%s;%s\n", ws.Online().UserName().c_str(), ws.Online().UserMail().c_str());
    return 0;
  }
  const std::string name(Trim(args.Next("ИМЯ"))), mail(Trim(args.Next("ПОЧТА")));
  args.ExpectEnd();
  if (name.empty() || mail.empty()) throw TUsageError{"Имя и адрес электронной почты должны быть указаны"};
  if (!ws.Online().SaveIdentity(name, mail)) {
    ws.Port().ShowError("Не удалось сохранить параметры online-сервисов!");
    return 1;
  }
  return 0;
}

// --- Spreadsheet books: the book the window writes for a view ---

TXlsxTable GridBook(std::string title, TGridSource g) {
  TXlsxTable t;
  t.Title = std::move(title);
  for (int c = 0; c < g.Columns; ++c) t.Captions.push_back(g.Text(0, c));
  t.RowCount = static_cast<uint32_t>(std::max(0, g.Rows - 1));
  t.Backgrounds = true;
  // Column 0 is the row header: the window shows it without the grid's colours.
  t.Row = [g](uint32_t row, std::vector<std::string>& cells, std::vector<TXlsxColor>& colors) {
    const int r = static_cast<int>(row) + 1;
    for (int c = 0; c < g.Columns; ++c) {
      cells[size_t(c)] = g.Text(r, c);
      if (c > 0) colors[size_t(c)] = g.Color(r, c);
    }
  };
  return t;
}

// A table of `columns` captions whose cells come from cell(row, column).
TXlsxTable TextBook(std::string title, std::vector<std::string> captions, uint32_t rows,
                    std::function<std::string(uint32_t, int)> cell) {
  TXlsxTable t;
  t.Title = std::move(title);
  t.Captions = std::move(captions);
  t.RowCount = rows;
  t.Row = [cell = std::move(cell)](uint32_t row, std::vector<std::string>& cells, std::vector<TXlsxColor>&) {
    for (size_t c = 0; c < cells.size(); ++c) cells[c] = cell(row, static_cast<int>(c));
  };
  return t;
}

const std::vector<std::string> NumberCaptions = {"1", "2", "3", "4", "5", "S"};

std::vector<std::string> CaptionsAround(std::string first, std::string last) {
  std::vector<std::string> r{std::move(first)};
  r.insert(r.end(), NumberCaptions.begin(), NumberCaptions.end());
  if (!last.empty()) r.push_back(std::move(last));
  return r;
}

// The cells of a combination row: the numbers and their sum.
std::string CombCell(const TComb& comb, int column) {
  if (column < CombSize) return std::to_string(comb[size_t(column)]);
  int sum = 0;
  for (int n : comb) sum += n;
  return std::to_string(sum);
}

int CmdExportXlsx(TWorkspace& ws, TArgs& args) {
  const std::string view = args.Next("draws|combs|stats|card|layout|stakes|ratings");
  std::string source;
  if (view == "combs") source = args.Next("ФАЙЛ.lcv");
  if (view == "stats") source = args.Next("КОД");
  // The book is the last argument; the options of the view's text command come before it.
  std::vector<std::string> rest;
  while (!args.Empty()) rest.push_back(args.Next(""));
  if (rest.empty()) throw TUsageError{"Не указан параметр: ФАЙЛ.xlsx"};
  const std::string out = rest.back();
  rest.pop_back();
  TArgs options(rest);
  std::string value;

  TXlsxTable book;
  if (view == "draws") {
    bool sorted = false;
    while (!options.Empty()) {
      if (options.Flag("--sorted")) sorted = true;
      else options.ExpectEnd();
    }
    ws.LoadArchive();
    ws.Archive().SetSortedDraws(sorted);
    const TDrawsArchive& archive = ws.Archive();
    // Newest first, as the list shows them.
    book = TextBook("Архив тиражей", CaptionsAround("Тираж", "Дата тиража"), static_cast<uint32_t>(archive.Count()),
                    [&archive](uint32_t row, int c) {
                      const TDraw d = archive.Draw(archive.High() - static_cast<int>(row));
                      if (c == 0) return std::to_string(d.Number);
                      return c <= CombSize + 1 ? CombCell(d.Nums, c - 1) : d.DateText();
                    });
  } else if (view == "combs") {
    options.ExpectEnd();
    if (!ws.Combs().OpenFile(source)) return 1;
    const auto& list = ws.Combs().List();
    book = TextBook("Комбинации", CaptionsAround("№ п.п.", ""), list.Count(), [&list](uint32_t row, int c) {
      return c == 0 ? std::to_string(row + 1) : CombCell(list[row], c - 1);
    });
  } else if (view == "stats") {
    bool inList = false;
    if (!PrepareStatTable(ws, source, options, inList)) return 1;
    // The columns the window shows: the comparison columns only with the comparison, "В списке"
    // after "Значение".
    std::vector<int> columns;
    for (int c = 0; c < StatColumnCount; ++c) {
      if (c >= ColNorm && c <= ColDeviationPct && !ws.StatTab().PrefetchsEnabled()) continue;
      columns.push_back(c);
      if (c == ColValue && inList) columns.push_back(ColInList);
    }
    std::vector<std::string> captions;
    for (int c : columns) captions.emplace_back(c == ColInList ? InListCaption : StatColumnCaptions[size_t(c)]);
    const auto& rows = ws.StatTab().View().Rows();
    book = TextBook("Статистика", captions, static_cast<uint32_t>(rows.size()), [&rows, columns](uint32_t r, int c) {
      const int column = columns[size_t(c)];
      return column == ColInList ? rows[r].InList : rows[r].Cells[size_t(column)];
    });
  } else if (view == "card") {
    book = GridBook("Карта", CardSource(ws, options));
  } else if (view == "layout") {
    book = GridBook("Схема", LayoutSource(ws, options));
  } else if (view == "stakes") {
    options.ExpectEnd();
    ws.LoadArchive();
    if (!ws.Stakes().Load()) return 1;
    auto& journal = ws.Stakes().Journal();
    book = TextBook("Ставки", {StakeColumnCaptions.begin(), StakeColumnCaptions.end()},
                    static_cast<uint32_t>(journal.Count()), [&journal](uint32_t row, int c) {
                      return StakeCellText(journal.Read(TStakeOrigin::Begin, static_cast<int>(row)), c);
                    });
  } else if (view == "ratings") {
    auto& ratings = ws.Ratings();
    int mode = ratings.EffMode();
    while (options.Option("--mode", value)) mode = static_cast<int>(ParseRange(value, 0, 2, "--mode"));
    options.ExpectEnd();
    ratings.Load();
    book = TextBook("Рейтинг", {RatingColumnCaptions.begin(), RatingColumnCaptions.end()},
                    static_cast<uint32_t>(ratings.Ratings().Count()), [&ratings, mode](uint32_t row, int c) {
                      return RatingCellText(ratings.Ratings().Rows()[row], c, mode, ratings.Matches());
                    });
  } else {
    throw TUsageError{fmt::format("Неизвестный вид экспорта: {}", view)};
  }
  std::string error;
  if (!WriteXlsxBook(out, book, {}, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::printf("Выгружено строк: %u\n", book.RowCount);
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
  TOnlineOverrides online;
  for (std::string value;;) {
    if (args.Option("--data-dir", dataDir)) continue;
    if (args.Option("--catalog-url", value)) online.CatalogUrl = value;
    else if (args.Option("--update-url", value)) online.UpdateUrl = value;
    else if (args.Option("--ca-file", value)) online.CaFile = value;
    else break;
  }
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
      {"info", CmdInfo},       {"import-csv", CmdImportCsv}, {"export-csv", CmdExportCsv},
      {"config", CmdConfig},   {"stats", CmdStats},          {"values", CmdValues},
      {"window", CmdWindow},   {"filter", CmdFilter},        {"table", CmdTable},
      {"caches", CmdCaches},   {"script", CmdScript},        {"stakes", CmdStakes},
      {"ratings", CmdRatings}, {"regular", CmdRegular},      {"download", CmdDownload},
      {"card", CmdCard},       {"layout", CmdLayout},        {"layout-compare", CmdLayoutCompare},
      {"week", CmdWeek},       {"forecast", CmdForecast},    {"test", CmdTest},
      {"systems", CmdSystems}, {"graph", CmdGraph},          {"repeats", CmdRepeats},
      {"sums", CmdSums},       {"draw-info", CmdDrawInfo},   {"comb-info", CmdCombInfo},
      {"library", CmdLibrary}, {"identity", CmdIdentity}, {"update", CmdUpdate},
      {"export-xlsx", CmdExportXlsx}};
  const auto it = commands.find(command);
  if (it == commands.end()) throw TUsageError{fmt::format("Неизвестная команда: {}", command)};

  const auto dir = TWorkspace::ResolveDataDir(dataDir, ExecutableDir());
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "Не удалось создать папку данных \"%s\"!\n\n%s\n", dir.c_str(), kivra::SystemErrorText(ec.value()).c_str());
    return 1;
  }
  TCliPort port;
  TWorkspace ws(dir, port);
  ws.Online().SetOverrides(online);
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
