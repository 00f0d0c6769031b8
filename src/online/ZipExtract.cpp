#include "online/ZipExtract.h"

#include <sys/stat.h>
#include <zip.h>

#include <cstdio>
#include <memory>

#include "core/FileUtils.h"

namespace kivra {

namespace {

// A plain base name: no separators, no drive letter, not "." or "..".
bool PlainName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.find_first_of("/\\") != std::string_view::npos) return false;
  if (name.size() >= 2 && name[1] == ':') return false;
  return true;
}

bool RegularMember(zip_t* archive, zip_uint64_t index) {
  zip_uint8_t system = 0;
  zip_uint32_t attributes = 0;
  if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0) return false;
  if (system != ZIP_OPSYS_UNIX) return true;  // other systems store no file type
  // Several writers store only the permission bits: no file type counts as a regular file; only
  // members marked as directories, links or devices are skipped.
  const mode_t type = static_cast<mode_t>(attributes >> 16) & S_IFMT;
  return type == 0 || type == S_IFREG;
}

}  // namespace

std::vector<std::filesystem::path> ExtractMatching(const std::filesystem::path& zip,
                                                   const std::filesystem::path& folder, std::string_view mask,
                                                   const TZipLimits& limits) {
  int error = 0;
  std::unique_ptr<zip_t, decltype(&zip_discard)> archive(zip_open(zip.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error),
                                                         zip_discard);
  if (!archive) {
    zip_error_t e;
    zip_error_init_with_code(&e, error);
    const std::string text = zip_error_strerror(&e);
    zip_error_fini(&e);
    throw TFileError("Файл " + zip.filename().string() + " не является zip-архивом или поврежден: " + text);
  }
  std::vector<std::filesystem::path> written;
  uint64_t total = 0;
  const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive.get(), index, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) continue;
    const std::string_view name = st.name;
    if (!PlainName(name) || !MatchFileMask(name, mask) || !RegularMember(archive.get(), index)) continue;
    if (!(st.valid & ZIP_STAT_SIZE) || st.size > limits.MaxMemberBytes || total + st.size > limits.MaxTotalBytes)
      continue;
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> member(zip_fopen_index(archive.get(), index, 0), zip_fclose);
    if (!member) throw TFileError("Ошибка чтения " + std::string(name) + ": " + zip_strerror(archive.get()));
    std::string bytes;
    bytes.reserve(static_cast<size_t>(st.size));
    char buffer[65536];
    zip_int64_t n;
    while ((n = zip_fread(member.get(), buffer, sizeof buffer)) > 0) {
      // The stored size may lie: the data read counts against the limits too.
      if (bytes.size() + static_cast<size_t>(n) > limits.MaxMemberBytes)
        throw TFileError("Слишком большой файл " + std::string(name));
      bytes.append(buffer, static_cast<size_t>(n));
    }
    if (n < 0) throw TFileError("Ошибка чтения " + std::string(name) + ": " + zip_file_strerror(member.get()));
    total += bytes.size();
    const std::filesystem::path target = folder / std::string(name);
    WriteFileAtomic(target, bytes);
    written.push_back(target);
  }
  return written;
}

}  // namespace kivra
