// The draws download: the operator's results archive fetched into the data folder, its result
// files extracted and merged into the archive, then the stakes checked.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "core/DrawsArchive.h"
#include "core/UserPort.h"
#include "workspace/StakeState.h"

namespace kivra {

class TDrawsDownload {
 public:
  // `saveArchive` writes the archive and refreshes its status panels (the workspace's own save).
  TDrawsDownload(TUserPort& port, std::filesystem::path dataDir, std::filesystem::path configPath,
                 TDrawsArchive& archive, TStakeState& stakes, std::function<bool()> saveArchive);
  TDrawsDownload(const TDrawsDownload&) = delete;
  TDrawsDownload& operator=(const TDrawsDownload&) = delete;

  // The address of the operator's results archive: [DOWNLOAD] "ResultsUrl" of the configuration
  // file; an address without a path gets the default path. Empty when none is configured.
  std::string ResultsUrl() const;
  // What the empty archive list shows: how to fill the archive (the download and where its
  // address goes, or the import).
  std::string EmptyArchiveHint() const;
  // The download command: busy, the download, then in every case the stake check and its view.
  // `keepGoing` is asked while the transfer runs (the shell processes its events there); false
  // cancels. The draws added.
  int Command(const std::string& url, const std::function<bool()>& keepGoing);
  // Fetches the results archive into the data folder, extracts its result files and merges them.
  int Download(const std::string& url, const std::function<bool()>& keepGoing);
  // Merges the result files of the data folder into the archive, in ascending order of their first
  // draw number; each file whose range holds the next draw number is read whole, then its draws
  // appended and the archive saved once. Every file is deleted after its turn. The draws added.
  int MergeResultFiles();

 private:
  TUserPort& port_;
  std::filesystem::path dataDir_;
  std::filesystem::path configPath_;
  TDrawsArchive& archive_;
  TStakeState& stakes_;
  std::function<bool()> saveArchive_;
};

}  // namespace kivra
