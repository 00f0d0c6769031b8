// The card ("Карта"): the whole archive as a grid of draws by numbers. Row 0 is the header (the
// numbers 1..45 in columns 1..45, the corner empty); row r >= 1 is the draw High - r + 1, newest
// first, whatever the offset: column 0 its draw number, column n the text of n when the draw holds
// it. Every cell is answered in constant time, so a model can read the archive on demand.
#pragma once

#include <cstdint>
#include <string>

#include "core/DrawsArchive.h"
#include "views/ViewColors.h"

namespace kivra {

constexpr int CardColumnCount = MaxNumber + 1;

struct TCardOptions {
  bool Channels = true;   // "ColorCard": channel colours
  bool Sequences = true;  // "ColorCardSequences": repeat and neighbour colours
  int32_t ChannelSize = 5;
};

// count + 1 rows; 2 for an empty archive (its row 1 cleared).
int CardRowCount(const TDrawsArchive& archive);
// The archive index of a data row (row >= 1), or -1 outside the archive.
int CardDrawIndex(const TDrawsArchive& archive, int row);
// True when the draw holds n (numbers outside 1..45 are never shown).
bool CardHolds(const TDraw& draw, int n);
std::string CardCellText(const TDrawsArchive& archive, int row, int column);
// The background of a data cell (row >= 1, column 1..45); header cells: the normal colour.
//   sequences on and the cell holds its number: repeated in the data row above or below and with a
//   number in the column beside it: yellow; repeated only: lime; neighbour only: aqua;
//   otherwise channels on: NumberColor of the column's number (empty cells too); else normal.
TCellColor CardCellColor(const TDrawsArchive& archive, int row, int column, const TCardOptions& options);

}  // namespace kivra
