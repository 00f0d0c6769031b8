// A small reader of the books the program writes, for tests: the sheet names in order and each
// sheet's cells (type, text or value, number format, background), read with libzip from the
// package's XML parts.
#pragma once

#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kivra::test {

struct TXlsxCell {
  bool Number = false;           // a number cell ("n"); else a text cell
  std::string Text;              // the text, or the value as stored ("12.5")
  std::string Format;            // the number format code ("General", "0", "0.00")
  std::optional<uint32_t> Fill;  // a solid background, 0xRRGGBB
};

// The letters of a 0-based column ("A", ..., "Z", "AA", ...).
inline std::string XlsxColumnName(size_t column) {
  std::string name;
  for (size_t n = column + 1; n > 0; n = (n - 1) / 26) name.insert(name.begin(), char('A' + (n - 1) % 26));
  return name;
}

struct TXlsxSheet {
  std::string Name;
  std::map<std::string, TXlsxCell> Cells;  // by reference, "A1"
  int Rows = 0;  // the highest row that holds a cell (from the sheet's dimension when it has one)
  const TXlsxCell* At(const std::string& ref) const {
    auto it = Cells.find(ref);
    return it == Cells.end() ? nullptr : &it->second;
  }
  const TXlsxCell* At(size_t row, size_t column) const { return At(XlsxColumnName(column) + std::to_string(row + 1)); }
  // What the cell at a 0-based row and column shows: its text, or its number with the decimals of
  // its format ("0.00" -> 2); empty when there is no cell.
  std::string Shown(size_t row, size_t column) const {
    const TXlsxCell* cell = At(row, column);
    if (!cell) return {};
    if (!cell->Number) return cell->Text;
    const size_t point = cell->Format.find('.');
    const int decimals = point == std::string::npos ? 0 : static_cast<int>(cell->Format.size() - point - 1);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, std::stod(cell->Text));
    return text;
  }
};

class TXlsxReader {
 public:
  // Reads the cells of rows 1..maxRows of each sheet (a big book's first rows only).
  explicit TXlsxReader(const std::filesystem::path& file, int maxRows = 1 << 30) {
    int err = 0;
    zip_t* zip = zip_open(file.c_str(), ZIP_RDONLY, &err);
    if (!zip) throw std::runtime_error("not a zip: " + file.string());
    auto part = [zip](const std::string& name) {
      std::string data;
      zip_stat_t st;
      if (zip_stat(zip, name.c_str(), 0, &st) != 0) return data;
      zip_file_t* f = zip_fopen(zip, name.c_str(), 0);
      data.resize(st.size);
      zip_fread(f, data.data(), st.size);
      zip_fclose(f);
      return data;
    };
    const std::string workbook = part("xl/workbook.xml");
    ReadStyles(part("xl/styles.xml"));
    const std::string shared = part("xl/sharedStrings.xml");
    std::vector<std::string> strings;
    for (const std::string& si : Elements(shared, "si")) strings.push_back(InnerText(si));
    int index = 1;
    for (const std::string& tag : Tags(workbook, "sheet")) {
      TXlsxSheet sheet;
      sheet.Name = Unescape(Attribute(tag, "name"));
      ReadCells(part(Concat({"xl/worksheets/sheet", std::to_string(index++), ".xml"})), strings, maxRows, sheet);
      Sheets.push_back(std::move(sheet));
    }
    zip_close(zip);
  }

  std::vector<TXlsxSheet> Sheets;

 private:
  struct TStyle {
    std::string Format = "General";
    std::optional<uint32_t> Fill;
  };
  std::vector<TStyle> styles_;

