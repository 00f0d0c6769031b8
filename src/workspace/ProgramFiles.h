// Names the program's files and settings take in its data folder.
#pragma once

#include <string_view>

namespace kivra {

// Every file of the data folder is named after the program: Kivra_5x45.ldr, .ini, .frm, .flt,
// Prefetchs/Kivra_5x45_<CODE>.dfc.
inline constexpr std::string_view ProgramBaseName = "Kivra_5x45";

// The section of the window-settings file that holds the state keys the engine itself reads and
// writes ("SortedDraws", "DrawsStatLen", "PrefetchsEnabled", "ShowTotalLine"); the main window
// keeps its own keys in the same section.
inline constexpr std::string_view StateSettingsSection = "TFormMain";

}  // namespace kivra
