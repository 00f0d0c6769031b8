// Names the program's files and settings take in its data folder.
#pragma once

#include <filesystem>
#include <string_view>

namespace kivra {

// Every file of the data folder is named after the program: Kivra_5x45.ldr, .ini, .frm, .flt,
// Prefetchs/Kivra_5x45_<CODE>.dfc.
inline constexpr std::string_view ProgramBaseName = "Kivra_5x45";

// The section of the window-settings file that holds the state keys the engine itself reads and
// writes ("SortedDraws", "DrawsStatLen", "PrefetchsEnabled", "ShowTotalLine"); the main window
// keeps its own keys in the same section.
inline constexpr std::string_view StateSettingsSection = "TFormMain";

// The folder of the program's shared files ("help", "lang"): beside the program, in its parent
// folder (a build tree), or in ../share/Kivra_5x45/ of an installed program. Empty when none
// exists.
std::filesystem::path ProgramResourceDir(const std::filesystem::path& executableDir, std::string_view name);

// True when the program runs from an installed tree: <prefix>/bin beside <prefix>/share/Kivra_5x45.
bool InstalledProgram(const std::filesystem::path& executableDir);

}  // namespace kivra
