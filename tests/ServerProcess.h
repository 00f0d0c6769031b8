// kivra-server started by a test on 127.0.0.1 with a fresh database in a temporary folder.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "TempDir.h"

extern char** environ;

namespace kivra::test {

// kivra-server in a child process; the address comes from the line it prints once bound.
class TServerProcess {
 public:
  TServerProcess(const TTempDir& dir, const char* program, std::vector<std::string> extra = {}) {
    std::filesystem::create_directories(dir / "files" / "UpdDescr");
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string db = (dir / "catalog.db").string(), files = (dir / "files").string();
    std::vector<std::string> args = {program, "--db", db, "--listen", "127.0.0.1:0", "--files", files};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string line;
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    const size_t at = line.find("http");
    if (pid_ > 0 && at != std::string::npos) url_ = line.substr(at);
  }
  ~TServerProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
  }
  const std::string& Url() const { return url_; }

 private:
  pid_t pid_ = -1;
  std::string url_;
};

}  // namespace kivra::test
