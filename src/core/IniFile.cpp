#include "core/IniFile.h"

#include <algorithm>
#include <limits>
#include <system_error>
#include <utility>

#include "core/FileUtils.h"
#include "core/TextCodec.h"

namespace kivra {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

bool IsBlankLine(std::string_view text) { return text.find_first_not_of(kBlanks) == std::string_view::npos; }

// CR and LF would end the line in the file; they become spaces.
std::string Flatten(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), '\r', ' ');
  std::replace(out.begin(), out.end(), '\n', ' ');
  return out;
}

std::string CleanSection(std::string_view section) { return std::string(Trim(Flatten(section))); }

std::string CleanValue(std::string_view value) { return std::string(Trim(Flatten(value))); }

// A key must not hold "=" (it would end the key) nor start like a comment or a section header.
std::string CleanKey(std::string_view key) {
  std::string flat = Flatten(key);
  std::replace(flat.begin(), flat.end(), '=', ' ');
  std::string out(Trim(flat));
  if (!out.empty() && (out[0] == '[' || out[0] == ';' || out[0] == '#')) out[0] = '_';
  return out;
}

// Decimal, or hexadecimal after "0x", "0X" or "$", with an optional sign, within int64_t.
bool ParseInteger(std::string_view text, int64_t& result) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  unsigned base = 10;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  } else if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  }
  if (text.empty()) return false;

  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  uint64_t magnitude = 0;
  for (const char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return false;
    }
    if (magnitude > (limit - digit) / base) return false;
    magnitude = magnitude * base + digit;
  }
  if (!negative) {
    result = static_cast<int64_t>(magnitude);
  } else if (magnitude == uint64_t{1} << 63) {
    result = std::numeric_limits<int64_t>::min();
  } else {
    result = -static_cast<int64_t>(magnitude);
  }
  return true;
}

}  // namespace

std::string FoldName(std::string_view name) {
  std::string out(name);
  for (size_t i = 0; i < out.size(); ++i) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (b >= 'A' && b <= 'Z') {
      out[i] = static_cast<char>(b + ('a' - 'A'));
    } else if (b == 0xD0 && i + 1 < out.size()) {
      // U+0400..U+042F: D0 80..D0 AF. A lead byte can never be a continuation byte, so a D0
      // seen here always starts a character.
      const auto c = static_cast<unsigned char>(out[i + 1]);
      if (c >= 0x80 && c <= 0x8F) {  // Ѐ..Џ (Ё, Ђ, Є, І, Ї, Ў...) -> U+0450..U+045F: D1 90..D1 9F
        out[i] = static_cast<char>(0xD1);
        out[i + 1] = static_cast<char>(c + 0x10);
      } else if (c >= 0x90 && c <= 0x9F) {  // А..П -> а..п: D0 B0..D0 BF
        out[i + 1] = static_cast<char>(c + 0x20);
      } else if (c >= 0xA0 && c <= 0xAF) {  // Р..Я -> р..я: D1 80..D1 8F
        out[i] = static_cast<char>(0xD1);
        out[i + 1] = static_cast<char>(c - 0x20);
      }
      if (c >= 0x80 && c <= 0xBF) ++i;  // malformed text: the next byte gets its own turn
    } else if (b == 0xD2 && i + 1 < out.size() && static_cast<unsigned char>(out[i + 1]) == 0x90) {
      out[i + 1] = static_cast<char>(0x91);  // Ґ -> ґ
      ++i;
    }
  }
  return out;
}

