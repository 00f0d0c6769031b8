// Generation of a new combination list: the full set, or the subsets defined by the user's own
// numbers, in lexicographic order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/SortaUtils.h"

namespace kivra {

class TCombList;

// The generation parameters: the mode and, for modes 1-3, the user's numbers separated by ",",
// ";" or blanks; for mode 4 a file name.
struct TGenParams {
  uint8_t Mode = 0;
  std::string Param;  // at most MaxGenParamLength characters
};
inline constexpr size_t MaxGenParamLength = 255;

enum : uint8_t {
  GenFullSet = 0,     // every combination (also any mode outside 1..4)
  GenAnyOfMine = 1,   // at least one of the user's numbers
  GenOnlyMine = 2,    // all five numbers are the user's
  GenNoneOfMine = 3,  // none of the user's numbers
  GenFromFile = 4,    // the combinations of a file
};

// The user's numbers: the text split at runs of ",", ";" or blanks, each word read as an integer
// (0 when it is not one); values 0..255 enter the set, others are ignored.
TNumSet ParseUserNumbers(std::string_view text);

// Why the parameters of modes 1-3 cannot make a useful list, or an empty text when they can (and
// for the other modes). Only numbers 1..45 count: mode 1 needs one, mode 2 five, and mode 3 must
// name one and leave at least five outside.
std::string GenNumbersProblem(const TGenParams& params);

// Replaces the list's entries with those of mode 0..3 (any other mode but 4 counts as 0), in
// lexicographic order. The list's storage grows to FullSetSize when it is smaller.
void GenerateCombs(TCombList& list, uint8_t mode, const TNumSet& numbers);

// The parameter text cut to MaxGenParamLength characters (UTF-8 characters, not bytes).
std::string CutGenParam(std::string_view text);

}  // namespace kivra
