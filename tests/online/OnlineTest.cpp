// The HTTP client against a server on 127.0.0.1, zip extraction of hostile archives, and the
// reading of result files.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

#include "TempDir.h"
#include "TestDraws.h"
#include "ZipHelpers.h"
#include "core/FileUtils.h"
#include "core/TextCodec.h"
#include "online/Http.h"
#include "online/ResultFiles.h"
#include "online/ZipExtract.h"

namespace kivra {
namespace {

using test::ReadBytes;
using test::TTempDir;
using test::WriteBytes;

TEST(Http, RequestsRedirectsEncodingsAndFailures) {
  test::TTestServer server;
  std::string accept, encoding, agent;
  server.Server.Get("/plain", [&](const httplib::Request& req, httplib::Response& res) {
    accept = req.get_header_value("Accept");
    encoding = req.get_header_value("Accept-Encoding");
    agent = req.get_header_value("User-Agent");
    res.set_content("привет", "text/plain");
  });
  server.Server.Get("/gzip", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Encoding", "gzip");
    res.set_content(test::Gzip(std::string(10000, 'z')), "application/octet-stream");
  });
  server.Server.Get("/moved", [&](const httplib::Request&, httplib::Response& res) { res.set_redirect("/plain"); });
  server.Server.Get("/loop", [&](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
  server.Server.Get("/big", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(5000, 'b'), "application/octet-stream");
  });
  server.Server.Post("/post", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(req.get_header_value("Content-Type") + "|" + req.body, "text/plain");
  });
  server.Start();

  const THttpOptions browser = BrowserLikeOptions();
  THttpResult r = HttpGet(server.Url("/plain"), browser);
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Body, "привет");
  EXPECT_EQ(accept, "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
  EXPECT_EQ(encoding, "gzip, deflate, sdch");
  EXPECT_EQ(agent.rfind("Mozilla/5.0 (Windows NT 6.1; WOW64)", 0), 0u);

  r = HttpGet(server.Url("/gzip"), browser);
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Body, std::string(10000, 'z'));
  r = HttpGet(server.Url("/moved"), browser);
  EXPECT_TRUE(r.Ok && r.Body == "привет") << r.Error;
  r = HttpPost(server.Url("/post"), "a=1&b=%D0%AF", "application/x-www-form-urlencoded", {});
  EXPECT_EQ(r.Body, "application/x-www-form-urlencoded|a=1&b=%D0%AF");

  struct TFailure {
    const char* path;
    THttpOptions options;
    const char* reason;
  };
  THttpOptions small;
  small.MaxBytes = 4000;
  THttpOptions cancel;
  cancel.Progress = [](uint64_t, uint64_t) { return false; };
  THttpOptions noCa;
  noCa.CaFile = "/nonexistent/ca.pem";
  for (const TFailure& f : {TFailure{"/missing", {}, "404"}, TFailure{"/loop", {}, "redirect"},
                            TFailure{"/big", small, "4000"}, TFailure{"/big", cancel, "отменена"},
                            TFailure{"/big", noCa, "сертификатов"}}) {
    r = HttpGet(server.Url(f.path), f.options);
    EXPECT_FALSE(r.Ok) << f.path;
    EXPECT_NE(r.Error.find(f.reason), std::string::npos) << f.path << ": " << r.Error;
  }
  EXPECT_FALSE(HttpGet("ftp://127.0.0.1/x", {}).Ok);  // http and https only

  // Into a file: complete or nothing.
  TTempDir dir;
  r = HttpGetToFile(server.Url("/big"), dir / "big.bin", {});
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(ReadBytes(dir / "big.bin"), std::string(5000, 'b'));
  r = HttpGetToFile(server.Url("/missing"), dir / "missing.bin", {});
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(FindFilesByMask(dir.Path(), "*.*").size(), 1u);
}

TEST(Http, AServerThatNeverAnswersIsGivenUp) {
  // A socket that listens but never accepts: connections complete, no byte ever comes.
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(s, 4), 0);
  socklen_t length = sizeof addr;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &length);
  THttpOptions options;
  options.ConnectTimeoutSeconds = 2;
  options.LowSpeedSeconds = 1;
  int calls = 0;
  options.Progress = [&calls](uint64_t, uint64_t) { return ++calls > 0; };
  const auto start = std::chrono::steady_clock::now();
  const THttpResult r = HttpGet("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/", options);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ::close(s);
  EXPECT_FALSE(r.Ok);
  EXPECT_LT(seconds, 30);  // bounded by the low-speed limit, not by the server
  EXPECT_GT(calls, 0);     // the caller kept control while waiting
}