TIniFile TIniFile::FromText(std::string_view utf8) {
  if (utf8.starts_with(kUtf8Bom)) utf8.remove_prefix(kUtf8Bom.size());

  TIniFile ini;
  TSection* current = nullptr;
  size_t pos = 0;
  while (pos < utf8.size()) {
    size_t end = utf8.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = utf8.size();
    const std::string_view line = utf8.substr(pos, end - pos);
    pos = end;
    if (pos < utf8.size()) {
      pos += (utf8[pos] == '\r' && pos + 1 < utf8.size() && utf8[pos + 1] == '\n') ? 2 : 1;
    }

    const std::string_view trimmed = Trim(line);
    const size_t close = trimmed.starts_with('[') ? trimmed.rfind(']') : std::string_view::npos;
    if (close != std::string_view::npos) {
      ini.sections_.push_back(TSection{std::string(Trim(trimmed.substr(1, close - 1))), std::string(line), {}, {}});
      current = &ini.sections_.back();
      continue;
    }
    std::vector<TLine>& lines = current != nullptr ? current->lines : ini.preamble_;
    const size_t equals = trimmed.find('=');
    // A key never starts with ";", "#" or "[": such lines are comments, or a header missing its
    // "]", and are kept as they are.
    const bool isKeyLine = !trimmed.empty() && trimmed[0] != ';' && trimmed[0] != '#' && trimmed[0] != '[' &&
                           equals != std::string_view::npos;
    if (current != nullptr && isKeyLine) {
      const std::string_view key = Trim(trimmed.substr(0, equals));
      if (!key.empty()) {
        lines.push_back(TLine{std::string(key), std::string(Trim(trimmed.substr(equals + 1))), std::string(line)});
        continue;
      }
    }
    lines.push_back(TLine{{}, std::string(line), {}});
  }

  for (TSection& section : ini.sections_) IndexKeys(section);
  ini.Reindex();
  return ini;
}

TIniFile TIniFile::Load(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::status(path, error).type() == std::filesystem::file_type::not_found) return {};
  const std::string bytes = ReadWholeFile(path);
  // A file that an editor saved as UTF-8 with a signature is read as UTF-8; Save writes it back in
  // cp1251 like every other file.
  if (std::string_view(bytes).starts_with(kUtf8Bom)) return FromText(bytes);
  return FromText(Cp1251ToUtf8(bytes));
}

std::string TIniFile::ToText() const {
  std::string out;
  const auto appendLine = [&out](const TLine& line) {
    if (line.key.empty()) {
      out += line.value;
    } else if (!line.raw.empty()) {
      out += line.raw;
    } else {
      out += line.key;
      out += '=';
      out += line.value;
    }
    out += "\r\n";
  };
  for (const TLine& line : preamble_) appendLine(line);
  for (const TSection& section : sections_) {
    if (section.header.empty()) {
      out += '[';
      out += section.name;
      out += ']';
    } else {
      out += section.header;
    }
    out += "\r\n";
    for (const TLine& line : section.lines) appendLine(line);
  }
  return out;
}

void TIniFile::Save(const std::filesystem::path& path) const { WriteFileAtomic(path, Utf8ToCp1251(ToText())); }

