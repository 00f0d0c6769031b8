// The systems state: the "Системы" tab's switch "SystemsEnabled" and its list (the placeholder row
// until the catalogue fills it), and system play from the local folder Systems: the expansion of the
// combination list's distinct numbers and the stakes of kind 4 made from it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/UserPort.h"
#include "core/WindowSettings.h"
#include "stakes/CoverDesign.h"
#include "stakes/Systems.h"
#include "workspace/CombState.h"
#include "workspace/StakeState.h"

namespace kivra {

enum class TSystemPlayMode { All, Filter };

class TSystemState {
 public:
  TSystemState(TUserPort& port, std::filesystem::path dataDir, TCombState& combs, TStakeState& stakes,
               TWindowSettings& settings);
  TSystemState(const TSystemState&) = delete;
  TSystemState& operator=(const TSystemState&) = delete;

  std::filesystem::path Folder() const { return SystemsFolder(dataDir_); }

  // "SystemsEnabled" (default on), read at creation; SetEnabled writes it at once.
  void LoadSettings();
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);

  // The list's rows. LoadList puts the placeholder row when no catalogue gives a list.
  const std::vector<TSystemInfo>& Rows() const { return rows_; }
  // The catalogue state fills and edits the rows.
  std::vector<TSystemInfo>& MutableRows() { return rows_; }
  void LoadList();
  void ClearList() { rows_.clear(); }
  // Whether the row's system is in the local folder.
  bool Downloaded(const TSystemInfo& info) const;

  // System play, step 1: the local system over the list's distinct numbers (busy "Подождите
  // пожалуйста..."); nothing after the long message when there is none.
  std::optional<TSystemExpansion> ExpandList();
  // The comment the stake dialog is prefilled with.
  static std::string PlayComment(TSystemPlayMode mode, const TSystemExpansion& system);
  // Steps 3 and 4: one kind-4 stake per system combination (sorted ascending; in mode Filter only
  // those the list holds) for `draws` draws from `drawNumber`; stops at the first failure; then,
  // when no add failed, the check and the view. False when an add failed.
  bool Play(TSystemPlayMode mode, const TSystemExpansion& system, int32_t drawNumber, int draws,
            const std::string& comment);

  // --- Own systems ---
  // The count of distinct numbers of the combination list: the N a new system is made for.
  int ListNumberCount() const;
  // The search for a system with the guarantee; refused with the message shown when the
  // parameters or the budget are out of range. The result holds a design only when it passed the
  // exhaustive check.
  std::optional<TCoverResult> Make(const TCoverSpec& wanted, const TCoverOptions& options, TCoverObserver* observer);
  // The local file an own system for N is written to: "5-NN-0_0000.dat".
  std::filesystem::path OwnFile(int nums) const;
  // Writes the design as the local system for N, after checking it again; asks before it replaces
  // another system of that N (whose files then go). False when nothing was written.
  bool SaveOwn(const TCoverSpec& wanted, std::span<const TComb> blocks);

 private:
  TUserPort& port_;
  std::filesystem::path dataDir_;
  TCombState& combs_;
  TStakeState& stakes_;
  TWindowSettings& settings_;
  bool enabled_ = true;
  std::vector<TSystemInfo> rows_;
};

}  // namespace kivra
