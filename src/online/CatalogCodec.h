// The text forms of the catalogue protocol: the C-style escape of texts, Base64, the percent
// encoding of form fields, the entities of plain-text reply fields, the reply reader and the UTC
// date-time texts. Shared by the client and by kivra-server.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/SortaUtils.h"

namespace kivra {

// Largest catalogue reply the client reads and largest request body the server accepts.
inline constexpr uint64_t MaxCatalogBytes = uint64_t{16} << 20;

// Characters 0..6 become a backslash and the digit, 7..13 the escapes \a \b \t \n \v \f \r, 27 \e;
// the double quote, the apostrophe, the question mark and the backslash get a backslash before
// them; every other byte stays as it is.
std::string CEscape(std::string_view text);
// The inverse of CEscape. A backslash before any other character, or at the end, stays literal.
std::string CUnescape(std::string_view text);

std::string Base64Encode(std::string_view bytes);
// Standard alphabet with "=" padding; white space is skipped. False for anything else.
bool Base64Decode(std::string_view text, std::string& bytes);

// Percent encoding of a form value: letters, digits and "-._~" stay, every other byte is %XX.
std::string FormEncode(std::string_view value);
// The inverse, for a form body: "+" is a space, a malformed "%" stays literal.
std::string FormDecode(std::string_view value);
// The fields of an application/x-www-form-urlencoded body in order (the first of repeated names
// wins when looked up with FormValue).
std::vector<std::pair<std::string, std::string>> ParseFormBody(std::string_view body);

// A form body built field by field: "name=value&..." with every value percent-encoded.
class TFormBody {
 public:
  TFormBody& Add(std::string_view name, std::string_view value);
  TFormBody& Add(std::string_view name, int64_t value);
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// "&", "<" and ">" as "&amp;", "&lt;", "&gt;", and back (the decoder also knows &quot; and &apos;).
std::string EntityEncode(std::string_view text);
std::string EntityDecode(std::string_view text);

// One <row> of a reply: its fields are found by tag without regard to letter case.
class TReplyRow {
 public:
  explicit TReplyRow(std::string_view text);
  // The raw text between <tag> and </tag>; empty when the tag is missing or not closed.
  std::string Raw(std::string_view tag) const;
  // A plain-text field: entities decoded.
  std::string Text(std::string_view tag) const;
  // A number; `otherwise` when the field does not convert.
  int32_t Int(std::string_view tag, int32_t otherwise = 0) const;
  double Float(std::string_view tag) const;
  // A Base64 field of UTF-8 text; false when it is not valid Base64.
  bool Base64(std::string_view tag, std::string& text) const;

 private:
  std::string text_;
  std::string lower_;  // text_ with ASCII capitals made small, for finding tags
};

struct TCatalogReply {
  bool Ok = false;
  std::string Error;  // the <error> text of the first row that has one, or why the reply is unusable
  std::vector<TReplyRow> Rows;
};

// Reads a reply: every <row> of it in order. A row with a non-empty <error> fails the whole reply
// with that text; a reply longer than MaxCatalogBytes fails.
TCatalogReply ReadCatalogReply(std::string_view body);

// "yyyy-mm-dd hh:mm:ss" in UTC to seconds since 1970; 0 when shorter than 19 characters, when a
// digit is missing where one belongs, or when the date is impossible.
int64_t ParseUtcTime(std::string_view text);
// Seconds since 1970 to "yyyy-mm-dd hh:mm:ss" in UTC.
std::string FormatUtcTime(int64_t seconds);
// Seconds since 1970 to the local date-time (0 stays 0).
TDateTime UnixToLocalDateTime(int64_t seconds);
// The inverse: a local date-time to seconds since 1970, rounded to the second (0 stays 0).
int64_t LocalDateTimeToUnix(TDateTime value);
// A local date-time as "yyyy-mm-dd hh:mm:ss"; empty when 0 or less.
std::string DateTimeToText(TDateTime value);

}  // namespace kivra
