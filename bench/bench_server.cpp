// kivra-server's full systems list over HTTP on 127.0.0.1, from a catalogue of 10,000 systems by
// 50 authors (titles and descriptions in Cyrillic, about 6 MB of reply):
//   BM_SystemsList              one client asking again and again; counter p95_ms is the 95th
//                               percentile of the requests' wall times
//   BM_SystemsListEightClients  eight clients asking at the same moment; counter worst_ms is the
//                               slowest of all their requests
//   BM_SystemsListChanged       as BM_SystemsList, with a download of a system (which changes its
//                               counter, so the list is built anew) before each list
// There is no reference here: the figures are absolute (make perf holds p95 <= 150 ms and the
// eight clients' worst <= 1 s).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <barrier>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "CatalogService.h"
#include "ServerProcess.h"
#include "TempDir.h"
#include "online/Catalog.h"
#include "online/Http.h"

namespace kivra {
namespace {

constexpr int SystemCount = 10000;

struct TCatalogServer {
  test::TTempDir dir;
  std::unique_ptr<test::TServerProcess> server;
  std::string url, form;

  TCatalogServer() {
    const std::string db = (dir / "catalog.db").string();
    { server::TCatalogService create(db); }
    {
      server::TDatabase fill(db);
      server::TTransaction transaction(fill);
      for (int u = 1; u <= 50; ++u)
        fill.Prepare("INSERT INTO users (id, mail, client_key, name) VALUES (?1, ?2, ?3, ?4)")
            .Bind(1, u)
            .Bind(2, "user" + std::to_string(u) + "@example.org")
            .Bind(3, "key" + std::to_string(u))
            .Bind(4, "Автор " + std::to_string(u))
            .Step();
      for (int i = 1; i <= SystemCount; ++i) {
        fill.Prepare(
                "INSERT INTO systems (id, owner, nums, olap, csize, title, descr, author, url, created, downloads, "
                "last_download) VALUES (?1, ?2, ?3, 2, 20, ?4, ?5, ?6, 'https://example.org/systems?id=1&x=<2>', "
                "1700000000, ?1, 1700000500)")
            .Bind(1, i)
            .Bind(2, i % 50 + 1)
            .Bind(3, 6 + i % 40)
            .Bind(4, "Система номер " + std::to_string(i) + " для игры")
            .Bind(5, "Описание системы номер " + std::to_string(i) +
                         ": покрывает четвёрки при угадывании пяти чисел из выбранных, проверено на архиве")
            .Bind(6, "Автор " + std::to_string(i % 50 + 1))
            .Step();
        std::string content;
        for (int k = 0; k < 20; ++k) content += "1 2 3 4 5\r\n";
        fill.Prepare("INSERT INTO system_contents (id, content) VALUES (?1, ?2)").Bind(1, i).Bind(2, content).Step();
      }
      transaction.Commit();
    }
    server = std::make_unique<test::TServerProcess>(dir, KIVRA_SERVER);
    TCatalogClient client;
    client.BaseUrl = server->Url();
    url = CatalogUrl(client, "sys_getlist.php");
    form = SystemsListForm(client);
  }

  bool Download(int32_t id) const {
    TCatalogClient client;
    client.BaseUrl = server->Url();
    return LoadSystemContent(client, id).Ok;
  }

  // The wall time of one list request in milliseconds; negative when it failed.
  double Ask() const {
    const auto start = std::chrono::steady_clock::now();
    const THttpResult reply = HttpPost(url, form, "application/x-www-form-urlencoded", THttpOptions());
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return reply.Ok && reply.Body.size() > 1000000 ? ms : -1;
  }
};

TCatalogServer& Catalog() {
  static TCatalogServer catalog;
  return catalog;
}

void BM_SystemsList(benchmark::State& state) {
  TCatalogServer& catalog = Catalog();
  if (catalog.Ask() < 0) return state.SkipWithError("kivra-server did not answer the list");
  std::vector<double> times;
  for (auto _ : state) {
    const double ms = catalog.Ask();
    if (ms < 0) return state.SkipWithError("a list request failed");
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  state.counters["p95_ms"] = times[std::min(times.size() - 1, times.size() * 95 / 100)];
  state.counters["median_ms"] = times[times.size() / 2];
}
BENCHMARK(BM_SystemsList)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(60);

void BM_SystemsListChanged(benchmark::State& state) {
  TCatalogServer& catalog = Catalog();
  std::vector<double> times;
  int32_t id = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const bool downloaded = catalog.Download(++id);
    state.ResumeTiming();
    const double ms = catalog.Ask();
    if (ms < 0 || !downloaded) return state.SkipWithError("a request failed");
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  state.counters["p95_ms"] = times[std::min(times.size() - 1, times.size() * 95 / 100)];
  state.counters["median_ms"] = times[times.size() / 2];
}
BENCHMARK(BM_SystemsListChanged)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

void BM_SystemsListEightClients(benchmark::State& state) {
  TCatalogServer& catalog = Catalog();
  if (catalog.Ask() < 0) return state.SkipWithError("kivra-server did not answer the list");
  double worst = 0;
  bool failed = false;
  for (auto _ : state) {
    std::vector<double> times(8);
    std::barrier start(8);
    std::vector<std::thread> clients;
    for (int c = 0; c < 8; ++c)
      clients.emplace_back([&, c] {
        start.arrive_and_wait();
        times[c] = catalog.Ask();
      });
    for (auto& t : clients) t.join();
    for (const double t : times) {
      failed = failed || t < 0;
      worst = std::max(worst, t);
    }
  }
  if (failed) return state.SkipWithError("a list request failed");
  state.counters["worst_ms"] = worst;
}
BENCHMARK(BM_SystemsListEightClients)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
}  // namespace kivra

BENCHMARK_MAIN();
