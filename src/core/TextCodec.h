// Windows-1251 <-> UTF-8 conversion at the file boundary (own table, no locale).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kivra {

// Bytes in cp1251 to UTF-8. Every cp1251 byte has a mapping (the one unassigned byte 0x98 maps to U+FFFD).
std::string Cp1251ToUtf8(std::string_view cp1251);

// UTF-8 to cp1251. Characters without a cp1251 form, and malformed UTF-8 sequences, become '?'.
std::string Utf8ToCp1251(std::string_view utf8);

// cp1251 text with its capital letters made small (Latin, Cyrillic with Ё and the other Cyrillic
// letters of the code page), for comparisons without regard to letter case.
std::string FoldCaseCp1251(std::string_view cp1251);
uint8_t FoldCaseCp1251(uint8_t c);

}  // namespace kivra
