// Local systems: ready-made covering designs kept one file per count of numbers in the folder
// Systems of the data folder, and their expansion over the numbers of a combination list.
#pragma once

#include <array>
#include <cstdint>
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
  int Nums = 0;                // N, the count of numbers expanded
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

// Reads the lines of a system's text: each non-blank line five positions 1..nums separated by any
// of " *+,-./:;=\_|~" (with `distinct`, five different ones). False with the reason (the line and
// what is wrong with it) at the first line that does not hold them.
bool ParseSystemText(std::string_view text, int nums, std::vector<TComb>& lines, std::string& error,
                     bool distinct = false);

// The file name without folder and extension, as the stake comments and logs show it.
std::string SystemShortName(const std::filesystem::path& file);

// One entry of the systems list (the catalogue's rows; the placeholder row when there is none).
struct TSystemInfo {
  int32_t Id = -1;  // -1: the placeholder row
  uint8_t Nums = 0;
  uint8_t Block = 0;
  int32_t Count = 0;
  std::string Title;
  std::string Author;
  std::string AuthorMail;
  std::string Description;
  TDateTime Created = 0;  // local time; 0: none
  int32_t Downloads = 0;
  TDateTime LastDownload = 0;
  std::string Url;
};
// The row shown when no list could be had.
TSystemInfo SystemPlaceholder();

// The list's columns: "Название", "Автор", "Числа", "Блок", "Комбинаций", "Дата создания",
// "Статус", "Загрузок", "Последняя", "Комментарии", "Ссылка".
inline constexpr int SystemColumnCount = 11;
extern const std::array<std::string_view, SystemColumnCount> SystemColumnCaptions;
// The text of a cell; `downloaded` says whether the system's local file exists.
std::string SystemCellText(const TSystemInfo& info, int column, bool downloaded);
// "yyyy-mm-dd hh:mm:ss"; empty for 0.
std::string SystemDateText(TDateTime t);

}  // namespace kivra
