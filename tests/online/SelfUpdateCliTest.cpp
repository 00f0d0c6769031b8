// "kivra-cli update check" end to end: an update installed over https from kivra-server with a
// certificate made by the test and trusted through --ca-file; the same server refused without it
// and over http; a local update folder; no update address.
#include <gtest/gtest.h>

#include <cstdlib>

#include "CliRunner.h"
#include "ServerProcess.h"
#include "TempDir.h"
#include "core/TextCodec.h"
#include "core/Version.h"
#include "online/SelfUpdate.h"

namespace kivra {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

TEST(SelfUpdateCli, HttpsWithTheTestCertificateLocalFolderAndRefusals) {
  test::TTempDir dir;
  const fs::path files = dir / "files", data = dir / "data", program = dir / "program";
  fs::create_directories(files / "autoupdates" / "UpdDescr");
  fs::create_directories(files / "pkg");
  fs::create_directories(data);
  fs::create_directories(program);
  // A self-signed certificate for 127.0.0.1, made for this run only.
  const std::string openssl =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
      "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
      (dir / "key.pem").string() + "' -out '" + (dir / "cert.pem").string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(openssl.c_str()), 0) << "openssl could not make the test certificate";
  const test::TServerProcess server(KIVRA_SERVER, {"--db", (dir / "catalog.db").string(), "--listen", "127.0.0.1:0", "--files",
                                     files.string(), "--cert", (dir / "cert.pem").string(), "--key",
                                     (dir / "key.pem").string()});
  ASSERT_EQ(server.Url().rfind("https://", 0), 0u) << "kivra-server did not start over https: " << server.Url();

  // The package: a shell script that leaves one file; offered as a build far above any running one.
  const std::string verId = "9.9.9.2000000000";
  WriteBytes(files / "pkg" / "setup.upd", "#!/bin/sh\nprintf 'через https' > installed.txt\n");
  WriteBytes(files / "autoupdates" / "Sorta_AU.cfg",
             "[Kivra_5x45]\r\nVerId=" + verId + "\r\nDescription=Сборка для проверки\r\nDownloadUrl=" + server.Url() +
                 "/files/pkg/setup.upd\r\nOriginalFileName=setup.sh\r\nChecksumCRC32=" +
                 FileCrc32Text(files / "pkg" / "setup.upd") +
                 "\r\nChecksumSHA256=" + FileSha256Text(files / "pkg" / "setup.upd") + "\r\n");
  WriteBytes(files / "autoupdates" / "UpdDescr" / ("UpdDescr_RUS_" + verId + ".txt"),
             Utf8ToCp1251("Первая строка\r\nВторая строка"));
  const std::string offer = std::string("Текущая версия программы: ") + KIVRA_FILE_VERSION +
                            "\nНовая версия программы: Сборка для проверки\nОписание версии:\nПервая строка\nВторая "
                            "строка\n";
  const fs::path err = dir / "err.txt";
  const std::string programArg = " --program-dir '" + program.string() + "'";

  // Without the test's certificate the server is not trusted: nothing is installed.
  test::TCliRun r = test::RunCli(data, "--update-url " + server.Url() + " update check --install" + programArg, err);
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err.rfind("Ошибка поиска обновлений!\n\n", 0), 0u) << r.Err;
  EXPECT_FALSE(fs::exists(program / "installed.txt"));

  // The address without a path gets the service's path; the certificate is trusted besides the
  // system's.
  r = test::RunCli(data,
                   "--update-url " + server.Url() + " --ca-file '" + (dir / "cert.pem").string() +
                       "' update check --install" + programArg,
                   err);
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, offer);
  EXPECT_EQ(r.Err,
            "Внимание!: Установка обновления \"Сборка для проверки\" успешно выполнена.\n\nДля завершения установки "
            "необходимо перезапустить программу!\n");
  EXPECT_EQ(ReadBytes(program / "installed.txt"), "через https");
  EXPECT_FALSE(fs::exists(program / "SelfUpdate"));
  EXPECT_FALSE(fs::exists(program / "SelfUpdates.inf"));

  // The same folder read locally: offered, not installed without --install.
  fs::remove(program / "installed.txt");
  r = test::RunCli(data, "--update-url '" + files.string() + "' update check" + programArg, err);
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, offer);
  EXPECT_FALSE(fs::exists(program / "installed.txt"));

  // Plain http is refused before anything is asked; no address at all is an error of its own.
  const std::string http = "http://" + server.Url().substr(std::string("https://").size());
  r = test::RunCli(data, "--update-url " + http + " update check --install" + programArg, err);
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("не поддерживается"), std::string::npos) << r.Err;
  r = test::RunCli(data, "update check" + programArg, err);
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err.rfind("Адрес обновлений не задан", 0), 0u) << r.Err;
}

}  // namespace
}  // namespace kivra
