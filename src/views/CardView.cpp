#include "views/CardView.h"

namespace kivra {

int CardRowCount(const TDrawsArchive& archive) { return archive.Empty() ? 2 : archive.Count() + 1; }

int CardDrawIndex(const TDrawsArchive& archive, int row) {
  const int index = archive.High() - row + 1;
  return row >= 1 && index >= 0 && index <= archive.High() ? index : -1;
}

bool CardHolds(const TDraw& draw, int n) {
  if (n < 1 || n > MaxNumber) return false;
  for (uint8_t x : draw.Nums)
    if (x == n) return true;
  return false;
}

std::string CardCellText(const TDrawsArchive& archive, int row, int column) {
  if (column < 0 || column >= CardColumnCount) return {};
  if (row == 0) return column == 0 ? std::string() : std::to_string(column);
  const int index = CardDrawIndex(archive, row);
  if (index < 0) return {};
  const TDraw& d = archive.Stored(index);
  if (column == 0) return std::to_string(d.Number);
  return CardHolds(d, column) ? std::to_string(column) : std::string();
}

TCellColor CardCellColor(const TDrawsArchive& archive, int row, int column, const TCardOptions& options) {
  if (row < 1 || column < 1 || column > MaxNumber) return std::nullopt;
  const int index = CardDrawIndex(archive, row);
  if (options.Sequences && index >= 0) {
    const TDraw& d = archive.Stored(index);
    if (CardHolds(d, column)) {
      // The row above is the newer draw (index + 1), the row below the older one; the header row
      // and column 0 are no neighbours.
      const bool repeat = (index < archive.High() && CardHolds(archive.Stored(index + 1), column)) ||
                          (index > 0 && CardHolds(archive.Stored(index - 1), column));
      const bool neighbour = CardHolds(d, column - 1) || CardHolds(d, column + 1);
      if (repeat && neighbour) return RgbYellow;
      if (repeat) return RgbLime;
      if (neighbour) return RgbAqua;
    }
  }
  if (options.Channels) return ColorToRgb(NumberColor(column, options.ChannelSize));
  return std::nullopt;
}

}  // namespace kivra
