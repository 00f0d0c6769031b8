// The merge of downloaded result files:
//   BM_MergeResultFile   a result file of 5,000 draws (newest first) merged into an empty archive:
//                        read, checked, appended and the archive saved once
#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "workspace/Workspace.h"

namespace kivra {
namespace {

class TQuietPort : public TUserPort {
 public:
  void ShowProgress(std::string_view) override {}
  bool Message(TMessageKind, std::string_view, std::string_view, bool defaultYes) override { return defaultYes; }
};

void BM_MergeResultFile(benchmark::State& state) {
  const auto dir = std::filesystem::temp_directory_path() / ("kivra-bench-merge-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string text = "header\r\n";
  for (int n = 5000; n >= 1; --n)
    text += fmt::format("{};{:02}.01.2024;0;0;{};{};{};{};{}\r\n", n, n % 28 + 1, n % 45 + 1, (n + 7) % 45 + 1,
                        (n + 14) % 45 + 1, (n + 21) % 45 + 1, (n + 28) % 45 + 1);
  TQuietPort port;
  TWorkspace ws(dir, port);
  ws.LoadSettingsAndConfig();
  int added = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ws.Archive().Clear();
    std::ofstream(dir / "Virma_Results__1-5000.csv", std::ios::binary) << text;
    state.ResumeTiming();
    added = ws.Download().MergeResultFiles();
  }
  state.counters["draws"] = added;
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_MergeResultFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kivra

BENCHMARK_MAIN();
