// The stake logs Kivra_5x45-<matches>.log: one line per stake the check completes, in the file for
// its match count, when the switch is on.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "core/LogTime.h"
#include "core/UserPort.h"
#include "stakes/StakeData.h"

namespace kivra {

class TStakeLogs {
 public:
  // Logs live in `folder` as <baseName>-%d.log; `clock` gives the time written on each line.
  TStakeLogs(TUserPort& port, std::filesystem::path folder, std::string baseName,
             std::function<TLogTime()> clock = LocalLogTime);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on) { enabled_ = on; }

  std::filesystem::path LogPath(int matches) const;
  // The line for a checked record (without the line end).
  std::string LogLine(const TStakeData& record) const;
  // Appends the record's line when the switch is on and the record is checked. A file past 256 MiB
  // is deleted first. Failures are reported and the check goes on.
  void Write(const TStakeData& record);
  // Deletes every log file, reporting the result (DeleteLogFiles).
  void DeleteAll();

  static constexpr uintmax_t MaxLogSize = 268435456;

 private:
  TUserPort& port_;
  std::filesystem::path folder_;
  std::string baseName_;
  std::function<TLogTime()> clock_;
  bool enabled_ = false;
};

}  // namespace kivra