TEST(ZipExtract, OnlyPlainMatchingMembersAreWritten) {
  TTempDir dir;
  const std::filesystem::path out = dir / "out";
  std::filesystem::create_directory(out);
  WriteBytes(dir / "r.zip", test::MakeZip({{"Virma_Results__1-2.csv", "one"},
                                           {"VIRMA_RESULTS__3-4.CSV", "two"},
                                           {"../Virma_Results__5-6.csv", "up"},
                                           {"/tmp/Virma_Results__7-8.csv", "absolute"},
                                           {"sub/Virma_Results__9-9.csv", "path"},
                                           {"C:Virma_Results__9-9.csv", "drive"},
                                           {"readme.txt", "other"},
                                           {"Virma_Results__big.csv", std::string(2000, 'x')}}));
  TZipLimits limits;
  limits.MaxMemberBytes = 1000;
  const auto written = ExtractMatching(dir / "r.zip", out, "Virma_Results__*.csv", limits);
  EXPECT_EQ(written.size(), 2u);
  EXPECT_EQ(ReadBytes(out / "Virma_Results__1-2.csv"), "one");
  EXPECT_EQ(ReadBytes(out / "VIRMA_RESULTS__3-4.CSV"), "two");
  EXPECT_EQ(FindFilesByMask(out, "*.*").size(), 2u);
  EXPECT_EQ(FindFilesByMask(dir.Path(), "*.*").size(), 1u);  // only r.zip beside out/

  const std::string zip = ReadBytes(dir / "r.zip");
  WriteBytes(dir / "cut.zip", zip.substr(0, zip.size() / 2));
  EXPECT_THROW(ExtractMatching(dir / "cut.zip", out, "*.csv"), TFileError);
  WriteBytes(dir / "text.zip", "not a zip");
  EXPECT_THROW(ExtractMatching(dir / "text.zip", out, "*.csv"), TFileError);
}

TEST(ZipExtract, UnixMembersAreRegularUnlessTheirTypeSaysOtherwise) {
  TTempDir dir;
  const std::filesystem::path out = dir / "out";
  std::filesystem::create_directory(out);
  // Permission bits only (as several writers store them), a typed regular file, a directory, a
  // symbolic link and a device.
  WriteBytes(dir / "u.zip", test::MakeZip({{"a.csv", "perm"},
                                           {"b.csv", "regular"},
                                           {"c.csv", "dir"},
                                           {"d.csv", "link"},
                                           {"e.csv", "device"}},
                                          {0644, 0100644, 040755, 0120777, 020644}));
  const auto written = ExtractMatching(dir / "u.zip", out, "*.csv");
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(ReadBytes(out / "a.csv"), "perm");
  EXPECT_EQ(ReadBytes(out / "b.csv"), "regular");
}

TEST(ResultFiles, NamesRangesAndOrder) {
  struct TCase {
    const char* name;
    int32_t first, last;
  };
  for (const TCase c : {TCase{"Virma_Results__1-500.csv", 1, 500}, TCase{"Virma_Results__ 7 - 9 .csv", 7, 9},
                        TCase{"Virma_Results__--3--5-8.csv", 3, 5}, TCase{"Virma_Results__x-12.csv", 0, 12},
                        TCase{"Virma_Results__40.csv", 40, 0}}) {
    const TResultFile f = ResultFileRange(c.name);
    EXPECT_EQ(f.First, c.first) << c.name;
    EXPECT_EQ(f.Last, c.last) << c.name;
  }
  TTempDir dir;
  for (const char* name : {"Virma_Results__1001-1500.csv", "Virma_Results__501-1000.csv", "virma_results__1-500.csv",
                           "Virma_Results__1-499.csv"})
    WriteBytes(dir / name, "");
  std::vector<std::string> order;
  for (const auto& f : FindResultFiles(dir.Path())) order.push_back(f.Path.filename().string());
  EXPECT_EQ(order, (std::vector<std::string>{"Virma_Results__1-499.csv", "virma_results__1-500.csv",
                                             "Virma_Results__501-1000.csv", "Virma_Results__1001-1500.csv"}));
}

TEST(ResultFiles, ReadsTheDrawsThatFollowTheArchive) {
  TTempDir dir;
  TDrawsArchive archive;
  archive.Append(test::MakeDraw(1000, {1, 2, 3, 4, 5}));
  const std::string text = Utf8ToCp1251(
      "Тираж;Дата;x;y;1;2;3;4;5\r\n"
      "1005;05.01.2024;a;b;1;2;3;4;5;extra\r\n"
      "1004;04.01.2024;a;b;1;2;3;4;46\r\n"  // a number outside 1..45: skipped
      "1003;03.01.2024;a;b;7;7;3;4;5\r\n"   // a repeated number: skipped
      "1002;\"02.01.2024 12:00\";a;b;45;44;43;42;41\r\n"
      "1002;02.01.2024;a;b;9;8;7;6;5\r\n"  // the number again: skipped
      "short;line\r\n"
      "1001;01.01.2024;a;b;10;20;30;40;11\r\n"
      "999;31.12.2023;a;b;1;2;3;4;5\r\n"  // below the next number: reading stops
      "1010;10.01.2024;a;b;1;2;3;4;5\r\n");
  WriteBytes(dir / "f.csv", text);
  const std::vector<TDraw> draws = ReadResultFile(dir / "f.csv", 1001, archive);
  std::vector<int32_t> numbers;
  for (const TDraw& d : draws) numbers.push_back(d.Number);
  EXPECT_EQ(numbers, (std::vector<int32_t>{1001, 1002, 1005}));
  EXPECT_EQ(draws[1].DateText(), "02.01.2024");
  EXPECT_EQ(draws[1].Nums, (TComb{45, 44, 43, 42, 41}));
  EXPECT_THROW(ReadResultFile(dir / "none.csv", 1, archive), TFileError);
}

}  // namespace
}  // namespace kivra
