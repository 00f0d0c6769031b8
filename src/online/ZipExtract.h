// Extraction of the members of a zip file whose base names match a mask, flat into one folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

struct TZipLimits {
  uint64_t MaxMemberBytes = uint64_t{64} << 20;
  uint64_t MaxTotalBytes = uint64_t{256} << 20;
};

// Writes every regular member whose whole name is a plain base name matching `mask` (ASCII case
// ignored) into `folder`, each through a temporary file and a rename, replacing files of the same
// name. Members with a path, "..", a drive letter, an empty name, a link or a size past the limits
// are never written. Returns the files written; throws TFileError when the zip cannot be read.
std::vector<std::filesystem::path> ExtractMatching(const std::filesystem::path& zip,
                                                   const std::filesystem::path& folder, std::string_view mask,
                                                   const TZipLimits& limits = {});

}  // namespace kivra
