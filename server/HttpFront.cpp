#include "HttpFront.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace kivra::server {

namespace {

using TClock = std::chrono::steady_clock;
constexpr size_t ReadChunk = 64 * 1024;
constexpr size_t WriteChunk = 256 * 1024;
constexpr auto DrainTime = std::chrono::seconds(2);
constexpr uint64_t MiB = uint64_t{1} << 20;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool ContainsNoCase(std::string_view hay, std::string_view needle) {
  for (size_t i = 0; i + needle.size() <= hay.size(); ++i)
    if (SameNoCase(hay.substr(i, needle.size()), needle)) return true;
  return false;
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsTokenChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u <= 32 || u >= 127) return false;
  return std::string_view("()<>@,;:\\\"/[]?={}").find(c) == std::string_view::npos;
}

enum class TState { Handshake, Reading, Busy, Writing, Draining, Closed };

struct TConn {
  uint64_t Id = 0;
  int Fd = -1;
  SSL* Ssl = nullptr;
  TState State = TState::Reading;
  bool SslWantsWrite = false;  // the TLS layer needs the socket writable to go on
  bool SslWantsRead = false;
  std::string RemoteAddress;
  int RemotePort = 0;
  // The current request (and any bytes after it) as received.
  std::string In;
  size_t HeadEnd = 0;  // 0 until the head is complete
  size_t Scanned = 0;  // bytes of In already searched for the head's end
  uint64_t BodyLength = 0;
  uint64_t Reserved = 0;  // bytes of the body budget held
  bool ExpectContinue = false;
  bool ClientCloses = false;
  size_t Requests = 0;
  TClock::time_point Deadline;
  TClock::time_point Since;  // when the connection began waiting in its state
  // The reply being written.
  std::string Out;
  size_t OutPos = 0;
  int FileFd = -1;
  uint64_t FileOffset = 0, FileLeft = 0;
  bool CloseAfter = false;
};

}  // namespace

std::string_view StatusText(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 411: return "Length Required";
    case 413: return "Payload Too Large";
    case 414: return "URI Too Long";
    case 417: return "Expectation Failed";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Error";
  }
}

std::string SimpleReply(int status, std::string_view body, bool close) {
  std::string text = "HTTP/1.1 " + std::to_string(status) + " " + std::string(StatusText(status)) + "\r\n";
  if (!body.empty()) text += "Content-Type: text/plain; charset=utf-8\r\n";
  text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  if (close) text += "Connection: close\r\n";
  text += "\r\n";
  text += body;
  return text;
}

struct THttpFront::TImpl {
  TFrontLimits Limits;
  TFrontHandler Handler;
  SSL_CTX* Tls = nullptr;
  int ListenFd = -1;
  int WakeFd = -1;
  std::atomic<bool> Stopping{false};

  std::unordered_map<uint64_t, std::unique_ptr<TConn>> Conns;
  uint64_t NextId = 1;
  uint64_t BudgetUsed = 0;

  // Work for the workers and their finished replies.
  struct TJob {
    uint64_t ConnId;
    TFrontRequest Request;
  };
  std::mutex JobsMutex;
  std::condition_variable JobsReady;
  std::deque<TJob> Jobs;
  bool JobsClosed = false;
  std::mutex DoneMutex;
  std::vector<std::pair<uint64_t, TFrontReply>> Done;
  std::vector<std::thread> Workers;

  // ---- workers ----

  void WorkerLoop() {
    for (;;) {
      TJob job;
      {
        std::unique_lock lock(JobsMutex);
        JobsReady.wait(lock, [&] { return JobsClosed || !Jobs.empty(); });
        if (Jobs.empty()) return;
        job = std::move(Jobs.front());
        Jobs.pop_front();
      }
      TFrontReply reply;
      try {
        reply = Handler(job.Request);
      } catch (const std::exception&) {
        reply = TFrontReply{SimpleReply(500), -1, 0, true};
      }
      {
        std::lock_guard lock(DoneMutex);
        Done.emplace_back(job.ConnId, std::move(reply));
      }
      Wake();
    }
  }

