#include "combs/CombGen.h"

#include <cstring>
#include <vector>

#include "core/SysFormat.h"
#include "stats/StatPasses.h"
#include "combs/CombList.h"

namespace kivra {

namespace {

// Bit n set for every number n of 1..45 in the set.
uint64_t NumberBits(const TNumSet& set) {
  uint64_t bits = 0;
  for (int n = 1; n <= MaxNumber; ++n)
    if (set.Contains(static_cast<uint8_t>(n))) bits |= uint64_t{1} << n;
  return bits;
}

// Writes every 5-subset of the ascending numbers, in lexicographic order; returns how many.
size_t EnumerateSubsets(const std::vector<uint8_t>& nums, TComb* out) {
  const size_t k = nums.size();
  size_t n = 0;
  for (size_t a = 0; a + 4 < k; ++a)
    for (size_t b = a + 1; b + 3 < k; ++b)
      for (size_t c = b + 1; c + 2 < k; ++c)
        for (size_t d = c + 1; d + 1 < k; ++d)
          for (size_t e = d + 1; e < k; ++e) out[n++] = {nums[a], nums[b], nums[c], nums[d], nums[e]};
  return n;
}

// Every combination with at least one number of `bits`, in lexicographic order. Each candidate is
// written and the count advances by the test, so the inner loop has no branch.
size_t EnumerateAnyOf(uint64_t bits, TComb* out) {
  size_t n = 0;
  for (uint8_t a = 1; a <= 41; ++a) {
    const uint64_t ha = (bits >> a) & 1;
    for (uint8_t b = a + 1; b <= 42; ++b) {
      const uint64_t hb = ha | ((bits >> b) & 1);
      for (uint8_t c = b + 1; c <= 43; ++c) {
        const uint64_t hc = hb | ((bits >> c) & 1);
        for (uint8_t d = c + 1; d <= 44; ++d) {
          const uint64_t hd = hc | ((bits >> d) & 1);
          for (uint8_t e = d + 1; e <= 45; ++e) {
            out[n] = {a, b, c, d, e};
            n += hd | ((bits >> e) & 1);
          }
        }
      }
    }
  }
  return n;
}

}  // namespace

TNumSet ParseUserNumbers(std::string_view text) {
  TNumSet set;
  for (std::string_view word : SplitNumberWords(text)) {
    const int32_t v = StrToIntDef(word, 0);
    if (v >= 0 && v <= 255) set.Include(static_cast<uint8_t>(v));
  }
  return set;
}

std::string GenNumbersProblem(const TGenParams& params) {
  if (params.Mode < GenAnyOfMine || params.Mode > GenNoneOfMine) return {};
  const TNumSet set = ParseUserNumbers(params.Param);
  int count = 0;
  for (int n = 1; n <= MaxNumber; ++n) count += set.Contains(static_cast<uint8_t>(n));
  const std::string found = SysFormat("Распознано чисел от 1 до 45: %d.", {count});
  if (count == 0)
    return "Не указано ни одного числа от 1 до 45!\r\rЧисла разделяются пробелами, запятыми или точками с запятой.";
  if (params.Mode == GenOnlyMine && count < CombSize)
    return found + "\r\rДля комбинаций только из указанных чисел нужно не меньше 5 чисел.";
  if (params.Mode == GenNoneOfMine && MaxNumber - count < CombSize)
    return found + "\r\rПосле исключения указанных чисел должно остаться не меньше 5 чисел.";
  return {};
}

void GenerateCombs(TCombList& list, uint8_t mode, const TNumSet& numbers) {
  list.ResizeList(FullSetSize, 0);
  TComb* out = list.Data();
  const uint64_t bits = NumberBits(numbers);
  size_t count = 0;
  switch (mode) {
    case GenAnyOfMine: count = EnumerateAnyOf(bits, out); break;
    case GenOnlyMine:
    case GenNoneOfMine: {
      std::vector<uint8_t> nums;
      for (int n = 1; n <= MaxNumber; ++n)
        if (((bits >> n) & 1) == (mode == GenOnlyMine ? 1u : 0u)) nums.push_back(static_cast<uint8_t>(n));
      count = EnumerateSubsets(nums, out);
      break;
    }
    default: {
      // The full set is a precomputed table: one plain copy.
      const TCombsArray& all = FullCombinationSet();
      std::memcpy(out, all.data(), all.size() * sizeof(TComb));
      count = all.size();
      break;
    }
  }
  list.ResizeList(FullSetSize, static_cast<uint32_t>(count));
}

std::string CutGenParam(std::string_view text) {
  size_t chars = 0, i = 0;
  while (i < text.size() && chars < MaxGenParamLength) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;  // continuation bytes
    ++chars;
  }
  return std::string(text.substr(0, i));
}

}  // namespace kivra
