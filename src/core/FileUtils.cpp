// Whole-file reads and atomic whole-file writes on POSIX file descriptors.
#include "core/FileUtils.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>

namespace kivra {
namespace {

[[noreturn]] void ThrowErrno(int error) { throw TFileError(SystemErrorText(error)); }

// strerror_r comes in two flavours (GNU returns the text, XSI fills the buffer); accept both.
[[maybe_unused]] const char* StrerrorResult(const char* text, const char*) { return text; }
[[maybe_unused]] const char* StrerrorResult(int result, const char* buffer) { return result == 0 ? buffer : nullptr; }

// Closes the descriptor when it goes out of scope.
class TFd {
 public:
  explicit TFd(int fd) : fd_(fd) {}
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }

 private:
  int fd_;
};

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Writes everything, continuing after short writes and interrupts. Returns 0 or the errno.
int WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return 0;
}

// Makes the rename itself durable. A failure here cannot be reported usefully (the new content is
// already in place), so it is ignored.
void SyncFolder(const std::filesystem::path& folder) {
  const int fd = OpenRetrying(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::atomic<unsigned> tempCounter{0};

}  // namespace

std::string SystemErrorText(int error) {
  // The interface speaks Russian: the errors a person meets with files get Russian texts.
  switch (error) {
    case ENOENT: return "Не удается найти указанный файл.";
    case EACCES:
    case EPERM: return "Отказано в доступе.";
    case ENOSPC: return "Недостаточно места на диске.";
    case EISDIR: return "Указанный путь является папкой.";
    case ENOTDIR: return "Неверно задан путь к файлу.";
    case EROFS: return "Диск защищен от записи.";
    case EFBIG: return "Файл слишком велик.";
    case ENAMETOOLONG: return "Слишком длинное имя файла.";
    case EIO: return "Ошибка ввода-вывода.";
    case EEXIST: return "Файл уже существует.";
    case ENOTEMPTY: return "Папка не пуста.";
    case EBUSY:
    case ETXTBSY: return "Файл занят другой программой.";
    case EXDEV: return "Нельзя перенести файл на другой диск.";
    case EMFILE:
    case ENFILE: return "Открыто слишком много файлов.";
    case ENOMEM: return "Недостаточно памяти.";
    case EINVAL: return "Недопустимый параметр.";
    case ELOOP: return "Слишком много символических ссылок в пути.";
    case EDQUOT: return "Превышена квота на диске.";
    case EAGAIN: return "Ресурс временно недоступен.";
    case EINTR: return "Операция прервана.";
    default: break;
  }
  char buffer[256] = {};
  const char* text = StrerrorResult(::strerror_r(error, buffer, sizeof buffer), buffer);
  std::fprintf(stderr, "system error %d: %s\n", error, text ? text : "?");
  return "Системная ошибка " + std::to_string(error) + ".";
}

std::string ErrorText(const std::exception& e) {
  if (const auto* fs = dynamic_cast<const std::filesystem::filesystem_error*>(&e)) {
    std::fprintf(stderr, "%s\n", fs->what());
    std::string text = SystemErrorText(fs->code().value());
    if (!fs->path1().empty()) text += " (" + fs->path1().string() + ")";
    return text;
  }
  if (const auto* sys = dynamic_cast<const std::system_error*>(&e);
      sys && (sys->code().category() == std::generic_category() || sys->code().category() == std::system_category())) {
    std::fprintf(stderr, "%s\n", sys->what());
    return SystemErrorText(sys->code().value());
  }
  if (dynamic_cast<const std::bad_alloc*>(&e)) return "Недостаточно памяти.";
  return e.what();
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  TFd fd(OpenRetrying(path.c_str(), O_RDONLY));
  if (fd.Get() < 0) ThrowErrno(errno);

  std::string bytes;
  struct stat info {};
  if (::fstat(fd.Get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    bytes.reserve(static_cast<size_t>(info.st_size));
  }
  // Read until the end rather than trusting the size: the file may grow, or be a pipe.
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (n == 0) break;
    bytes.append(chunk, static_cast<size_t>(n));
  }
  return bytes;
}

void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
  if (path.empty()) ThrowErrno(ENOENT);
  if (!path.has_filename()) ThrowErrno(EISDIR);  // "folder/"

  // The temporary file sits beside the target so that the rename stays within one file system.
  // Its name carries the process id and a counter, so concurrent writers never share one.
  // If the target is a symbolic link, the link itself is replaced by the new file.
  const std::filesystem::path folder = path.parent_path();
  const std::string baseName = path.filename().string() + ".tmp" + std::to_string(::getpid());
  std::filesystem::path tempPath;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tempPath = folder / (baseName + "-" + std::to_string(tempCounter.fetch_add(1)));
    fd = OpenRetrying(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0 && errno != EEXIST) ThrowErrno(errno);
  }
  if (fd < 0) ThrowErrno(EEXIST);

  // From here on every failure removes the temporary file; the target has not been touched.
  const auto fail = [&](int error) {
    if (fd >= 0) ::close(fd);
    ::unlink(tempPath.c_str());
    ThrowErrno(error);
  };

  // An existing file keeps its permissions; the new file would otherwise get the umask default.
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    ::fchmod(fd, old.st_mode & 07777);
  }

  if (const int error = WriteAll(fd, bytes); error != 0) fail(error);
  if (::fsync(fd) != 0) fail(errno);
  // close() can report a delayed write error (network file systems); treat it as a failure.
  const int closing = fd;
  fd = -1;
  if (::close(closing) != 0 && errno != EINTR) fail(errno);
  if (::rename(tempPath.c_str(), path.c_str()) != 0) fail(errno);
  SyncFolder(folder);
}

bool MatchFileMask(std::string_view name, std::string_view mask) {
  if (mask == "*.*") return true;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  // Greedy matching with one backtrack point for the last "*".
  size_t n = 0, m = 0, starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || lower(mask[m]) == lower(name[n]))) {
      ++n, ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

std::vector<std::filesystem::path> FindFilesByMask(const std::filesystem::path& folder, std::string_view mask) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError) && MatchFileMask(it->path().filename().string(), mask))
      files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace kivra
