// kivra-server on 127.0.0.1 against clients that hold connections, flood headers, send malformed
// heads, or see the server killed in the middle of their writes. Waits are guarded against hangs
// only (30 s and more); no test holds a time figure.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ServerProcess.h"
#include "TempDir.h"
#include "online/Catalog.h"
#include "online/Http.h"

namespace kivra {
namespace {

using namespace std::chrono_literals;

// A plain TCP connection to the server; every receive and send gives up after 30 s.
class TRawConnection {
 public:
  explicit TRawConnection(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval guard{30, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &guard, sizeof guard);
    setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &guard, sizeof guard);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~TRawConnection() {
    if (fd_ >= 0) close(fd_);
  }
  TRawConnection(const TRawConnection&) = delete;
  TRawConnection& operator=(const TRawConnection&) = delete;

  bool Connected() const { return fd_ >= 0; }
  // False once the server no longer takes the bytes.
  bool Send(std::string_view data) {
    while (!data.empty()) {
      const ssize_t n = send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }
  // What the server sends until it closes the connection; `closed` is false when the guard ran
  // out first.
  std::string ReadToClose(bool& closed) {
    std::string text;
    char buffer[4096];
    for (;;) {
      const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
      if (n > 0) {
        text.append(buffer, static_cast<size_t>(n));
        continue;
      }
      closed = n == 0 || errno == ECONNRESET;
      return text;
    }
  }

 private:
  int fd_ = -1;
};

TCatalogClient Client(const test::TServerProcess& server, const std::string& who) {
  TCatalogClient client;
  client.BaseUrl = server.Url();
  client.UserName = who;
  client.UserMail = who + "@example.org";
  client.ClientKey = "key-" + who;
  client.AppName = "Kivra_5x45";
  client.AppVersion = "0.1.0.0";
  return client;
}

TSystemData System(const std::string& title) {
  TSystemData data;
  data.Nums = 10;
  data.Title = title;
  data.Content = "1 2 3 4 5";
  data.Count = 1;
  return data;
}

TEST(ServerAbuseTest, SlowAndIdleConnectionsDoNotStopOrdinaryRequests) {
  test::TTempDir dir;
  test::TServerProcess server(dir, KIVRA_SERVER);
  ASSERT_FALSE(server.Url().empty());
  const TCatalogClient ann = Client(server, "ann");
  ASSERT_TRUE(SaveSystem(ann, System("Система"), false).Ok);

  // 50 connections: half idle, half sending a head one byte at a time that never ends (more
  // than the server's eight workers of old).
  std::vector<std::unique_ptr<TRawConnection>> slow;
  for (int i = 0; i < 50; ++i) {
    slow.push_back(std::make_unique<TRawConnection>(server.Port()));
    ASSERT_TRUE(slow.back()->Connected());
    if (i % 2 == 0) slow.back()->Send("POST /scripts/sys_getlist.php HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ");
  }
  std::atomic<bool> stop{false};
  // The trickle ends well before the server's deadline, so that no byte meets a closed connection
  // (which would reset it before its 408 is read).
  const auto trickleEnd = std::chrono::steady_clock::now() + 3s;
  std::thread trickle([&] {
    while (!stop && std::chrono::steady_clock::now() < trickleEnd) {
      for (size_t i = 0; i < slow.size(); i += 2) slow[i]->Send("x");
      std::this_thread::sleep_for(200ms);
    }
  });
  double worst = 0;
  for (int i = 0; i < 5; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const auto list = LoadSystemsList(ann);
    worst = std::max(worst, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    EXPECT_TRUE(list.Ok) << list.Error;
    EXPECT_EQ(list.Value.size(), 1u);
  }
  stop = true;
  trickle.join();
  std::printf("ordinary requests beside 50 slow connections: slowest %.1f ms\n", worst);

  // The server ends them itself: the unfinished heads with 408, the idle ones silently.
  for (size_t i = 0; i < slow.size(); ++i) {
    bool closed = false;
    const std::string reply = slow[i]->ReadToClose(closed);
    EXPECT_TRUE(closed) << "connection " << i << " still open";
    if (i % 2 == 0) EXPECT_EQ(reply.substr(0, 12), "HTTP/1.1 408") << reply;
    else EXPECT_EQ(reply, "");
  }
  EXPECT_TRUE(LoadSystemsList(ann).Ok);
}

TEST(ServerAbuseTest, OversizedAndMalformedHeadsGetTheirStatusAndTheServerGoesOn) {
  test::TTempDir dir;
  test::TServerProcess server(dir, KIVRA_SERVER);
  ASSERT_FALSE(server.Url().empty());
  std::string flood = "POST /scripts/sys_getlist.php HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  const std::string line = "X-Fill: " + std::string(1000, 'a') + "\r\n";
  while (flood.size() < (4u << 20)) flood += line;
  std::string many = "GET /files/a HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  for (int i = 0; i < 100; ++i) many += "X-Line-" + std::to_string(i) + ": 1\r\n";
  const std::string post = "POST /scripts/sys_getlist.php HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  const std::vector<std::pair<std::string, int>> cases = {
      {flood, 431},                                                       // header lines without end
      {many + "\r\n", 431},                                               // too many header lines
      {"GET / HTTP/1.1\r\nX-Long: " + std::string(20000, 'a') + "\r\n\r\n", 431},  // one long line
      {post + "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n", 411},
      {post + "Content-Length: 12x\r\n\r\n", 400},
      {post + "Content-Length: 3\r\nContent-Length: 4\r\n\r\nabcd", 400},
      {post + "Content-Length: 99999999999\r\n\r\n", 413},
      {"GARBAGE\r\n\r\n", 400},
      {"GET /files/a HTTP/2.0\r\n\r\n", 505},
  };
  for (const auto& [request, status] : cases) {
    TRawConnection connection(server.Port());
    ASSERT_TRUE(connection.Connected());
    connection.Send(request);  // the server may stop taking a flood before its end
    bool closed = false;
    const std::string reply = connection.ReadToClose(closed);
    EXPECT_TRUE(closed);
    EXPECT_EQ(reply.substr(0, 12), "HTTP/1.1 " + std::to_string(status)) << request.substr(0, 80);
  }

  // A 16 MiB form of "a&a&..." is refused with a message, and ordinary requests go on.
  std::string form;
  while (form.size() + 2 <= MaxCatalogBytes) form += "a&";
  const THttpResult raw = HttpPost(server.Url() + "/scripts/sys_getlist.php", form,
                                   "application/x-www-form-urlencoded", THttpOptions());
  ASSERT_TRUE(raw.Ok) << raw.Error;
  EXPECT_NE(ReadCatalogReply(raw.Body).Error.find("полей"), std::string::npos) << raw.Body.substr(0, 200);
  const TCatalogClient ann = Client(server, "ann");
  ASSERT_TRUE(SaveSystem(ann, System("После"), false).Ok);
  EXPECT_EQ(LoadSystemsList(ann).Value.size(), 1u);
}

TEST(ServerAbuseTest, AKillDuringWritesLosesNoAcknowledgedWrite) {
  test::TTempDir dir;
  auto server = std::make_unique<test::TServerProcess>(dir, KIVRA_SERVER);
  ASSERT_FALSE(server->Url().empty());
  std::mutex mutex;
  std::map<int32_t, std::string> acknowledged;
  std::atomic<bool> stop{false};
  std::vector<std::thread> writers;
  for (int w = 0; w < 4; ++w) {
    writers.emplace_back([&, w] {
      const TCatalogClient client = Client(*server, "writer" + std::to_string(w));
      for (int i = 0; !stop && i < 5000; ++i) {
        const std::string title = "W" + std::to_string(w) + "-" + std::to_string(i);
        const auto saved = SaveSystem(client, System(title), false);
        if (!saved.Ok) return;  // the server is gone
        std::lock_guard lock(mutex);
        acknowledged.emplace(saved.Value, title);
      }
    });
  }
  const auto guard = std::chrono::steady_clock::now() + 120s;
  for (;;) {
    {
      std::lock_guard lock(mutex);
      if (acknowledged.size() >= 200) break;
    }
    if (std::chrono::steady_clock::now() > guard) break;
    std::this_thread::sleep_for(5ms);
  }
  server->Kill();
  stop = true;
  for (auto& t : writers) t.join();
  ASSERT_GE(acknowledged.size(), 200u);

  server = std::make_unique<test::TServerProcess>(dir, KIVRA_SERVER);
  ASSERT_FALSE(server->Url().empty());
  const auto list = LoadSystemsList(Client(*server, "reader"));
  ASSERT_TRUE(list.Ok) << list.Error;
  std::map<int32_t, std::string> stored;
  for (const TSystemInfo& s : list.Value) stored.emplace(s.Id, s.Title);
  size_t lost = 0;
  for (const auto& [id, title] : acknowledged) {
    const auto it = stored.find(id);
    lost += it == stored.end() || it->second != title;
  }
  std::printf("%zu acknowledged writes before the kill, %zu stored after it\n", acknowledged.size(), stored.size());
  EXPECT_EQ(lost, 0u);
}

}  // namespace
}  // namespace kivra
