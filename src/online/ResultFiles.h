// The operator's result files "Virma_Results__<first>-<last>.csv": finding them, their draw ranges
// and reading the draws that follow the archive.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "core/DrawsArchive.h"

namespace kivra {

inline constexpr std::string_view ResultFilesMask = "Virma_Results__*.csv";

struct TResultFile {
  std::filesystem::path Path;
  int32_t First = 0;
  int32_t Last = 0;
};

// The range of a result file's name: the part after "Virma_Results__" and before the extension,
// split at "-" (the first two non-empty pieces, trimmed; 0 when not an integer).
TResultFile ResultFileRange(const std::filesystem::path& path);
// The result files of the folder in ascending order of their first draw number (ties by name).
std::vector<TResultFile> FindResultFiles(const std::filesystem::path& folder);

// The draws of a result file (a header line, then one draw per line, newest first) from `next` on:
// reading stops at the first number below `next`. Lines of 8 fields or fewer, numbers that are not
// five different numbers 1..45, and draw numbers the archive or the file already has are skipped.
// The draws come back in ascending order. Throws TFileError when the file cannot be read.
std::vector<TDraw> ReadResultFile(const std::filesystem::path& path, int32_t next, const TDrawsArchive& archive);

}  // namespace kivra
