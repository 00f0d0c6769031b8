#include "workspace/ProgramFiles.h"

namespace kivra {

namespace {

std::filesystem::path SharedFolder(const std::filesystem::path& executableDir) {
  return executableDir.parent_path() / "share" / ProgramBaseName;
}

}  // namespace

std::filesystem::path ProgramResourceDir(const std::filesystem::path& executableDir, std::string_view name) {
  if (executableDir.empty()) return {};
  for (const auto& dir : {executableDir / name, executableDir.parent_path() / name, SharedFolder(executableDir) / name}) {
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return dir;
  }
  return {};
}

bool InstalledProgram(const std::filesystem::path& executableDir) {
  std::error_code ec;
  return !executableDir.empty() && executableDir.filename() == "bin" &&
         std::filesystem::is_directory(SharedFolder(executableDir), ec);
}

}  // namespace kivra
