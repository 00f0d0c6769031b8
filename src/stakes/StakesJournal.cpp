#include "stakes/StakesJournal.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "stakes/Prizes.h"

namespace kivra {

namespace {

constexpr std::string_view NotOpenText = "Файл ставок не открыт!";
constexpr int64_t RecordBytes = static_cast<int64_t>(StakeRecordSize);

[[noreturn]] void ThrowSystem(int error) { throw TFileError(SystemErrorText(error)); }

std::string Wrap(std::string_view templ, std::string_view inner) { return SysFormat(templ, {std::string(inner)}); }

uint64_t NumberMask(const uint8_t* values, int count) {
  uint64_t mask = 0;
  for (int i = 0; i < count; ++i) mask |= uint64_t{1} << values[i];
  return mask;
}

void PutInt32(uint8_t* p, int32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}
int32_t GetInt32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
}

// The due test of the check on the record's bytes: not checked, a draw > 0, 5..12 numbers 1..45.
bool DueBytes(const uint8_t* p) {
  if (p[StakeField::Checked] != 0 || GetInt32(p + StakeField::DrawNumber) <= 0) return false;
  const int32_t count = GetInt32(p + StakeField::Numbers);
  if (count < MinStakeNumbers || count > MaxStakeNumbers) return false;
  for (int i = 0; i < count; ++i) {
    const uint8_t n = p[StakeField::Numbers + 4 + i];
    if (n < 1 || n > MaxNumber) return false;
  }
  return true;
}

}  // namespace

const std::array<const char*, 5> StakeConditionCaptions = {"Равно [ = ]", "Более [ > ]", "Не менее [ >= ]",
                                                           "Менее [ < ]", "Не более [ <= ]"};

bool StakeConditionHolds(TStakeCondition condition, int32_t matched, int32_t value) {
  switch (condition) {
    case TStakeCondition::Equal: return matched == value;
    case TStakeCondition::Greater: return matched > value;
    case TStakeCondition::NotLess: return matched >= value;
    case TStakeCondition::Less: return matched < value;
    case TStakeCondition::NotGreater: return matched <= value;
  }
  return false;
}

TStakesJournal::TStakesJournal(TUserPort& port, std::filesystem::path file, std::filesystem::path tempFile)
    : port_(port), file_(std::move(file)), tempFile_(std::move(tempFile)) {}

TStakesJournal::~TStakesJournal() { CloseFile(); }

// --- Opening and closing ---

void TStakesJournal::OpenFile() {
  CloseFile();
  const int fd = ::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) ThrowSystem(errno);
  // One program per data folder: other programs may read the journal but not take it.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK)
      throw TFileError(SysFormat(
          "Файл ставок \"%s\" занят другой копией программы, работающей с этой же папкой данных.", {file_.string()}));
    ThrowSystem(error);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    ThrowSystem(error);
  }
  fd_ = fd;
  size_ = st.st_size;
}

void TStakesJournal::CloseFile() {
  cacheValid_ = false;
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  size_ = 0;
  if (::close(fd) != 0) ThrowSystem(errno);
}

void TStakesJournal::Close() {
  try {
    CloseFile();
  } catch (const std::exception& e) {
    port_.ShowError(Wrap("Ошибка записи в файл ставок!\r\r%s", ErrorText(e)));
  }
}

bool TStakesJournal::Reopen() {
  try {
    CloseFile();
  } catch (const std::exception& e) {
    port_.ShowError(Wrap("Ошибка записи в файл ставок!\r\r%s", ErrorText(e)));
  }
  try {
    OpenFile();
    return true;
  } catch (const std::exception& e) {
    port_.ShowError(Wrap("Ошибка чтения файла ставок!\r\r%s", ErrorText(e)));
    return false;
  }
}

std::filesystem::path TStakesJournal::BackupPath() const {
  std::filesystem::path path = file_;
  path += ".bak";
  for (int i = 1; std::filesystem::exists(path); ++i) {
    path = file_;
    path += ".bak" + std::to_string(i);
  }
  return path;
}

