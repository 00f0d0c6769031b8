// The program's HTTP client (libcurl): GET into a file or into memory and POST into memory, with
// redirects over http and https only, TLS verification, a size cap, time-outs and cancelling from
// the caller's progress callback. The proxy of the configuration is used only when asked for;
// otherwise no proxy is used, not even one named by the environment.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/Config.h"

namespace kivra {

struct THttpOptions {
  std::vector<std::string> Headers;  // "Name: value"
  std::string UserAgent;
  // Sent literally as Accept-Encoding; the encodings libcurl knows (gzip, deflate) are decoded.
  // Empty: no Accept-Encoding header and no decoding.
  std::string AcceptEncoding;
  long ConnectTimeoutSeconds = 20;
  // A transfer slower than LowSpeedBytes per second for LowSpeedSeconds is aborted.
  long LowSpeedBytes = 1;
  long LowSpeedSeconds = 30;
  uint64_t MaxBytes = uint64_t{256} << 20;  // the largest body accepted
  int MaxRedirects = 10;
  // The configuration's proxy, used only when set (mode 1: the environment's proxy variables).
  std::optional<TProxyConfig> Proxy;
  // A PEM file of certificate authorities trusted in addition to the system's (verification is
  // never turned off). Empty: the system's only.
  std::string CaFile;
  // Called while data arrives (bytes so far, total or 0 when unknown); returning false cancels.
  std::function<bool(uint64_t done, uint64_t total)> Progress;
};

struct THttpResult {
  bool Ok = false;
  long Status = 0;  // the final HTTP status (0 when no answer came)
  bool Cancelled = false;
  std::string Error;  // a readable reason when not Ok
  std::string Body;   // the body for requests into memory
};

// The request headers of the results download: the Accept, Accept-Encoding and User-Agent texts a
// browser sends.
THttpOptions BrowserLikeOptions();

THttpResult HttpGet(const std::string& url, const THttpOptions& options);
THttpResult HttpPost(const std::string& url, const std::string& body, const std::string& contentType,
                     const THttpOptions& options);
// Writes the body to a temporary file beside `file` and renames it over `file` when complete; on
// failure nothing of it stays.
THttpResult HttpGetToFile(const std::string& url, const std::filesystem::path& file, const THttpOptions& options);

}  // namespace kivra