const TIniFile::TSection* TIniFile::FindSection(std::string_view section) const {
  const auto it = sectionIndex_.find(FoldName(section));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

TIniFile::TSection* TIniFile::FindSection(std::string_view section) {
  return const_cast<TSection*>(std::as_const(*this).FindSection(section));
}

TIniFile::TSection& TIniFile::AddSection(std::string_view section) {
  // A blank line keeps the new section apart from whatever comes before it.
  std::vector<TLine>& last = sections_.empty() ? preamble_ : sections_.back().lines;
  const bool fileEmpty = sections_.empty() && preamble_.empty();
  if (!fileEmpty && (last.empty() || !last.back().key.empty() || !IsBlankLine(last.back().value))) {
    last.push_back(TLine{});
  }
  sections_.push_back(TSection{std::string(section), {}, {}, {}});
  sectionIndex_.emplace(FoldName(section), sections_.size() - 1);
  return sections_.back();
}

const TIniFile::TLine* TIniFile::FindLine(std::string_view section, std::string_view key) const {
  const TSection* found = FindSection(section);
  if (found == nullptr) return nullptr;
  const auto it = found->index.find(FoldName(key));
  return it == found->index.end() ? nullptr : &found->lines[it->second];
}

void TIniFile::Reindex() {
  sectionIndex_.clear();
  sectionIndex_.reserve(sections_.size());
  for (size_t i = 0; i < sections_.size(); ++i) sectionIndex_.emplace(FoldName(sections_[i].name), i);
}

void TIniFile::IndexKeys(TSection& section) {
  section.index.clear();
  for (size_t i = 0; i < section.lines.size(); ++i) {
    if (!section.lines[i].key.empty()) section.index.emplace(FoldName(section.lines[i].key), i);
  }
}

bool TIniFile::SectionExists(std::string_view section) const { return FindSection(CleanSection(section)) != nullptr; }

bool TIniFile::KeyExists(std::string_view section, std::string_view key) const {
  return FindLine(CleanSection(section), CleanKey(key)) != nullptr;
}

std::optional<std::string> TIniFile::Value(std::string_view section, std::string_view key) const {
  const TLine* line = FindLine(CleanSection(section), CleanKey(key));
  if (line == nullptr) return std::nullopt;
  return line->value;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  const TLine* line = FindLine(CleanSection(section), CleanKey(key));
  return line != nullptr ? line->value : std::string(def);
}

int64_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int64_t def) const {
  const TLine* line = FindLine(CleanSection(section), CleanKey(key));
  int64_t value;
  return line != nullptr && ParseInteger(line->value, value) ? value : def;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  const TLine* line = FindLine(CleanSection(section), CleanKey(key));
  int64_t value;
  return line != nullptr && ParseInteger(line->value, value) ? value != 0 : def;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string cleanKey = CleanKey(key);
  if (cleanKey.empty()) return;
  const std::string cleanSection = CleanSection(section);
  std::string cleanValue = CleanValue(value);

  TSection* target = FindSection(cleanSection);
  if (target == nullptr) target = &AddSection(cleanSection);

  std::string folded = FoldName(cleanKey);
  if (const auto it = target->index.find(folded); it != target->index.end()) {
    TLine& line = target->lines[it->second];
    // An unchanged value keeps the line exactly as the file had it.
    if (line.value != cleanValue) {
      line.value = std::move(cleanValue);
      line.raw.clear();
    }
    return;
  }
  // The new key goes after the last non-blank line, so that the blank lines separating this
  // section from the next one stay at its end. Only blank lines follow, so no index shifts.
  size_t at = target->lines.size();
  while (at > 0 && target->lines[at - 1].key.empty() && IsBlankLine(target->lines[at - 1].value)) --at;
  target->lines.insert(target->lines.begin() + static_cast<std::ptrdiff_t>(at),
                       TLine{cleanKey, std::move(cleanValue), {}});
  target->index.emplace(std::move(folded), at);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::EraseKey(std::string_view section, std::string_view key) {
  TSection* target = FindSection(CleanSection(section));
  if (target == nullptr) return;
  const std::string folded = FoldName(CleanKey(key));
  if (!target->index.contains(folded)) return;
  std::erase_if(target->lines,
                [&folded](const TLine& line) { return !line.key.empty() && FoldName(line.key) == folded; });
  IndexKeys(*target);
}

void TIniFile::EraseSection(std::string_view section) {
  const std::string folded = FoldName(CleanSection(section));
  if (!sectionIndex_.contains(folded)) return;
  std::erase_if(sections_, [&folded](const TSection& s) { return FoldName(s.name) == folded; });
  Reindex();
}

std::vector<std::string> TIniFile::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(sectionIndex_.size());
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (sectionIndex_.at(FoldName(sections_[i].name)) == i) names.push_back(sections_[i].name);
  }
  return names;
}

std::vector<std::string> TIniFile::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  const TSection* found = FindSection(CleanSection(section));
  if (found == nullptr) return names;
  for (size_t i = 0; i < found->lines.size(); ++i) {
    const TLine& line = found->lines[i];
    if (!line.key.empty() && found->index.at(FoldName(line.key)) == i) names.push_back(line.key);
  }
  return names;
}

}  // namespace kivra