bool TStakesJournal::Load() {
  TBusyScope busy(port_, "Загрузка файла ставок...");
  scanFrom_ = 0;
  try {
    OpenFile();
    bool outdated = size_ % RecordBytes != 0;
    if (!outdated && size_ > 0) {
      uint8_t version = 0;
      if (::pread(fd_, &version, 1, 0) != 1) ThrowSystem(errno ? errno : EIO);
      outdated = version != 2;
    }
    if (outdated) {
      // Nothing is destroyed without a copy: the old file is kept beside the journal first.
      const std::filesystem::path backup = BackupPath();
      std::filesystem::copy_file(file_, backup);
      port_.ShowWarning(
          SysFormat("Обнаружен файл ставок устаревшей версии - имеющиеся в файле ставки будут удалены!"
                    "\r\rКопия прежнего файла сохранена: %s",
                    {backup.string()}));
      if (::ftruncate(fd_, 0) != 0) ThrowSystem(errno);
      size_ = 0;
      cacheValid_ = false;
    }
    return true;
  } catch (const std::exception& e) {
    try {
      CloseFile();
    } catch (...) {
    }
    port_.ShowError(Wrap("Ошибка чтения файла ставок!\r\r%s", ErrorText(e)));
    return false;
  }
}

void TStakesJournal::Save() {
  TBusyScope busy(port_, "Сохранение файла ставок...");
  Close();
}

// --- Records ---

int64_t TStakesJournal::Position(TStakeOrigin origin, int index) const {
  if (fd_ < 0) throw TFileError(std::string(NotOpenText));
  // From the beginning index 0 is the first record; from the end -1 is the last. The position just
  // after the last record is valid (writing there appends).
  const int64_t count = size_ / RecordBytes;
  const int64_t at = origin == TStakeOrigin::Begin ? int64_t{index} : count + index;
  if ((origin == TStakeOrigin::Begin && index < 0) || at < 0 || at > count)
    throw TFileError(SysFormat("Запись со индексом %d в файле данных не найдена!", {index}));
  return at * RecordBytes;
}

void TStakesJournal::ReadAt(int64_t offset, TStakeBytes& bytes) const {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pread(fd_, bytes.data() + done, bytes.size() - done, offset + static_cast<int64_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowSystem(errno);
    }
    if (n == 0) throw TFileError("Неожиданный конец файла ставок");
    done += static_cast<size_t>(n);
  }
}

void TStakesJournal::WriteAt(int64_t offset, const TStakeBytes& bytes) {
  cacheValid_ = false;
  if (offset < size_) scanFrom_ = std::min(scanFrom_, static_cast<int>(offset / RecordBytes));
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, offset + static_cast<int64_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowSystem(errno);
    }
    done += static_cast<size_t>(n);
  }
  size_ = std::max(size_, offset + RecordBytes);
}

TStakeData TStakesJournal::Read(TStakeOrigin origin, int index) {
  if (cacheValid_ && cacheOrigin_ == origin && cacheIndex_ == index) return cache_;
  try {
    const int64_t offset = Position(origin, index);
    if (offset + RecordBytes > size_)
      throw TFileError(SysFormat("Запись со индексом %d в файле данных не найдена!", {index}));
    TStakeBytes bytes;
    ReadAt(offset, bytes);
    cache_ = DecodeStake(bytes);
    cacheOrigin_ = origin;
    cacheIndex_ = index;
    cacheValid_ = true;
    return cache_;
  } catch (const std::exception& e) {
    port_.ShowError(Wrap("Ошибка чтения записи из файла ставок!\r\r%s", ErrorText(e)));
    TStakeData zero;
    zero.Version = 0;
    zero.Matched.Count = 0;
    return zero;
  }
}

bool TStakesJournal::Write(TStakeOrigin origin, int index, const TStakeData& record) {
  try {
    WriteAt(Position(origin, index), EncodeStake(record));
    return true;
  } catch (const std::exception& e) {
    port_.ShowError(Wrap("Ошибка добавления записи в файл ставок!\r\r%s", ErrorText(e)));
    return false;
  }
}

void TStakesJournal::AppendRecord(const TStakeData& record) {
  if (fd_ < 0) throw TFileError(std::string(NotOpenText));
  WriteAt(size_, EncodeStake(record));
}

bool TStakesJournal::LastIsStake() {
  if (size_ < RecordBytes) return false;
  TStakeBytes bytes;
  ReadAt(size_ - RecordBytes, bytes);
  return GetInt32(bytes.data() + StakeField::DrawNumber) > 0;
}

