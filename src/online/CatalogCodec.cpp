#include "online/CatalogCodec.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "core/SysFormat.h"

namespace kivra {

namespace {

constexpr std::string_view ControlEscapes = "abtnvfr";  // the characters 7..13
constexpr std::string_view Base64Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Position of `needle` in `hay` from `from` on, letter case of ASCII ignored; npos when absent.
size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.empty() || hay.size() < needle.size()) return std::string_view::npos;
  for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() && LowerAscii(hay[i + k]) == LowerAscii(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string CEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= 6) {
      out += '\\';
      out += static_cast<char>('0' + c);
    } else if (c <= 13) {
      out += '\\';
      out += ControlEscapes[c - 7];
    } else if (c == 27) {
      out += "\\e";
    } else if (ch == '"' || ch == '\'' || ch == '?' || ch == '\\') {
      out += '\\';
      out += ch;
    } else {
      out += ch;
    }
  }
  return out;
}

std::string CUnescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[i + 1];
    if (next >= '0' && next <= '6') {
      out += static_cast<char>(next - '0');
    } else if (const size_t k = ControlEscapes.find(next); k != std::string_view::npos) {
      out += static_cast<char>(7 + k);
    } else if (next == 'e') {
      out += static_cast<char>(27);
    } else if (next == '"' || next == '\'' || next == '?' || next == '\\') {
      out += next;
    } else {
      out += '\\';
      out += next;
    }
    ++i;
  }
  return out;
}

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t v = static_cast<uint8_t>(bytes[i]) << 16 | static_cast<uint8_t>(bytes[i + 1]) << 8 |
                       static_cast<uint8_t>(bytes[i + 2]);
    out += Base64Alphabet[v >> 18];
    out += Base64Alphabet[(v >> 12) & 63];
    out += Base64Alphabet[(v >> 6) & 63];
    out += Base64Alphabet[v & 63];
  }
  if (const size_t rest = bytes.size() - i; rest > 0) {
    uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    out += Base64Alphabet[v >> 18];
    out += Base64Alphabet[(v >> 12) & 63];
    out += rest == 2 ? Base64Alphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

bool Base64Decode(std::string_view text, std::string& bytes) {
  static const std::array<int8_t, 256> table = [] {
    std::array<int8_t, 256> t{};
    t.fill(-1);
    for (size_t i = 0; i < Base64Alphabet.size(); ++i)
      t[static_cast<uint8_t>(Base64Alphabet[i])] = static_cast<int8_t>(i);
    return t;
  }();
  std::string symbols;
  symbols.reserve(text.size());
  for (const char c : text)
    if (static_cast<unsigned char>(c) > 32) symbols += c;
  if (symbols.size() % 4 != 0) return false;
  std::string out;
  out.reserve(symbols.size() / 4 * 3);
  for (size_t i = 0; i < symbols.size(); i += 4) {
    const bool last = i + 4 == symbols.size();
    int pad = 0;
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) {
      const char c = symbols[i + k];
      if (c == '=') {
        // Padding only in the last group's last one or two places.
        if (!last || k < 2) return false;
        ++pad;
        v <<= 6;
        continue;
      }
      if (pad > 0) return false;
      const int8_t d = table[static_cast<uint8_t>(c)];
      if (d < 0) return false;
      v = v << 6 | static_cast<uint32_t>(d);
    }
    out += static_cast<char>(v >> 16);
    if (pad < 2) out += static_cast<char>((v >> 8) & 255);
    if (pad < 1) out += static_cast<char>(v & 255);
  }
  bytes = std::move(out);
  return true;
}

