#include "workspace/DrawsDownload.h"

#include <atomic>
#include <chrono>
#include <future>

#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "core/SortaUtils.h"
#include "core/SysFormat.h"
#include "online/Http.h"
#include "online/ResultFiles.h"
#include "online/ZipExtract.h"

namespace kivra {

TDrawsDownload::TDrawsDownload(TUserPort& port, std::filesystem::path dataDir, std::filesystem::path configPath,
                               TDrawsArchive& archive, TStakeState& stakes, std::function<bool()> saveArchive)
    : port_(port),
      dataDir_(std::move(dataDir)),
      configPath_(std::move(configPath)),
      archive_(archive),
      stakes_(stakes),
      saveArchive_(std::move(saveArchive)) {}

namespace {
constexpr std::string_view DefaultResultsPath = "/mailbox/out/downloading_results/virma_csv.zip";
constexpr std::string_view DownloadProgress = "Загрузка архива тиражей...";
}  // namespace

std::string TDrawsDownload::ResultsUrl() const {
  std::string url;
  try {
    url = std::string(Trim(TIniFile::Load(configPath_).ReadString("DOWNLOAD", "ResultsUrl", "")));
  } catch (const std::exception&) {
    return {};
  }
  const size_t scheme = url.find("://");
  if (!url.empty() && (scheme == std::string::npos || url.find('/', scheme + 3) == std::string::npos)) {
    while (!url.empty() && url.back() == '/') url.pop_back();
    url += DefaultResultsPath;
  }
  return url;
}

std::string TDrawsDownload::EmptyArchiveHint() const {
  return SysFormat(
      "Архив тиражей пуст.\r\rЗагрузите тиражи с сайта лотереи: меню «Архив тиражей» → «Загрузка» (F3). Адрес "
      "архива указывается в файле %s, раздел [DOWNLOAD], ключ ResultsUrl.\r\rИли добавьте тиражи из файла: меню "
      "«Архив тиражей» → «Импорт из CSV-файла», или по одному: «Добавить».",
      {configPath_.string()});
}

int TDrawsDownload::Command(const std::string& url, const std::function<bool()>& keepGoing) {
  TBusyScope busy(port_, DownloadProgress);
  const int added = Download(url, keepGoing);
  stakes_.CheckAndFlush();
  stakes_.UpdateView(true, false);
  return added;
}

int TDrawsDownload::Download(const std::string& url, const std::function<bool()>& keepGoing) {
  port_.ShowProgress(DownloadProgress);
  if (url.empty()) {
    port_.ShowError(
        SysFormat("Ошибка загрузки файла с архивом тиражей!\r\rАдрес архива тиражей не задан: укажите его в файле "
                  "%s, раздел [DOWNLOAD], ключ ResultsUrl.",
                  {configPath_.string()}));
    return 0;
  }
  const std::filesystem::path zip = dataDir_ / "virma_csv.zip";
  THttpOptions options = BrowserLikeOptions();
  options.MaxBytes = uint64_t{256} << 20;
  // The transfer runs on a worker thread; this thread asks `keepGoing` every 50 ms (the window
  // repaints and hears "Отмена" there) and tells the transfer when to stop.
  std::atomic<bool> cancelled{false};
  options.Progress = [&cancelled](uint64_t, uint64_t) { return !cancelled.load(); };
  auto transfer = std::async(std::launch::async, [&] { return HttpGetToFile(url, zip, options); });
  while (transfer.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
    if (keepGoing && !cancelled && !keepGoing()) cancelled = true;
  const THttpResult got = transfer.get();
  if (!got.Ok) {
    port_.ShowError(SysFormat("Ошибка загрузки файла с архивом тиражей!\r\r%s", {got.Error}));
    return 0;
  }
  try {
    if (ExtractMatching(zip, dataDir_, ResultFilesMask).empty())
      throw std::runtime_error("в архиве нет файлов результатов");
  } catch (const std::exception& e) {
    std::error_code ignored;
    std::filesystem::remove(zip, ignored);
    port_.ShowError(SysFormat("Ошибка извлечения файлов из архива тиражей!\r\r%s", {ErrorText(e)}));
    return 0;
  }
  std::error_code ignored;
  std::filesystem::remove(zip, ignored);
  return MergeResultFiles();
}

int TDrawsDownload::MergeResultFiles() {
  int added = 0;
  try {
    for (const TResultFile& file : FindResultFiles(dataDir_)) {
      const int32_t next = archive_.Empty() ? 1 : archive_.NextDrawNumber(0);
      if (file.First <= next && next <= file.Last) {
        // The file is read and checked whole before anything of it is appended.
        const std::vector<TDraw> draws = ReadResultFile(file.Path, next, archive_);
        if (!draws.empty()) {
          port_.ShowProgress("Сохранение файла тиражей...");
          for (const TDraw& d : draws) archive_.Append(d);
          saveArchive_();
          added += static_cast<int>(draws.size());
        }
      }
      std::error_code ignored;
      std::filesystem::remove(file.Path, ignored);
    }
  } catch (const std::exception& e) {
    port_.ShowError(SysFormat("Ошибка обработки файла с архивом тиражей!\r\r%s", {ErrorText(e)}));
  }
  return added;
}

}  // namespace kivra
