// Script files of 10,000 lines (the size a long back-test script reaches), read and written, and
// every line read field by field as the script list and the checker read them:
//   BM_ReadScriptFile          the file's bytes to lines (cp1251 to UTF-8, line ends)
//   BM_WriteScriptFile         lines to the file (UTF-8 to cp1251, CR LF), replacing it atomically
//   BM_ReadAllCommands         options, commands and comment of every line, codes resolved in a
//                              hash of the registry's codes
//   BM_ReadAllCommandsReference  the same with the registry's linear search per code
#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

#include "core/FileUtils.h"
#include "core/UserPort.h"
#include "scripts/ScriptFile.h"
#include "scripts/ScriptText.h"
#include "stats/StatList.h"

namespace kivra {
namespace {

constexpr int LineCount = 10000;

std::vector<std::string> MakeScript() {
  std::vector<std::string> lines;
  lines.reserve(LineCount);
  const char* codes[] = {"SUMS", "EVEN", "NUMS", "CHN3", "KNM2", "SDV2", "PRDV"};
  for (int i = 0; i < LineCount; ++i) {
    if (i % 50 == 49) {
      lines.emplace_back();
      continue;
    }
    TScriptLineText line;
    line.Options = "EXCL:" + std::to_string(i % 9) + "#RAND#NEX";
    for (int k = 0; k < 4; ++k)
      line.Commands[(i + k) % ScriptCommandCount] =
          std::string("TSD1#") + codes[(i + k) % 7] + ":10,20,30#LMV:3#SF:0" + (k == 3 ? "#1:-1:0.5:0:1" : "");
    line.Comment = "Прогноз, строка " + std::to_string(i + 1);
    lines.push_back(WriteScriptLine(line));
  }
  return lines;
}

std::filesystem::path BenchFile() {
  return std::filesystem::temp_directory_path() / ("kivra-bench-script-" + std::to_string(getpid()) + ".lsc");
}

void BM_ReadScriptFile(benchmark::State& state) {
  const auto file = BenchFile();
  WriteFileAtomic(file, ScriptBytesFromLines(MakeScript()));
  TRecordingPort port;
  for (auto _ : state) {
    std::vector<std::string> lines;
    LoadScriptFile(file, lines, port);
    benchmark::DoNotOptimize(lines.data());
    port.Progress.clear();
  }
  std::filesystem::remove(file);
}
BENCHMARK(BM_ReadScriptFile)->Unit(benchmark::kMillisecond);

void BM_WriteScriptFile(benchmark::State& state) {
  const auto file = BenchFile();
  const auto lines = MakeScript();
  TRecordingPort port;
  for (auto _ : state) {
    SaveScriptFile(file, lines, port);
    port.Progress.clear();
  }
  std::filesystem::remove(file);
}
BENCHMARK(BM_WriteScriptFile)->Unit(benchmark::kMillisecond);

struct TRegistry {
  TDrawsArray draws;
  TStatList list;
  TRegistry() {
    list.SetDraws(&draws);
    list.Build();
  }
};

void BM_ReadAllCommands(benchmark::State& state) {
  TRegistry registry;
  const auto lines = MakeScript();
  for (auto _ : state) {
    const TMethodLookup methods(registry.list);
    size_t resolved = 0;
    for (const auto& text : lines) {
      const TScriptLineText line = ReadScriptLine(text);
      benchmark::DoNotOptimize(ReadOptions(line.Options));
      for (const auto& command : line.Commands) resolved += ReadFilterItem(command, methods).Method >= 0;
    }
    benchmark::DoNotOptimize(resolved);
  }
}
BENCHMARK(BM_ReadAllCommands)->Unit(benchmark::kMillisecond);

void BM_ReadAllCommandsReference(benchmark::State& state) {
  TRegistry registry;
  const auto lines = MakeScript();
  for (auto _ : state) {
    size_t resolved = 0;
    for (const auto& text : lines) {
      const TScriptLineText line = ReadScriptLine(text);
      benchmark::DoNotOptimize(ReadOptions(line.Options));
      for (const auto& command : line.Commands) {
        const std::string_view stat = ScriptWord(command, "#", 2);
        resolved += registry.list.FindCode(stat.substr(0, stat.find(':'))) >= 0;
      }
    }
    benchmark::DoNotOptimize(resolved);
  }
}
BENCHMARK(BM_ReadAllCommandsReference)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kivra

BENCHMARK_MAIN();