  void Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(WakeFd, &one, sizeof one);
  }

  // ---- transport: plain or TLS ----

  // Bytes read (> 0), 0 at the end of the stream or on an error, -1 when nothing is there yet.
  ssize_t Receive(TConn& c, char* buffer, size_t size) {
    c.SslWantsWrite = c.SslWantsRead = false;
    if (!c.Ssl) {
      const ssize_t n = recv(c.Fd, buffer, size, 0);
      if (n > 0) return n;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return -1;
      return 0;
    }
    ERR_clear_error();
    const int n = SSL_read(c.Ssl, buffer, static_cast<int>(std::min<size_t>(size, INT32_MAX)));
    if (n > 0) return n;
    switch (SSL_get_error(c.Ssl, n)) {
      case SSL_ERROR_WANT_READ: c.SslWantsRead = true; return -1;
      case SSL_ERROR_WANT_WRITE: c.SslWantsWrite = true; return -1;
      default: return 0;
    }
  }

  // Bytes sent (> 0), 0 on an error, -1 when the socket cannot take more yet.
  ssize_t Send(TConn& c, const char* data, size_t size) {
    c.SslWantsWrite = c.SslWantsRead = false;
    if (!c.Ssl) {
      const ssize_t n = send(c.Fd, data, size, MSG_NOSIGNAL);
      if (n > 0) return n;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return -1;
      return 0;
    }
    ERR_clear_error();
    const int n = SSL_write(c.Ssl, data, static_cast<int>(std::min<size_t>(size, INT32_MAX)));
    if (n > 0) return n;
    switch (SSL_get_error(c.Ssl, n)) {
      case SSL_ERROR_WANT_READ: c.SslWantsRead = true; return -1;
      case SSL_ERROR_WANT_WRITE: c.SslWantsWrite = true; return -1;
      default: return 0;
    }
  }

  // ---- connection life ----

  void Close(TConn& c) {
    if (c.State == TState::Closed) return;
    if (c.Ssl) SSL_free(c.Ssl);
    c.Ssl = nullptr;
    if (c.Fd >= 0) close(c.Fd);
    c.Fd = -1;
    if (c.FileFd >= 0) close(c.FileFd);
    c.FileFd = -1;
    BudgetUsed -= c.Reserved;
    c.Reserved = 0;
    c.State = TState::Closed;
  }

  void Accept() {
    for (int i = 0; i < 64; ++i) {
      sockaddr_storage address{};
      socklen_t length = sizeof address;
      const int fd = accept4(ListenFd, reinterpret_cast<sockaddr*>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) return;
      if (Conns.size() >= Limits.MaxConnections && !EvictOne()) {
        close(fd);
        continue;
      }
      const int on = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      auto c = std::make_unique<TConn>();
      c->Id = NextId++;
      c->Fd = fd;
      char host[INET6_ADDRSTRLEN] = "";
      if (address.ss_family == AF_INET) {
        const auto* a = reinterpret_cast<const sockaddr_in*>(&address);
        inet_ntop(AF_INET, &a->sin_addr, host, sizeof host);
        c->RemotePort = ntohs(a->sin_port);
      } else if (address.ss_family == AF_INET6) {
        const auto* a = reinterpret_cast<const sockaddr_in6*>(&address);
        inet_ntop(AF_INET6, &a->sin6_addr, host, sizeof host);
        c->RemotePort = ntohs(a->sin6_port);
      }
      c->RemoteAddress = host;
      const auto now = TClock::now();
      c->Since = now;
      c->Deadline = now + Limits.RequestTimeout;
      if (Tls) {
        c->Ssl = SSL_new(Tls);
        if (!c->Ssl || SSL_set_fd(c->Ssl, fd) != 1) {
          if (c->Ssl) SSL_free(c->Ssl);
          close(fd);
          continue;
        }
        SSL_set_accept_state(c->Ssl);
        c->State = TState::Handshake;
      }
      TConn& ref = *c;
      Conns.emplace(c->Id, std::move(c));
      if (ref.State == TState::Handshake) Handshake(ref);
    }
  }

  // Makes room for a new connection by closing the one that has waited longest for a request to
  // arrive (or for its farewell to be drained); false when every connection is being served.
  bool EvictOne() {
    TConn* oldest = nullptr;
    for (auto& [id, c] : Conns) {
      if (c->State != TState::Handshake && c->State != TState::Reading && c->State != TState::Draining) continue;
      if (!oldest || c->Since < oldest->Since) oldest = c.get();
    }
    if (!oldest) return false;
    Close(*oldest);
    Conns.erase(oldest->Id);
    return true;
  }

  void Handshake(TConn& c) {
    ERR_clear_error();
    c.SslWantsRead = c.SslWantsWrite = false;
    const int rc = SSL_do_handshake(c.Ssl);
    if (rc == 1) {
      c.State = TState::Reading;
      ReadRequest(c);
      return;
    }
    switch (SSL_get_error(c.Ssl, rc)) {
      case SSL_ERROR_WANT_READ: c.SslWantsRead = true; break;
      case SSL_ERROR_WANT_WRITE: c.SslWantsWrite = true; break;
      default: Close(c);
    }
  }

  // A reply written by the front itself, after which the connection is drained and closed.
  void Refuse(TConn& c, int status) {
    BudgetUsed -= c.Reserved;
    c.Reserved = 0;
    StartWriting(c, TFrontReply{SimpleReply(status), -1, 0, true});
  }

  void StartWriting(TConn& c, TFrontReply reply) {
    c.State = TState::Writing;
    c.Out = std::move(reply.Bytes);
    c.OutPos = 0;
    if (c.FileFd >= 0) close(c.FileFd);
    c.FileFd = reply.FileFd;
    c.FileOffset = 0;
    c.FileLeft = reply.FileFd >= 0 ? reply.FileSize : 0;
    c.CloseAfter = reply.Close;
    c.Deadline = TClock::now() + Limits.WriteStallTimeout;
    WriteReply(c);
  }

  void WriteReply(TConn& c) {
    for (;;) {
      if (c.OutPos == c.Out.size()) {
        if (c.FileLeft == 0) break;
        const size_t want = static_cast<size_t>(std::min<uint64_t>(c.FileLeft, WriteChunk));
        c.Out.resize(want);
        const ssize_t got = pread(c.FileFd, c.Out.data(), want, static_cast<off_t>(c.FileOffset));
        if (got <= 0) {
          Close(c);
          return;
        }
        c.Out.resize(static_cast<size_t>(got));
        c.OutPos = 0;
        c.FileOffset += static_cast<uint64_t>(got);
        c.FileLeft -= static_cast<uint64_t>(got);
      }
      const size_t size = std::min(c.Out.size() - c.OutPos, WriteChunk);
      const ssize_t n = Send(c, c.Out.data() + c.OutPos, size);
      if (n < 0) return;
      if (n == 0) {
        Close(c);
        return;
      }
      c.OutPos += static_cast<size_t>(n);
      c.Deadline = TClock::now() + Limits.WriteStallTimeout;
    }
    // The whole reply is out.
    if (c.FileFd >= 0) close(c.FileFd);
    c.FileFd = -1;
    std::string().swap(c.Out);
    c.OutPos = 0;
    if (c.CloseAfter || Stopping) {
      StartDraining(c);
      return;
    }
    // Keep the connection for the next request; bytes already received after this one stay.
    const size_t used = c.HeadEnd + static_cast<size_t>(c.BodyLength);
    c.In.erase(0, std::min(used, c.In.size()));
    if (c.In.capacity() > 4 * ReadChunk) c.In.shrink_to_fit();
    c.HeadEnd = 0;
    c.Scanned = 0;
    c.BodyLength = 0;
    c.ExpectContinue = false;
    c.State = TState::Reading;
    const auto now = TClock::now();
    c.Since = now;
    c.Deadline = now + (c.In.empty() ? Limits.KeepAliveTimeout : Limits.RequestTimeout);
    ReadRequest(c);
  }

  // After a reply that ends the connection: no more writing, and what the client still sends is
  // read and dropped for a short while, so that closing does not reset the connection before the
  // client has read the reply.
  void StartDraining(TConn& c) {
    if (c.Ssl) {
      Close(c);
      return;
    }
    shutdown(c.Fd, SHUT_WR);
    c.State = TState::Draining;
    c.In.clear();
    c.In.shrink_to_fit();
    c.Since = TClock::now();
    c.Deadline = c.Since + DrainTime;
    Drain(c);
  }

  void Drain(TConn& c) {
    char buffer[16384];
    for (int i = 0; i < 64; ++i) {
      const ssize_t n = Receive(c, buffer, sizeof buffer);
      if (n < 0) return;
      if (n == 0) {
        Close(c);
        return;
      }
    }
  }

  // Reads what the request still needs; hands it to a worker once whole.
  void ReadRequest(TConn& c) {
    for (;;) {
      if (c.HeadEnd == 0 && !c.In.empty() && !ParseWhatArrived(c)) return;
      if (c.State != TState::Reading) return;
      if (c.HeadEnd > 0 && c.In.size() >= c.HeadEnd + c.BodyLength) {
        Dispatch(c);
        return;
      }
      size_t want = ReadChunk;
      if (c.HeadEnd == 0) want = std::min(want, Limits.MaxHeadBytes + 1 - std::min(c.In.size(), Limits.MaxHeadBytes));
      else want = static_cast<size_t>(std::min<uint64_t>(want, c.HeadEnd + c.BodyLength - c.In.size()));
      const size_t before = c.In.size();
      c.In.resize(before + want);
      const ssize_t n = Receive(c, c.In.data() + before, want);
      c.In.resize(before + static_cast<size_t>(std::max<ssize_t>(n, 0)));
      if (n < 0) return;
      if (n == 0) {
        Close(c);
        return;
      }
      if (before == 0 && c.HeadEnd == 0) c.Deadline = std::max(c.Deadline, TClock::now() + Limits.RequestTimeout);
    }
  }

  // Looks for the end of the head; once found, checks it. False when the connection got a reply
  // (or closed) instead, or when the head is still incomplete.
  bool ParseWhatArrived(TConn& c) {
    const size_t end = c.In.find("\r\n\r\n", c.Scanned);
    c.Scanned = c.In.size() < 3 ? 0 : c.In.size() - 3;
    if (end == std::string::npos || end + 4 > Limits.MaxHeadBytes) {
      if (c.In.size() > Limits.MaxHeadBytes || (end != std::string::npos)) {
        Refuse(c, 431);
        return false;
      }
      return true;  // more to come
    }
    c.HeadEnd = end + 4;
    const std::string_view head(c.In.data(), c.HeadEnd - 2);
    // Request line.
    const size_t lineEnd = head.find("\r\n");
    const std::string_view line = head.substr(0, lineEnd);
    const size_t sp1 = line.find(' ');
    const size_t sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || line.find(' ', sp2 + 1) != std::string_view::npos) {
      Refuse(c, 400);
      return false;
    }
    const std::string_view method = line.substr(0, sp1), target = line.substr(sp1 + 1, sp2 - sp1 - 1),
                           version = line.substr(sp2 + 1);
    if (method.empty() || !std::all_of(method.begin(), method.end(), IsTokenChar) || target.empty() ||
        (target.front() != '/' && target != "*")) {
      Refuse(c, 400);
      return false;
    }
    if (version != "HTTP/1.1" && version != "HTTP/1.0") {
      Refuse(c, version.substr(0, 5) == "HTTP/" ? 505 : 400);
      return false;
    }
    // Header lines.
    size_t count = 0;
    bool haveLength = false, keepAlive = false;
    c.BodyLength = 0;
    c.ExpectContinue = false;
    c.ClientCloses = version == "HTTP/1.0";
    for (size_t pos = lineEnd + 2; pos < head.size();) {
      size_t next = head.find("\r\n", pos);
      if (next == std::string_view::npos) next = head.size();
      const std::string_view field = head.substr(pos, next - pos);
      pos = next + 2;
      if (++count > Limits.MaxHeaderCount) {
        Refuse(c, 431);
        return false;
      }
      const size_t colon = field.find(':');
      if (colon == 0 || colon == std::string_view::npos ||
          !std::all_of(field.begin(), field.begin() + static_cast<ptrdiff_t>(colon), IsTokenChar)) {
        Refuse(c, 400);
        return false;
      }
      const std::string_view name = field.substr(0, colon), value = TrimSpaces(field.substr(colon + 1));
      if (SameNoCase(name, "Content-Length")) {
        uint64_t length = 0;
        if (value.empty() || value.size() > 18 || !std::all_of(value.begin(), value.end(), [](char ch) {
              return ch >= '0' && ch <= '9';
            })) {
          Refuse(c, 400);
          return false;
        }
        for (const char ch : value) length = length * 10 + static_cast<uint64_t>(ch - '0');
        if (haveLength && length != c.BodyLength) {
          Refuse(c, 400);
          return false;
        }
        haveLength = true;
        c.BodyLength = length;
      } else if (SameNoCase(name, "Transfer-Encoding")) {
        // Bodies come with a length only.
        Refuse(c, 411);
        return false;
      } else if (SameNoCase(name, "Expect")) {
        if (!SameNoCase(value, "100-continue")) {
          Refuse(c, 417);
          return false;
        }
        c.ExpectContinue = true;
      } else if (SameNoCase(name, "Connection")) {
        if (ContainsNoCase(value, "close")) c.ClientCloses = true;
        if (ContainsNoCase(value, "keep-alive")) keepAlive = true;
      }
    }
    if (version == "HTTP/1.0" && keepAlive && !ContainsNoCase(head, "connection: close")) c.ClientCloses = false;
    if (c.BodyLength > Limits.MaxBodyBytes) {
      Refuse(c, 413);
      return false;
    }
    if (c.BodyLength > 0) {
      if (BudgetUsed + c.BodyLength > Limits.MaxBufferedBodies) {
        Refuse(c, 503);
        return false;
      }
      BudgetUsed += c.BodyLength;
      c.Reserved = c.BodyLength;
      c.In.reserve(c.HeadEnd + static_cast<size_t>(c.BodyLength));
      const uint64_t mib = (c.BodyLength + MiB - 1) / MiB;
      c.Deadline += Limits.TimePerMiB * static_cast<int64_t>(mib);
      if (c.ExpectContinue && c.In.size() < c.HeadEnd + c.BodyLength) {
        static constexpr std::string_view proceed = "HTTP/1.1 100 Continue\r\n\r\n";
        if (Send(c, proceed.data(), proceed.size()) != static_cast<ssize_t>(proceed.size())) {
          Close(c);
          return false;
        }
      }
    }
    return true;
  }

  void Dispatch(TConn& c) {
    TJob job;
    job.ConnId = c.Id;
    TFrontRequest& r = job.Request;
    const std::string_view head(c.In.data(), c.HeadEnd - 2);
    const size_t lineEnd = head.find("\r\n");
    const std::string_view line = head.substr(0, lineEnd);
    const size_t sp1 = line.find(' '), sp2 = line.find(' ', sp1 + 1);
    r.Method = line.substr(0, sp1);
    r.Target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    r.Version = line.substr(sp2 + 1);
    r.Head.reserve(head.size() + 2);
    r.Head.append(line).append("\r\n");
    for (size_t pos = lineEnd + 2; pos < head.size();) {
      size_t next = head.find("\r\n", pos);
      if (next == std::string_view::npos) next = head.size();
      const std::string_view field = head.substr(pos, next - pos);
      pos = next + 2;
      const size_t colon = field.find(':');
      const std::string_view name = field.substr(0, colon);
      r.Headers.emplace_back(name, TrimSpaces(field.substr(colon + 1)));
      if (SameNoCase(name, "Expect") || SameNoCase(name, "Accept-Encoding")) continue;
      r.Head.append(field).append("\r\n");
    }
    r.Head.append("\r\n");
    r.Body = std::string_view(c.In.data() + c.HeadEnd, static_cast<size_t>(c.BodyLength));
    r.RemoteAddress = c.RemoteAddress;
    r.RemotePort = c.RemotePort;
    r.Socket = c.Fd;
    ++c.Requests;
    r.LastOnConnection = c.ClientCloses || c.Requests >= Limits.MaxRequestsPerConnection || Stopping;
    c.State = TState::Busy;
    {
      std::lock_guard lock(JobsMutex);
      Jobs.push_back(std::move(job));
    }
    JobsReady.notify_one();
  }

  void Finish(uint64_t id, TFrontReply reply) {
    const auto it = Conns.find(id);
    if (it == Conns.end() || it->second->State != TState::Busy) {
      if (reply.FileFd >= 0) close(reply.FileFd);
      return;
    }
    TConn& c = *it->second;
    BudgetUsed -= c.Reserved;
    c.Reserved = 0;
    reply.Close = reply.Close || c.ClientCloses || c.Requests >= Limits.MaxRequestsPerConnection;
    StartWriting(c, std::move(reply));
  }

  void OnEvent(TConn& c, short revents) {
    const bool ready = (revents & (POLLIN | POLLOUT | POLLHUP | POLLERR)) != 0;
    if (!ready) return;
    switch (c.State) {
      case TState::Handshake: Handshake(c); break;
      case TState::Reading: ReadRequest(c); break;
      case TState::Writing: WriteReply(c); break;
      case TState::Draining: Drain(c); break;
      default: break;
    }
  }

  void OnDeadline(TConn& c) {
    switch (c.State) {
      case TState::Reading:
        if (c.In.empty()) Close(c);  // idle: nothing to answer
        else Refuse(c, 408);
        break;
      case TState::Handshake:
      case TState::Writing:
      case TState::Draining: Close(c); break;
      default: break;
    }
  }

  short Events(const TConn& c) const {
    if (c.SslWantsWrite) return POLLOUT;
    if (c.SslWantsRead) return POLLIN;
    switch (c.State) {
      case TState::Handshake:
      case TState::Reading:
      case TState::Draining: return POLLIN;
      case TState::Writing: return POLLOUT;
      default: return 0;
    }
  }

  void Loop() {
    std::vector<pollfd> fds;
    std::vector<uint64_t> ids;
    while (!Stopping) {
      fds.clear();
      ids.clear();
      fds.push_back({WakeFd, POLLIN, 0});
      fds.push_back({ListenFd, POLLIN, 0});
      auto now = TClock::now();
      auto nearest = now + std::chrono::seconds(1);
      for (auto& [id, c] : Conns) {
        if (c->State == TState::Busy) continue;
        fds.push_back({c->Fd, Events(*c), 0});
        ids.push_back(id);
        nearest = std::min(nearest, c->Deadline);
      }
      const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nearest - now).count();
      const int ready = poll(fds.data(), fds.size(), static_cast<int>(std::clamp<int64_t>(wait + 1, 0, 1000)));
      if (ready < 0 && errno != EINTR) break;
      if (fds[0].revents & POLLIN) {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = read(WakeFd, &count, sizeof count);
        std::vector<std::pair<uint64_t, TFrontReply>> done;
        {
          std::lock_guard lock(DoneMutex);
          done.swap(Done);
        }
        for (auto& [id, reply] : done) Finish(id, std::move(reply));
      }
      if (Stopping) break;
      for (size_t i = 2; i < fds.size(); ++i) {
        if (fds[i].revents == 0) continue;
        const auto it = Conns.find(ids[i - 2]);
        if (it != Conns.end()) OnEvent(*it->second, fds[i].revents);
      }
      if (fds[1].revents & POLLIN) Accept();
      now = TClock::now();
      for (auto it = Conns.begin(); it != Conns.end();) {
        TConn& c = *it->second;
        if (c.State != TState::Busy && c.State != TState::Closed && c.Deadline <= now) OnDeadline(c);
        if (c.State == TState::Closed) it = Conns.erase(it);
        else ++it;
      }
    }
  }
};

