// INI files as the configuration and window-settings files use them: cp1251 on disk, CR LF,
// section and key names compared without regard to case (ASCII and Cyrillic letters), the order of
// sections and keys kept, unknown sections and keys kept, comments and blank lines kept.
//
// The format: "[Name]" opens a section (the name runs to the last "]"); "key=value" inside a
// section sets a key (name and value trimmed of blanks, the value is everything after the first
// "="). Lines before the first section, comments (";" or "#" first), blank lines and lines without
// "=" are kept as they are. A line that is not changed is written back exactly as it was read,
// apart from the line end, which is always CR LF.
//
// Duplicates: when a section name appears twice, lookups and writes use the first one and the
// later ones are only kept for writing back; the same holds for a key that appears twice in a
// section. EraseSection removes every section of the name and EraseKey every copy of the key in
// the section that lookups use, so that nothing erased resurfaces.
//
// Names given to the methods are treated like names read from a file: blanks around them are
// dropped, CR and LF become spaces, and in key names "=" becomes a space and a leading "[", ";" or
// "#" becomes "_". Values have CR and LF replaced by spaces and blanks around them dropped. So no
// name or value can break the file, and what is written reads back the same after Save and Load.
// A key name that is empty after this is not written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kivra {

class TIniFile {
 public:
  TIniFile() = default;

  // Parses text that is already UTF-8. Lines may end in CR LF, LF or CR.
  static TIniFile FromText(std::string_view utf8);
  // Reads the file (cp1251). A missing file gives an empty object; other failures throw TFileError.
  static TIniFile Load(const std::filesystem::path& path);

  // The text as UTF-8 with CR LF line ends.
  std::string ToText() const;
  // Writes the file atomically in cp1251. Throws TFileError.
  void Save(const std::filesystem::path& path) const;

  bool SectionExists(std::string_view section) const;
  bool KeyExists(std::string_view section, std::string_view key) const;
  // The raw value, if the key exists (the first one when a key appears twice).
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // Decimal, or hexadecimal after "0x"/"0X"/"$", with an optional sign; surrounding blanks allowed.
  // The default when missing, malformed or outside the int64_t range.
  int64_t ReadInteger(std::string_view section, std::string_view key, int64_t def) const;
  // True when the integer value is not 0; the default when missing or not an integer.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  // Sets a key, adding the section at the end and the key at the end of its section when missing.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);  // 1 or 0

  void EraseKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);

  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(std::string_view section) const;

 private:
  struct TLine {
    std::string key;    // empty for a comment or blank line
    std::string value;  // the value, or the whole raw line when key is empty
    std::string raw;    // a key line as read, written back while unchanged; empty once rewritten
  };
  struct TSection {
    std::string name;
    std::string header;  // the header line as read; empty for a section added by a write
    std::vector<TLine> lines;
    std::unordered_map<std::string, size_t> index;  // folded key -> first line with it
  };

  // `section` is a name already cleaned by the caller.
  const TSection* FindSection(std::string_view section) const;
  TSection* FindSection(std::string_view section);
  TSection& AddSection(std::string_view section);
  // `section` and `key` are names already cleaned by the caller.
  const TLine* FindLine(std::string_view section, std::string_view key) const;
  // Rebuilds the section index after sections were removed or parsed.
  void Reindex();
  // Rebuilds the key index of one section after lines were removed or parsed.
  static void IndexKeys(TSection& section);

  std::vector<TLine> preamble_;  // lines before the first section
  std::vector<TSection> sections_;
  std::unordered_map<std::string, size_t> sectionIndex_;  // folded name -> position
};

// Folds a name for case-insensitive comparison: lowercases A-Z and the capital Cyrillic letters
// that cp1251 can hold (А-Я, Ё, the other letters of U+0400..U+040F, Ґ) in UTF-8 text. Every other
// byte, including malformed UTF-8, is kept.
std::string FoldName(std::string_view name);

}  // namespace kivra