std::string FormEncode(std::string_view value) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(value.size() * 3);
  for (const char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      out += ch;
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string FormDecode(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '+') {
      out += ' ';
    } else if (value[i] == '%' && i + 2 < value.size() && HexDigit(value[i + 1]) >= 0 && HexDigit(value[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(value[i + 1]) * 16 + HexDigit(value[i + 2]));
      i += 2;
    } else {
      out += value[i];
    }
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> ParseFormBody(std::string_view body) {
  std::vector<std::pair<std::string, std::string>> fields;
  size_t pos = 0;
  while (pos <= body.size()) {
    size_t end = body.find('&', pos);
    if (end == std::string_view::npos) end = body.size();
    const std::string_view piece = body.substr(pos, end - pos);
    if (!piece.empty()) {
      const size_t eq = piece.find('=');
      if (eq == std::string_view::npos) fields.emplace_back(FormDecode(piece), std::string());
      else fields.emplace_back(FormDecode(piece.substr(0, eq)), FormDecode(piece.substr(eq + 1)));
    }
    pos = end + 1;
  }
  return fields;
}

TFormBody& TFormBody::Add(std::string_view name, std::string_view value) {
  if (!text_.empty()) text_ += '&';
  text_ += FormEncode(name);
  text_ += '=';
  text_ += FormEncode(value);
  return *this;
}

TFormBody& TFormBody::Add(std::string_view name, int64_t value) { return Add(name, std::to_string(value)); }

std::string EntityEncode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

std::string EntityDecode(std::string_view text) {
  static constexpr std::pair<std::string_view, char> entities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    bool replaced = false;
    if (text[i] == '&') {
      for (const auto& [name, c] : entities) {
        if (FindNoCase(text.substr(i, name.size()), name, 0) == 0) {
          out += c;
          i += name.size() - 1;
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out += text[i];
  }
  return out;
}

TReplyRow::TReplyRow(std::string_view text) : text_(text), lower_(text) {
  for (char& c : lower_) c = LowerAscii(c);
}

std::string TReplyRow::Raw(std::string_view tag) const {
  std::string open = "<", close = "</";
  for (const char c : tag) open += LowerAscii(c);
  open += '>';
  close.append(open, 1);
  const size_t start = lower_.find(open);
  if (start == std::string_view::npos) return {};
  const size_t from = start + open.size();
  const size_t end = lower_.find(close, from);
  if (end == std::string_view::npos) return {};
  return text_.substr(from, end - from);
}

std::string TReplyRow::Text(std::string_view tag) const { return EntityDecode(Raw(tag)); }

int32_t TReplyRow::Int(std::string_view tag, int32_t otherwise) const {
  int32_t value = 0;
  return StrToIntStrict(Trim(Raw(tag)), value) ? value : otherwise;
}

double TReplyRow::Float(std::string_view tag) const {
  const std::string text(Trim(Raw(tag)));
  if (text.empty()) return 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value) ? value : 0;
}

bool TReplyRow::Base64(std::string_view tag, std::string& text) const { return Base64Decode(Raw(tag), text); }

TCatalogReply ReadCatalogReply(std::string_view body) {
  TCatalogReply reply;
  if (body.size() > MaxCatalogBytes) {
    reply.Error = "Размер ответа сервера превышает 16 МиБ";
    return reply;
  }
  constexpr std::string_view open = "<row>", close = "</row>";
  size_t pos = FindNoCase(body, open, 0);
  while (pos != std::string_view::npos) {
    const size_t from = pos + open.size();
    // A row ends at its closing tag, or at the next row when it is not closed.
    size_t end = FindNoCase(body, close, from);
    const size_t next = FindNoCase(body, open, from);
    if (end == std::string_view::npos || (next != std::string_view::npos && next < end)) end = next;
    if (end == std::string_view::npos) end = body.size();
    reply.Rows.emplace_back(body.substr(from, end - from));
    pos = next;
  }
  for (const TReplyRow& row : reply.Rows) {
    if (std::string error = row.Text("error"); !Trim(error).empty()) {
      reply.Error = std::string(Trim(error));
      reply.Rows.clear();
      return reply;
    }
  }
  reply.Ok = true;
  return reply;
}

int64_t ParseUtcTime(std::string_view text) {
  if (text.size() < 19) return 0;
  for (const size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})
    if (text[i] < '0' || text[i] > '9') return 0;
  auto number = [&](size_t pos, size_t len) {
    int value = 0;
    for (size_t i = pos; i < pos + len; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  TDateTime date = 0;
  const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
  const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
  if (!TryEncodeDate(year, month, day, date) || hour > 23 || minute > 59 || second > 59) return 0;
  // Days since 1899-12-30 to days since 1970-01-01.
  const int64_t days = static_cast<int64_t>(date) - 25569;
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::string FormatUtcTime(int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

TDateTime UnixToLocalDateTime(int64_t seconds) {
  if (seconds == 0) return 0;
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&t, &local);
  TDateTime date = 0;
  if (!TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date)) return 0;
  return date + (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
}

int64_t LocalDateTimeToUnix(TDateTime value) {
  if (value <= 0) return 0;
  int year = 0, month = 0, day = 0;
  DecodeDate(value, year, month, day);
  const auto seconds = static_cast<int64_t>(std::llround((value - std::floor(value)) * 86400.0));
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_sec = static_cast<int>(seconds);  // mktime carries a whole day over
  local.tm_isdst = -1;
  return static_cast<int64_t>(std::mktime(&local));
}

std::string DateTimeToText(TDateTime value) {
  if (value <= 0) return {};
  int year = 0, month = 0, day = 0;
  DecodeDate(value, year, month, day);
  int64_t second = std::llround((value - std::floor(value)) * 86400.0);
  if (second >= 86400) second = 86399;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, static_cast<int>(second / 3600),
                static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
  return text;
}

}  // namespace kivra