bool TStakesJournal::Append(const TStakeData& record, int n) {
  try {
    if (record.Checked != 0) throw TFileError("Добавление в конец файла уже проверенной ставки!");
    if (fd_ < 0) throw TFileError(std::string(NotOpenText));
    if (n > 1 && static_cast<int64_t>(record.DrawNumber) + n - 1 > INT32_MAX)
      throw TFileError(SysFormat("Номер тиража %d + %d - 1 больше наибольшего возможного номера 2147483647!",
                                 {record.DrawNumber, n}));
    if (n < 2) {
      AppendRecord(record);
      return true;
    }
    TStakeData copy = record;
    for (int i = 1; i <= n; ++i) {
      if (LastIsStake()) AppendRecord(SeparatorRecord());
      copy.DrawNumber = record.DrawNumber + (i - 1);
      AppendRecord(copy);
    }
    return true;
  } catch (const std::exception& e) {
    port_.ShowError(Wrap("Ошибка добавления записи в файл ставок!\r\r%s", ErrorText(e)));
    return false;
  }
}

bool TStakesJournal::AppendSeparator() {
  try {
    if (fd_ < 0 || size_ == 0 || !LastIsStake()) return true;
    AppendRecord(SeparatorRecord());
    return true;
  } catch (const std::exception& e) {
    port_.ShowError(Wrap("Ошибка добавления записи в файл ставок!\r\r%s", ErrorText(e)));
    return false;
  }
}

bool TStakesJournal::Exists(int32_t drawNumber, const TStakeNumbers& numbers) {
  try {
    if (fd_ < 0) throw TFileError(std::string(NotOpenText));
    const int count = std::clamp(numbers.Count, 0, MaxStakeNumbers);
    const uint64_t mask = NumberMask(numbers.Values.data(), count);
    std::vector<uint8_t> block(RecordBytes * 4096);
    for (int64_t offset = 0; offset < size_;) {
      const int64_t want = std::min<int64_t>(static_cast<int64_t>(block.size()), size_ - offset);
      const ssize_t got = ::pread(fd_, block.data(), static_cast<size_t>(want), offset);
      if (got < 0) ThrowSystem(errno);
      if (got < RecordBytes) break;
      for (ssize_t at = 0; at + RecordBytes <= got; at += RecordBytes) {
        const uint8_t* p = block.data() + at;
        if (GetInt32(p + StakeField::DrawNumber) != drawNumber) continue;
        if (GetInt32(p + StakeField::Numbers) != numbers.Count) continue;
        if (NumberMask(p + StakeField::Numbers + 4, count) == mask) return true;
      }
      offset += got - got % RecordBytes;
    }
    return false;
  } catch (const std::exception& e) {
    port_.ShowError(Wrap("Ошибка поиска записи в файле ставок!\r\r%s", ErrorText(e)));
    return false;
  }
}

bool TStakesJournal::Clear() {
  scanFrom_ = 0;
  if (fd_ >= 0) {
    cacheValid_ = false;
    if (::ftruncate(fd_, 0) != 0) {
      port_.ShowError(Wrap("Ошибка записи в файл ставок!\r\r%s", SystemErrorText(errno)));
    } else {
      size_ = 0;
    }
  }
  return Reopen();
}

// --- Deletion through the temporary file ---

