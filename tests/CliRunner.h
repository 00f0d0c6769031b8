// Runs kivra-cli on a data folder, as the end-to-end tests do.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "TempDir.h"

namespace kivra::test {

struct TCliRun {
  int Status = -1;  // the exit status; -1 when the program did not exit normally
  std::string Out;
  std::string Err;
};

// `kivra-cli --data-dir <data> <args>`: the arguments are passed to the shell as written; stderr
// goes through `errFile`.
inline TCliRun RunCli(const std::filesystem::path& data, const std::string& args,
                      const std::filesystem::path& errFile) {
  const std::string cmd =
      std::string(KIVRA_CLI) + " --data-dir '" + data.string() + "' " + args + " 2>'" + errFile.string() + "'";
  TCliRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.Out.append(buf.data(), n);
  const int status = pclose(p);
  r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.Err = ReadBytes(errFile);
  return r;
}

}  // namespace kivra::test