  // The parts joined (written so rather than with "+", which g++ 12 warns about wrongly here).
  static std::string Concat(std::initializer_list<std::string_view> parts) {
    std::string r;
    for (std::string_view p : parts) r += p;
    return r;
  }
  // The opening tags "<name ...>" (or "<name .../>") in order.
  static std::vector<std::string> Tags(const std::string& xml, const std::string& name) {
    std::vector<std::string> r;
    for (size_t pos = 0; (pos = xml.find(Concat({"<", name}), pos)) != std::string::npos;) {
      const char next = xml[pos + name.size() + 1];
      const size_t end = xml.find('>', pos);
      if (next == ' ' || next == '>' || next == '/') r.push_back(xml.substr(pos, end - pos + 1));
      pos = end;
    }
    return r;
  }
  // Whole elements "<name ...>...</name>" (or self-closed ones) in order.
  static std::vector<std::string> Elements(const std::string& xml, const std::string& name) {
    std::vector<std::string> r;
    for (size_t pos = 0; (pos = xml.find(Concat({"<", name}), pos)) != std::string::npos;) {
      const char next = xml[pos + name.size() + 1];
      if (next != ' ' && next != '>' && next != '/') {
        ++pos;
        continue;
      }
      const size_t tagEnd = xml.find('>', pos);
      size_t end = tagEnd + 1;
      if (xml[tagEnd - 1] != '/') end = xml.find(Concat({"</", name, ">"}), pos) + name.size() + 3;
      r.push_back(xml.substr(pos, end - pos));
      pos = end;
    }
    return r;
  }
  static std::string Attribute(const std::string& tag, const std::string& name) {
    const size_t pos = tag.find(Concat({" ", name, "=\""}));
    if (pos == std::string::npos) return {};
    const size_t start = pos + name.size() + 3;
    return tag.substr(start, tag.find('"', start) - start);
  }
  static std::string Unescape(std::string s) {
    static const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (auto [from, to] : entities)
      for (size_t pos = 0; (pos = s.find(from, pos)) != std::string::npos; pos += std::string_view(to).size())
        s.replace(pos, std::string_view(from).size(), to);
    return s;
  }
  // The text of every <t> element inside.
  static std::string InnerText(const std::string& xml) {
    std::string text;
    for (const std::string& t : Elements(xml, "t")) {
      const size_t start = t.find('>') + 1;
      if (t[start - 2] != '/') text += t.substr(start, t.rfind("</t>") - start);
    }
    return Unescape(text);
  }

  void ReadStyles(const std::string& xml) {
    std::map<int, std::string> formats = {{0, "General"}, {1, "0"}, {2, "0.00"}};
    for (const std::string& tag : Tags(xml, "numFmt"))
      formats[std::atoi(Attribute(tag, "numFmtId").c_str())] = Unescape(Attribute(tag, "formatCode"));
    std::vector<std::optional<uint32_t>> fills;
    for (const std::string& fill : Elements(xml, "fill")) {
      std::optional<uint32_t> color;
      const auto fg = Tags(fill, "fgColor");
      if (fill.find("patternType=\"solid\"") != std::string::npos && !fg.empty()) {
        const std::string argb = Attribute(fg[0], "rgb");
        if (argb.size() == 8) color = static_cast<uint32_t>(std::stoul(argb.substr(2), nullptr, 16));
      }
      fills.push_back(color);
    }
    const auto xfs = Elements(xml, "cellXfs");
    if (xfs.empty()) return;
    for (const std::string& tag : Tags(xfs[0], "xf")) {
      TStyle style;
      style.Format = formats[std::atoi(Attribute(tag, "numFmtId").c_str())];
      const size_t fill = static_cast<size_t>(std::atoi(Attribute(tag, "fillId").c_str()));
      if (fill < fills.size()) style.Fill = fills[fill];
      styles_.push_back(style);
    }
  }

  void ReadCells(const std::string& xml, const std::vector<std::string>& strings, int maxRows,
                 TXlsxSheet& sheet) const {
    const auto dimension = Tags(xml.substr(0, xml.find("<sheetData")), "dimension");
    if (!dimension.empty()) {
      const std::string ref = Attribute(dimension[0], "ref");
      sheet.Rows = std::atoi(ref.substr(ref.find_last_not_of("0123456789") + 1).c_str());
    }
    // The cells of the rows wanted: the text before the first row past them.
    const size_t end = xml.find(Concat({"<row r=\"", std::to_string(maxRows + 1), "\""}));
    for (const std::string& c : Elements(end == std::string::npos ? xml : xml.substr(0, end), "c")) {
      const std::string tag = c.substr(0, c.find('>') + 1);
      TXlsxCell cell;
      const std::string type = Attribute(tag, "t");
      const size_t style = static_cast<size_t>(std::atoi(Attribute(tag, "s").c_str()));
      if (style < styles_.size()) cell.Format = styles_[style].Format, cell.Fill = styles_[style].Fill;
      const auto v = Elements(c, "v");
      const std::string value = v.empty() ? "" : v[0].substr(3, v[0].size() - 7);
      if (type == "inlineStr") cell.Text = InnerText(c);
      else if (type == "s") cell.Text = strings.at(static_cast<size_t>(std::atoi(value.c_str())));
      else if (type == "str") cell.Text = Unescape(value);
      else cell.Number = !v.empty(), cell.Text = value;
      const std::string ref = Attribute(tag, "r");
      const int row = std::atoi(ref.substr(ref.find_first_of("0123456789")).c_str());
      sheet.Rows = std::max(sheet.Rows, row);
      sheet.Cells[ref] = std::move(cell);
    }
  }
};

}  // namespace kivra::test