bool TStakesJournal::Rewrite(const std::function<bool(int index, const TStakeBytes& bytes)>& keep) {
  bool ok = true;
  std::string failure;
  try {
    if (fd_ < 0 || size_ == 0) throw TFileError(std::string(NotOpenText));
    const int out = ::open(tempFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) ThrowSystem(errno);
    try {
      std::vector<uint8_t> buffer;
      buffer.reserve(1 << 20);
      auto flush = [&] {
        size_t done = 0;
        while (done < buffer.size()) {
          const ssize_t n = ::write(out, buffer.data() + done, buffer.size() - done);
          if (n < 0) {
            if (errno == EINTR) continue;
            ThrowSystem(errno);
          }
          done += static_cast<size_t>(n);
        }
        buffer.clear();
      };
      const int count = Count();
      TStakeBytes bytes;
      for (int i = 0; i < count; ++i) {
        ReadAt(i * RecordBytes, bytes);
        if (!keep(i, bytes)) continue;
        buffer.insert(buffer.end(), bytes.begin(), bytes.end());
        if (buffer.size() >= (1 << 20)) flush();
      }
      flush();
      if (::fsync(out) != 0) ThrowSystem(errno);
    } catch (...) {
      ::close(out);
      throw;
    }
    if (::close(out) != 0) ThrowSystem(errno);
    // The journal is replaced in one step; a failed rename leaves it as it was.
    if (::rename(tempFile_.c_str(), file_.c_str()) != 0) {
      const int error = errno;
      throw TFileError(SysFormat("Ошибка переименования / удаления временного файла ставок %s!\r\r%s",
                                 {tempFile_.string(), SystemErrorText(error)}));
    }
    const int dir = ::open(file_.parent_path().empty() ? "." : file_.parent_path().c_str(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
  } catch (const std::exception& e) {
    ok = false;
    failure = ErrorText(e);
  }
  // The journal is opened again in every case (after a replacement it is the new file).
  cacheValid_ = false;
  scanFrom_ = 0;
  Reopen();
  std::error_code ignored;
  if (std::filesystem::exists(tempFile_, ignored)) std::filesystem::remove(tempFile_, ignored);
  if (!ok) port_.ShowError(Wrap("Ошибка удаления записи из файла ставок!\r\r%s", failure));
  return ok;
}

bool TStakesJournal::DeleteRows(int first, int last) {
  return Rewrite([first, last](int index, const TStakeBytes&) { return index + 1 < first || index + 1 > last; });
}

namespace {
// A stake (never a separator) whose Matched Count satisfies the condition.
bool RemovedWhere(const TStakeBytes& bytes, TStakeCondition condition, int32_t value) {
  const uint8_t* p = bytes.data();
  if (p[StakeField::Kind] == StakeSeparator || GetInt32(p + StakeField::DrawNumber) <= 0) return false;
  return StakeConditionHolds(condition, GetInt32(p + StakeField::Matched), value);
}
}  // namespace

bool TStakesJournal::DeleteWhere(TStakeCondition condition, int32_t value) {
  return Rewrite(
      [condition, value](int, const TStakeBytes& bytes) { return !RemovedWhere(bytes, condition, value); });
}

int TStakesJournal::CountWhere(TStakeCondition condition, int32_t value) const {
  int n = 0;
  if (Count() > 0)
    ScanRecords(0, [&](const TStakeBytes& bytes) { n += RemovedWhere(bytes, condition, value) ? 1 : 0; });
  return n;
}

// --- Recent draws ---

std::optional<TStakesJournal::TRecentDraws> TStakesJournal::SeekRecentDraws(int n) {
  try {
    if (fd_ < 0) throw TFileError(std::string(NotOpenText));
    TRecentDraws result;
    bool havePrevious = false;
    int32_t previous = 0;
    TStakeBytes bytes;
    for (int i = Count() - 1; i >= 0; --i) {
      ReadAt(static_cast<int64_t>(i) * RecordBytes, bytes);
      const uint8_t* p = bytes.data();
      const int32_t draw = GetInt32(p + StakeField::DrawNumber);
      if (draw <= 0 || p[StakeField::Checked] == 0 || GetInt32(p + StakeField::Matched) < 0) continue;
      if (havePrevious && draw == previous) continue;
      if (result.Draws == n) {
        result.First = i + 1;
        return result;
      }
      ++result.Draws;
      previous = draw;
      havePrevious = true;
    }
    result.First = 0;
    return result;
  } catch (const std::exception& e) {
    port_.ShowError(Wrap("Ошибка поиска записи по номеру тиража в файле ставок!\r\r%s", ErrorText(e)));
    return std::nullopt;
  }
}

void TStakesJournal::ScanRecords(int first, const std::function<void(const TStakeBytes&)>& visit) const {
  if (fd_ < 0) throw TFileError(std::string(NotOpenText));
  std::vector<uint8_t> block(RecordBytes * 4096);
  TStakeBytes bytes;
  for (int64_t offset = std::max(first, 0) * RecordBytes; offset + RecordBytes <= size_;) {
    const int64_t want = std::min<int64_t>(static_cast<int64_t>(block.size()), size_ - offset);
    const ssize_t got = ::pread(fd_, block.data(), static_cast<size_t>(want), offset);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowSystem(errno);
    }
    if (got < RecordBytes) throw TFileError("Неожиданный конец файла ставок");
    const int64_t whole = got - got % RecordBytes;
    for (int64_t at = 0; at < whole; at += RecordBytes) {
      std::memcpy(bytes.data(), block.data() + at, StakeRecordSize);
      visit(bytes);
    }
    offset += whole;
  }
}

// --- The check ---

bool TStakesJournal::Check(const TDrawsArchive& archive, const TConfigData& config, const TCheckedHandler& onChecked) {
  lastChecked_ = 0;
  if (!HasRecords()) return false;
  TBusyScope busy(port_, "Проверка результатов ставок...");
  return CheckRecords(archive, config, onChecked);
}

bool TStakesJournal::CheckRecords(const TDrawsArchive& archive, const TConfigData& config,
                                  const TCheckedHandler& onChecked) {
  // The journal is mapped and the completed fields are written into the mapping: one pass over the
  // records in place, no read or write call per record.
  const int count = Count();
  const size_t length = static_cast<size_t>(count) * StakeRecordSize;
  void* mapped = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (mapped == MAP_FAILED) {
    port_.ShowError(Wrap("Ошибка проверки ставок!\r\r%s", SystemErrorText(errno)));
    return false;
  }
  cacheValid_ = false;
  auto* base = static_cast<uint8_t*>(mapped);

  // Draw numbers met are looked up once each; the profit of each (numbers, matches) pair once.
  std::unordered_map<int32_t, int> drawIndex;
  std::array<std::array<TMoney, CombSize + 1>, MaxStakeNumbers + 1> profits;
  for (int n = MinStakeNumbers; n <= MaxStakeNumbers; ++n)
    for (int m = 0; m <= CombSize; ++m) profits[n][m] = StakeProfit(config, n, m);

  int first = -1, stillDue = -1;
  int64_t total = 0, step = 1;
  try {
    for (int i = std::min(scanFrom_, count); i < count; ++i) {
      uint8_t* p = base + static_cast<size_t>(i) * StakeRecordSize;
      if (!DueBytes(p)) continue;
      if (first < 0) {
        first = i;
        total = count - first;
        step = std::max<int64_t>(1, total / 100);
      }
      const int32_t number = GetInt32(p + StakeField::DrawNumber);
      auto found = drawIndex.find(number);
      if (found == drawIndex.end()) found = drawIndex.emplace(number, archive.FindDrawIndex(number)).first;
      if (found->second >= 0) {
        const TDraw& draw = archive.Stored(found->second);
        const int32_t n = GetInt32(p + StakeField::Numbers);
        const uint64_t staked = NumberMask(p + StakeField::Numbers + 4, n);
        uint64_t drawn = 0;
        for (uint8_t d : draw.Nums)
          if (d >= 1 && d <= MaxNumber) drawn |= uint64_t{1} << d;
        uint64_t matched = staked & drawn;
        const int m = std::popcount(matched);
        p[StakeField::Checked] = 1;
        std::copy(draw.Nums.begin(), draw.Nums.end(), p + StakeField::DrawResult);
        PutInt32(p + StakeField::Matched, m);
        uint8_t* values = p + StakeField::Matched + 4;
        std::memset(values, 0, MaxStakeNumbers);
        for (int k = 0; matched; ++k, matched &= matched - 1)
          values[k] = static_cast<uint8_t>(std::countr_zero(matched));
        const TMoney profit = profits[n][m];
        for (int b = 0; b < 8; ++b)
          p[StakeField::Profit + b] = static_cast<uint8_t>(static_cast<uint64_t>(profit) >> (8 * b));
        ++lastChecked_;
        if (onChecked) onChecked(DecodeStake(std::span<const uint8_t, StakeRecordSize>(p, StakeRecordSize)));
      } else if (stillDue < 0) {
        stillDue = i;  // its draw has not come yet
      }
      const int64_t passed = i - first;
      if (passed > 0 && passed % step == 0)
        port_.ShowProgress(SysFormat("Проверка результатов ставок ( завершено %.0f %% )...",
                                     {100.0L * static_cast<long double>(passed) / static_cast<long double>(total)}));
    }
  } catch (const std::exception& e) {
    ::munmap(mapped, length);
    port_.ShowError(Wrap("Ошибка проверки ставок!\r\r%s", ErrorText(e)));
    return lastChecked_ > 0;
  }
  ::munmap(mapped, length);
  scanFrom_ = stillDue >= 0 ? stillDue : count;
  return lastChecked_ > 0;
}

}  // namespace kivra
