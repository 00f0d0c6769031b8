// kivra-server in a child process for a test, stopped when the object goes; its address comes
// from the line the server prints once bound ("http://..." or "https://...").
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"

extern char** environ;

namespace kivra::test {

class TServerProcess {
 public:
  // The server with the given parameters (--db, --listen, --files, ...).
  TServerProcess(const char* program, std::vector<std::string> args) { Start(program, std::move(args)); }
  // A fresh catalogue in `dir` (catalog.db, files/ with UpdDescr/) on 127.0.0.1, and `extra`.
  TServerProcess(const TTempDir& dir, const char* program, std::vector<std::string> extra = {}) {
    std::filesystem::create_directories(dir / "files" / "UpdDescr");
    std::vector<std::string> args = {"--db", (dir / "catalog.db").string(), "--listen", "127.0.0.1:0", "--files",
                                     (dir / "files").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    Start(program, std::move(args));
  }
  ~TServerProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  TServerProcess(const TServerProcess&) = delete;
  TServerProcess& operator=(const TServerProcess&) = delete;

  // Empty when the server did not start.
  const std::string& Url() const { return url_; }
  // The port of Url (0 when none).
  int Port() const {
    const size_t colon = url_.rfind(':');
    return colon == std::string::npos ? 0 : std::atoi(url_.c_str() + colon + 1);
  }
  // Ends the server at once, as a crash or a power cut of the process would (SIGKILL).
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  void Start(const char* program, std::vector<std::string> args) {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    args.insert(args.begin(), program);
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

  pid_t pid_ = -1;
  std::string url_;
};

}  // namespace kivra::test
