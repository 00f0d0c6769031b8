// kivra-server: the catalogue of systems and scripts over HTTP (or HTTPS), with a read-only folder
// of files for the update description and packages.
//   kivra-server --db FILE [--listen HOST:PORT] [--files DIR] [--cert FILE --key FILE]
// Prints "listening on http(s)://HOST:PORT" once the port is bound (PORT 0 takes a free one).
#include <httplib.h>
#include <signal.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "CatalogService.h"
#include "online/CatalogCodec.h"

namespace fs = std::filesystem;
using namespace kivra;
using namespace kivra::server;

namespace {

struct TOptions {
  std::string Db;
  std::string Host = "127.0.0.1";
  int Port = 8080;
  std::string Files;
  std::string Cert;
  std::string Key;
};

constexpr const char* Usage =
    "Использование: kivra-server --db ФАЙЛ [--listen АДРЕС:ПОРТ] [--files ПАПКА] [--cert ФАЙЛ --key ФАЙЛ]\n";

bool ParseOptions(int argc, char** argv, TOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (arg == "--db") {
      options.Db = value;
    } else if (arg == "--listen") {
      const size_t colon = value.rfind(':');
      if (colon == std::string::npos) return false;
      options.Host = value.substr(0, colon);
      int32_t port = 0;
      if (!StrToIntStrict(value.substr(colon + 1), port) || port < 0 || port > 65535) return false;
      options.Port = port;
    } else if (arg == "--files") {
      options.Files = value;
    } else if (arg == "--cert") {
      options.Cert = value;
    } else if (arg == "--key") {
      options.Key = value;
    } else {
      return false;
    }
  }
  return !options.Db.empty() && options.Cert.empty() == options.Key.empty();
}

// The file under `root` that a "/files/..." path names, or empty when it names nothing there: no
// "." or ".." pieces, and after symbolic links are followed the file must still lie inside root.
fs::path FileUnder(const fs::path& root, const std::string& relative) {
  if (relative.empty() || relative.find('\\') != std::string::npos || relative.find('\0') != std::string::npos)
    return {};
  const fs::path rel(relative);
  if (rel.is_absolute()) return {};
  for (const auto& piece : rel)
    if (piece == ".." || piece == ".") return {};
  std::error_code ec;
  const fs::path file = fs::canonical(root / rel, ec);
  if (ec || !fs::is_regular_file(file, ec)) return {};
  const auto [rootEnd, fileIt] = std::mismatch(root.begin(), root.end(), file.begin(), file.end());
  if (rootEnd != root.end()) return {};
  return file;
}

void Routes(httplib::Server& server, TCatalogService& service, const fs::path& files) {
  server.set_payload_max_length(MaxCatalogBytes);
  server.Post(R"(/scripts/([A-Za-z_]+\.php))",
              [&service](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
                std::string body;
                bool tooLarge = false;
                reader([&](const char* data, size_t size) {
                  if (body.size() + size > MaxCatalogBytes) {
                    tooLarge = true;
                    return false;
                  }
                  body.append(data, size);
                  return true;
                });
                if (tooLarge) {
                  res.status = 413;
                  return;
                }
                TFields fields;
                for (auto& [name, value] : ParseFormBody(body)) fields.emplace(std::move(name), std::move(value));
                std::string reply;
                if (!service.Handle(req.matches[1].str(), fields, std::time(nullptr), reply)) {
                  res.status = 404;
                  return;
                }
                res.set_content(std::move(reply), "text/xml; charset=utf-8");
              });
  if (files.empty()) return;
  server.Get(R"(/files/(.+))", [files](const httplib::Request& req, httplib::Response& res) {
    const fs::path file = FileUnder(files, req.matches[1].str());
    if (file.empty()) {
      res.status = 404;
      return;
    }
    auto stream = std::make_shared<std::ifstream>(file, std::ios::binary);
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (!*stream || ec) {
      res.status = 404;
      return;
    }
    res.set_content_provider(static_cast<size_t>(size), "application/octet-stream",
                             [stream](size_t offset, size_t length, httplib::DataSink& sink) {
                               char buffer[65536];
                               stream->seekg(static_cast<std::streamoff>(offset));
                               const size_t want = std::min(length, sizeof buffer);
                               stream->read(buffer, static_cast<std::streamsize>(want));
                               const auto got = static_cast<size_t>(stream->gcount());
                               if (got == 0) return false;
                               sink.write(buffer, got);
                               return true;
                             });
  });
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  if (!ParseOptions(argc, argv, options)) {
    std::cerr << Usage;
    return 2;
  }
  fs::path files;
  if (!options.Files.empty()) {
    std::error_code ec;
    files = fs::canonical(options.Files, ec);
    if (ec || !fs::is_directory(files)) {
      std::cerr << "kivra-server: это не папка: " << options.Files << "\n";
      return 1;
    }
  }
  std::unique_ptr<TCatalogService> service;
  try {
    service = std::make_unique<TCatalogService>(options.Db);
  } catch (const std::exception& e) {
    std::cerr << "kivra-server: не удалось открыть базу данных " << options.Db << ": " << e.what() << "\n";
    return 1;
  }
  // SIGINT and SIGTERM stop the server from a thread of their own.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  std::unique_ptr<httplib::Server> server;
  const bool tls = !options.Cert.empty();
  if (tls) {
    auto secure = std::make_unique<httplib::SSLServer>(options.Cert.c_str(), options.Key.c_str());
    if (!secure->is_valid()) {
      std::cerr << "kivra-server: не удалось использовать сертификат или ключ\n";
      return 1;
    }
    server = std::move(secure);
  } else {
    server = std::make_unique<httplib::Server>();
  }
  Routes(*server, *service, files);
  int port = options.Port;
  if (port == 0) {
    port = server->bind_to_any_port(options.Host);
    if (port < 0) port = -1;
  } else if (!server->bind_to_port(options.Host, port)) {
    port = -1;
  }
  if (port < 0) {
    std::cerr << "kivra-server: не удалось принимать запросы на " << options.Host << ":" << options.Port << "\n";
    return 1;
  }
  std::cout << "kivra-server принимает запросы на " << (tls ? "https://" : "http://") << options.Host << ":" << port
            << std::endl;
  std::thread stopper([&server, signals] {
    int signal = 0;
    sigwait(&signals, &signal);
    server->stop();
  });
  server->listen_after_bind();
  // A stop that did not come from a signal: wake the waiting thread with one.
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return 0;
}
