// Local systems: ready-made covering designs kept one file per count of numbers in the folder
// Systems of the data folder, and their expansion over the numbers of a combination list.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "core/SortaUtils.h"

namespace kivra {

// The folder of the downloaded systems.
std::filesystem::path SystemsFolder(const std::filesystem::path& dataDir);
// "5-%.2d-%d_%.4d.dat": combination length, N (the count of numbers), block size and catalogue id.
std::string SystemFileName(int nums, int block, int id);
// The mask of the files of every system for N numbers: "5-%.2d-*_*.dat".
std::string SystemFileMask(int nums);

// One system applied to concrete numbers.
struct TSystemExpansion {
  bool Ok = false;
  std::vector<TComb> Combs;    // in file order, each in the order of its line's positions
  std::filesystem::path File;  // the system's file
  std::string Message;         // the reason of a failure, short (a script writes it to its log)
  std::string LongMessage;     // the same as system play shows it
};

// Expands the local system for N = numbers.size(): the first file of the folder matching the mask
// for N (by name); each non-blank line holds five positions 1..N separated by any of
// " *+,-./:;=\_|~", and position k stands for numbers[k-1]. Fails when there is no file, a line
// does not hold five such positions, or no line does.
TSystemExpansion SystemExpand(const std::filesystem::path& folder, std::span<const uint8_t> numbers);

// The file name without folder and extension, as the stake comments and logs show it.
std::string SystemShortName(const std::filesystem::path& file);

}  // namespace kivra
