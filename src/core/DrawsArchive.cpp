#include "core/DrawsArchive.h"

#include <cmath>
#include <cstring>
#include <fmt/format.h>

#include "core/FileUtils.h"
#include "core/UserPort.h"

namespace kivra {

TDraw TDrawsArchive::Draw(int index) const {
  TDraw d = draws_[index];
  if (sorted_) SortDraw(d);
  return d;
}

void TDrawsArchive::Replace(int index, const TDraw& draw) {
  if (index < 0 || index > High())
    throw std::out_of_range(fmt::format("Запись со индексом {} в файле данных не найдена!", index));
  draws_[index] = draw;
}

void TDrawsArchive::DeleteDrawAt(int index) {
  if (index < 0 || index > High())
    throw std::out_of_range(fmt::format("Запись со индексом {} в файле данных не найдена!", index));
  draws_.erase(draws_.begin() + index);
}

int TDrawsArchive::FindDrawIndex(int32_t target) const {
  if (draws_.empty()) return -1;
  const int high = High();
  const int64_t first = draws_[0].Number;
  if (target == first) return 0;
  const int64_t last = draws_[high].Number;
  if (target == last) return high;

  const long double span = static_cast<long double>(last - first + 1);
  int64_t guess = high;
  if (span != 0) {
    const long double g = Count() * (static_cast<long double>(target - first) / span);
    if (std::isfinite(g) && std::fabs(g) < 9e18L) guess = static_cast<int64_t>(std::nearbyintl(g));
  }
  if (guess < 0 || guess > high) guess = high;
  if (draws_[guess].Number == target) return static_cast<int>(guess);

  const int step = target > draws_[guess].Number ? 1 : -1;
  for (int64_t i = guess; i >= 0 && i <= high; i += step)
    if (draws_[i].Number == target) return static_cast<int>(i);
  for (int i = high; i >= 0; --i)
    if (draws_[i].Number == target) return i;
  return -1;
}

int32_t TDrawsArchive::NextDrawNumber(int offset) const {
  if (draws_.empty()) return 1;
  if (offset < 0 || offset >= Count()) return -1;
  return draws_[High() - offset].Number + 1;
}

TComb TDrawsArchive::DrawNumsAt(int p) const {
  if (p < 0 || p >= Count()) return TComb{};
  return Draw(High() - p).Nums;
}

std::string TDrawsArchive::HiddenDrawText(int offset) const {
  if (offset < 1 || offset >= Count()) return {};
  return CombToText(draws_[High() - offset + 1].Nums);
}

bool TDrawsArchive::SetDrawsOffset(int offset) {
  if (offset < 0) offset = 0;
  if (offset == offset_) return false;
  offset_ = offset;
  return true;
}

int TDrawsArchive::AnalysisEnd() const { return offset_ > High() ? 0 : High() - offset_; }

TNumSet TDrawsArchive::HiddenDrawSet() const {
  TNumSet set;
  if (offset_ > 0 && offset_ < Count())
    for (uint8_t n : draws_[High() - offset_ + 1].Nums) set.Include(n);
  return set;
}

std::array<std::string, 3> TDrawsArchive::StatusTexts() const {
  return {fmt::format("Архив тиражей: {}", Count()), fmt::format("Следующий тираж: {}", NextDrawNumber(offset_)),
          HiddenDrawText(offset_)};
}

// --- File ---

TDrawsArray ParseArchiveBytes(std::string_view bytes) {
  TDrawsArray draws(bytes.size() / DrawRecordSize);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (auto& d : draws) {
    d.Number = static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    std::memcpy(d.Nums.data(), p + 4, CombSize);
    d.DateLen = p[9];
    std::memcpy(d.Date.data(), p + 10, d.Date.size());
    p += DrawRecordSize;
  }
  return draws;
}

std::string ArchiveToBytes(const TDrawsArray& draws) {
  std::string bytes(draws.size() * DrawRecordSize, '\0');
  auto* p = reinterpret_cast<unsigned char*>(bytes.data());
  for (const auto& d : draws) {
    const auto n = static_cast<uint32_t>(d.Number);
    p[0] = n & 0xFF, p[1] = (n >> 8) & 0xFF, p[2] = (n >> 16) & 0xFF, p[3] = (n >> 24) & 0xFF;
    std::memcpy(p + 4, d.Nums.data(), CombSize);
    p[9] = d.DateLen;
    std::memcpy(p + 10, d.Date.data(), d.Date.size());
    p += DrawRecordSize;
  }
  return bytes;
}

void TDrawsArchive::LoadArchive(const std::filesystem::path& path, TUserPort& port) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return;
  TBusyScope busy(port, "Загрузка файла тиражей...");
  try {
    draws_ = ParseArchiveBytes(ReadWholeFile(path));
  } catch (const std::exception& e) {
    port.ShowError(fmt::format("Ошибка чтения файла тиражей!\r\r{}", ErrorText(e)));
  }
}

bool TDrawsArchive::SaveArchive(const std::filesystem::path& path, TUserPort& port) const {
  TBusyScope busy(port, "Сохранение файла тиражей...");
  try {
    WriteFileAtomic(path, ArchiveToBytes(draws_));
    return true;
  } catch (const std::exception& e) {
    port.ShowError(fmt::format("Ошибка записи в файл тиражей!\r\r{}", ErrorText(e)));
    return false;
  }
}

// --- Number check ---

bool IsValidDrawNumbers(const TComb& nums) {
  TNumSet seen;
  for (uint8_t n : nums) {
    if (n < 1 || n > MaxNumber || seen.Contains(n)) return false;
    seen.Include(n);
  }
  return true;
}

std::optional<TComb> CheckDrawNumbersText(std::string_view text) {
  const auto words = SplitNumberWords(text);
  if (words.size() != CombSize) return std::nullopt;
  TComb nums{};
  for (size_t k = 0; k < words.size(); ++k) {
    const int32_t v = StrToIntDef(words[k], 0);
    if (v < 1 || v > MaxNumber) return std::nullopt;
    nums[k] = static_cast<uint8_t>(v);
  }
  if (!IsValidDrawNumbers(nums)) return std::nullopt;
  return nums;
}

}  // namespace kivra
