// Zip files and a small HTTP server for the download tests, made in the test.
#pragma once

#include <httplib.h>
#include <zip.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kivra::test {

// A zip in memory with the members (name, bytes) in order. When `unixModes` is given, member i
// is stored as made on Unix with the mode unixModes[i] in its external attributes.
inline std::string MakeZip(const std::vector<std::pair<std::string, std::string>>& members,
                           const std::vector<uint32_t>& unixModes = {}) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
  if (!archive) throw std::runtime_error("zip_open_from_source");
  zip_source_keep(buffer);
  for (size_t i = 0; i < members.size(); ++i) {
    const auto& [name, bytes] = members[i];
    zip_source_t* data = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    const zip_int64_t index = zip_file_add(archive, name.c_str(), data, ZIP_FL_ENC_RAW);
    if (index < 0) throw std::runtime_error("zip_file_add");
    if (i < unixModes.size() &&
        zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                          unixModes[i] << 16) != 0)
      throw std::runtime_error("zip_file_set_external_attributes");
  }
  if (zip_close(archive) != 0) throw std::runtime_error("zip_close");
  zip_source_open(buffer);
  zip_source_seek(buffer, 0, SEEK_END);
  const zip_int64_t size = zip_source_tell(buffer);
  zip_source_seek(buffer, 0, SEEK_SET);
  std::string out(static_cast<size_t>(size), '\0');
  zip_source_read(buffer, out.data(), static_cast<zip_uint64_t>(size));
  zip_source_close(buffer);
  zip_source_free(buffer);
  return out;
}

inline std::string Gzip(const std::string& text) {
  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  std::string out(compressBound(static_cast<uLong>(text.size())) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// An HTTP server on 127.0.0.1 on a free port, running until the object goes.
class TTestServer {
 public:
  httplib::Server Server;

  void Start() {
    port_ = Server.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { Server.listen_after_bind(); });
    for (int i = 0; i < 200 && !Server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ~TTestServer() {
    Server.stop();
    if (thread_.joinable()) thread_.join();
  }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

 private:
  int port_ = 0;
  std::thread thread_;
};

}  // namespace kivra::test
