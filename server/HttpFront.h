// The network side of kivra-server: one thread accepts connections and reads every request whole
// (TLS included) with a deadline and size limits before a worker sees it; workers only compute the
// reply, and the same thread writes it out. A slow, idle or flooding client therefore costs a
// connection slot and a bounded buffer, never a worker.
#pragma once

#include <openssl/ssl.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kivra::server {

struct TFrontLimits {
  size_t MaxHeadBytes = 16 * 1024;  // the request line and the header lines together (431 beyond)
  size_t MaxHeaderCount = 64;       // header lines (431 beyond)
  uint64_t MaxBodyBytes = uint64_t{16} << 20;  // 413 beyond
  // The bodies of all requests being read or served at once; a request that would pass it is
  // answered 503.
  uint64_t MaxBufferedBodies = uint64_t{256} << 20;
  // A request must arrive whole (TLS set-up, head and body) within RequestTimeout plus
  // TimePerMiB for every started MiB of its declared body.
  std::chrono::milliseconds RequestTimeout{5000};
  std::chrono::milliseconds TimePerMiB{1000};
  // Time allowed between requests on one connection.
  std::chrono::milliseconds KeepAliveTimeout{5000};
  // A reply whose client takes nothing for this long is dropped.
  std::chrono::milliseconds WriteStallTimeout{10000};
  size_t MaxConnections = 512;
  size_t MaxRequestsPerConnection = 100;
  size_t Workers = 8;
};

// One whole request as read from the connection.
struct TFrontRequest {
  std::string_view Method;
  std::string_view Target;
  std::string_view Version;
  // The request line and the header lines without "Expect" (already answered) and
  // "Accept-Encoding" (replies go uncompressed), ended by an empty line.
  std::string Head;
  std::vector<std::pair<std::string_view, std::string_view>> Headers;
  std::string_view Body;
  std::string RemoteAddress;
  int RemotePort = 0;
  int Socket = -1;
  bool LastOnConnection = false;  // the connection closes after this reply (asked by the client or by the limits)
};

// The reply: bytes to send, then optionally a file's first FileSize bytes; Close ends the
// connection after it.
struct TFrontReply {
  std::string Bytes;
  int FileFd = -1;  // owned by the front once returned
  uint64_t FileSize = 0;
  bool Close = false;
};

using TFrontHandler = std::function<TFrontReply(const TFrontRequest&)>;

class THttpFront {
 public:
  // `tls` (may be null) makes every connection TLS; the front takes a reference to it.
  THttpFront(TFrontLimits limits, TFrontHandler handler, SSL_CTX* tls);
  ~THttpFront();
  THttpFront(const THttpFront&) = delete;
  THttpFront& operator=(const THttpFront&) = delete;

  // The bound port (`port` 0 takes a free one), or -1 with `error` set.
  int Bind(const std::string& host, int port, std::string& error);
  // Serves until Stop; returns when every worker has finished.
  void Run();
  // From any thread or a signal-waiting thread.
  void Stop();

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

// The reason phrase of a status code the front and the bridge use.
std::string_view StatusText(int status);
// "HTTP/1.1 <status> <text>" with Content-Length 0 (or the given body) and Connection: close.
std::string SimpleReply(int status, std::string_view body = {}, bool close = true);

}  // namespace kivra::server