THttpFront::THttpFront(TFrontLimits limits, TFrontHandler handler, SSL_CTX* tls) : impl_(std::make_unique<TImpl>()) {
  impl_->Limits = limits;
  impl_->Handler = std::move(handler);
  impl_->Tls = tls;
  if (tls) SSL_CTX_up_ref(tls);
  impl_->WakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

THttpFront::~THttpFront() {
  for (auto& [id, c] : impl_->Conns) impl_->Close(*c);
  if (impl_->ListenFd >= 0) close(impl_->ListenFd);
  if (impl_->WakeFd >= 0) close(impl_->WakeFd);
  if (impl_->Tls) SSL_CTX_free(impl_->Tls);
}

int THttpFront::Bind(const std::string& hostText, int port, std::string& error) {
  std::string host = hostText;
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int rc = getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints, &found); rc != 0) {
    error = gai_strerror(rc);
    return -1;
  }
  int fd = -1;
  for (addrinfo* a = found; a; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, a->ai_addr, a->ai_addrlen) == 0 && listen(fd, SOMAXCONN) == 0) break;
    error = std::strerror(errno);
    close(fd);
    fd = -1;
  }
  freeaddrinfo(found);
  if (fd < 0) return -1;
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  const int actual = bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                                                 : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  impl_->ListenFd = fd;
  return actual;
}

void THttpFront::Run() {
  TImpl& m = *impl_;
  for (size_t i = 0; i < std::max<size_t>(1, m.Limits.Workers); ++i) m.Workers.emplace_back([&m] { m.WorkerLoop(); });
  m.Loop();
  {
    std::lock_guard lock(m.JobsMutex);
    m.JobsClosed = true;
    m.Jobs.clear();
  }
  m.JobsReady.notify_all();
  for (auto& t : m.Workers) t.join();
  m.Workers.clear();
  std::lock_guard lock(m.DoneMutex);
  for (auto& [id, reply] : m.Done)
    if (reply.FileFd >= 0) close(reply.FileFd);
  m.Done.clear();
}

void THttpFront::Stop() {
  impl_->Stopping = true;
  impl_->Wake();
}

}  // namespace kivra::server
