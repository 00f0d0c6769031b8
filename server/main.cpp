// kivra-server: the catalogue of systems and scripts over HTTP (or HTTPS), with a read-only folder
// of files for the update description and packages.
//   kivra-server --db FILE [--listen HOST:PORT] [--files DIR] [--cert FILE --key FILE]
// Prints "kivra-server принимает запросы на http(s)://HOST:PORT" once the port is bound (PORT 0
// takes a free one).
//
// The connections belong to THttpFront, which reads each request whole under its deadline and
// limits. A request for /files/ is answered from the open file; any other is handed, from
// memory, to the HTTP library's request processing (parsing, routing, the reply's head).
#include <fcntl.h>
#include <httplib.h>
#include <openssl/ssl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "CatalogService.h"
#include "HttpFront.h"
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

// Percent escapes of a request path decoded; false for an escape that is not two hex digits.
bool DecodePath(std::string_view text, std::string& path) {
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  path.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      path += text[i];
      continue;
    }
    if (i + 2 >= text.size() || hex(text[i + 1]) < 0 || hex(text[i + 2]) < 0) return false;
    path += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
    i += 2;
  }
  return true;
}

// A GET or HEAD of "/files/...": the file's length and then its bytes, which the front sends
// from the open file as the client takes them.
TFrontReply FileReply(const fs::path& files, const TFrontRequest& request) {
  std::string_view target = request.Target.substr(std::string_view("/files/").size());
  target = target.substr(0, target.find_first_of("?#"));
  std::string relative;
  fs::path file;
  if (DecodePath(target, relative)) file = FileUnder(files, relative);
  const int fd = file.empty() ? -1 : open(file.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    if (fd >= 0) close(fd);
    return {SimpleReply(404, {}, request.LastOnConnection), -1, 0, request.LastOnConnection};
  }
  TFrontReply reply;
  reply.Bytes = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                std::to_string(info.st_size) + "\r\n";
  if (request.LastOnConnection) reply.Bytes += "Connection: close\r\n";
  reply.Bytes += "\r\n";
  reply.Close = request.LastOnConnection;
  if (request.Method == "HEAD") {
    close(fd);
  } else {
    reply.FileFd = fd;
    reply.FileSize = static_cast<uint64_t>(info.st_size);
  }
  return reply;
}

// A whole request, already read by the front, given to the HTTP library as if from a connection;
// what the library writes is the reply.
class TBufferStream final : public httplib::Stream {
 public:
  explicit TBufferStream(const TFrontRequest& request) : request_(request) {}
  bool is_readable() const override { return pos_ < request_.Head.size() + request_.Body.size(); }
  bool is_writable() const override { return true; }
  ssize_t read(char* ptr, size_t size) override {
    const std::string_view head = request_.Head, body = request_.Body;
    size_t done = 0;
    while (done < size && pos_ < head.size() + body.size()) {
      const std::string_view part = pos_ < head.size() ? head.substr(pos_) : body.substr(pos_ - head.size());
      const size_t n = std::min(size - done, part.size());
      std::memcpy(ptr + done, part.data(), n);
      done += n;
      pos_ += n;
    }
    return static_cast<ssize_t>(done);
  }
  ssize_t write(const char* ptr, size_t size) override {
    out_.append(ptr, size);
    return static_cast<ssize_t>(size);
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ip = request_.RemoteAddress;
    port = request_.RemotePort;
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    ip.clear();
    port = 0;
  }
  socket_t socket() const override { return request_.Socket; }
  std::string Take() { return std::move(out_); }

 private:
  const TFrontRequest& request_;
  size_t pos_ = 0;
  std::string out_;
};

// The catalogue's routes in the HTTP library; Reply runs one request through them.
class TCatalogRoutes : public httplib::Server {
 public:
  explicit TCatalogRoutes(TCatalogService& service) {
    set_payload_max_length(MaxCatalogBytes);
    Post(R"(/scripts/([A-Za-z_]+\.php))",
         [&service](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
           std::string body;
           body.reserve(std::min<size_t>(std::strtoull(req.get_header_value("Content-Length").c_str(), nullptr, 10),
                                         MaxCatalogBytes));
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
           std::string reply;
           if (!service.HandleForm(req.matches[1].str(), body, std::time(nullptr), reply)) {
             res.status = 404;
             return;
           }
           res.set_content(std::move(reply), "text/xml; charset=utf-8");
         });
  }

  TFrontReply Reply(const TFrontRequest& request) {
    TBufferStream stream(request);
    bool closed = false;
    const bool ok = process_request(stream, request.LastOnConnection, closed, nullptr);
    TFrontReply reply;
    reply.Bytes = stream.Take();
    reply.Close = request.LastOnConnection || closed || !ok;
    if (reply.Bytes.empty()) reply = {SimpleReply(400), -1, 0, true};
    return reply;
  }
};

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
  // SIGINT and SIGTERM stop the server from a thread of their own; a client that goes away while
  // its reply is written must not end the process.
  signal(SIGPIPE, SIG_IGN);
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  const bool tls = !options.Cert.empty();
  std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(nullptr, SSL_CTX_free);
  if (tls) {
    context.reset(SSL_CTX_new(TLS_server_method()));
    if (!context || SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION) != 1 ||
        SSL_CTX_use_certificate_chain_file(context.get(), options.Cert.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context.get(), options.Key.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context.get()) != 1) {
      std::cerr << "kivra-server: не удалось использовать сертификат или ключ\n";
      return 1;
    }
    SSL_CTX_set_mode(context.get(), SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  }
  TCatalogRoutes routes(*service);
  TFrontLimits limits;
  limits.MaxBodyBytes = MaxCatalogBytes;
  THttpFront front(
      limits,
      [&routes, &files](const TFrontRequest& request) {
        if ((request.Method == "GET" || request.Method == "HEAD") && !files.empty() &&
            request.Target.substr(0, 7) == "/files/")
          return FileReply(files, request);
        return routes.Reply(request);
      },
      context.get());
  std::string error;
  const int port = front.Bind(options.Host, options.Port, error);
  if (port < 0) {
    std::cerr << "kivra-server: не удалось принимать запросы на " << options.Host << ":" << options.Port << " ("
              << error << ")\n";
    return 1;
  }
  std::cout << "kivra-server принимает запросы на " << (tls ? "https://" : "http://") << options.Host << ":" << port
            << std::endl;
  std::thread stopper([&front, signals] {
    int signal = 0;
    sigwait(&signals, &signal);
    front.Stop();
  });
  front.Run();
  // A stop that did not come from a signal: wake the waiting thread with one.
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return 0;
}
