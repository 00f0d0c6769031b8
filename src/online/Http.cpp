#include "online/Http.h"

#include <curl/curl.h>
#include <fmt/format.h>

#include <cstdio>
#include <mutex>

#include "core/FileUtils.h"

namespace kivra {

namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Where the body goes: memory or a file, with the size cap.
struct TSink {
  std::string* Memory = nullptr;
  std::FILE* File = nullptr;
  uint64_t Written = 0;
  uint64_t Max = 0;
  bool TooLarge = false;
  bool WriteFailed = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<TSink*>(user);
  const size_t n = size * count;
  if (sink->Written + n > sink->Max) {
    sink->TooLarge = true;
    return 0;  // aborts the transfer
  }
  if (sink->Memory) {
    sink->Memory->append(data, n);
  } else if (std::fwrite(data, 1, n, sink->File) != n) {
    sink->WriteFailed = true;
    return 0;
  }
  sink->Written += n;
  return n;
}

// The system's certificate authorities followed by those of `caFile`, for CURLOPT_CAINFO_BLOB (the
// extra file adds to the system's trust instead of replacing it).
bool CombinedCaBundle(const std::string& caFile, std::string& bundle, std::string& error) {
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  const std::filesystem::path system = info && info->cainfo ? info->cainfo : "/etc/ssl/certs/ca-certificates.crt";
  try {
    std::error_code ec;
    if (std::filesystem::is_regular_file(system, ec)) bundle = ReadWholeFile(system) + "\n";
    bundle += ReadWholeFile(caFile);
  } catch (const std::exception&) {
    error = fmt::format("Не удалось прочитать файл сертификатов \"{}\"", caFile);
    return false;
  }
  return true;
}

struct TProgressState {
  const std::function<bool(uint64_t, uint64_t)>* Callback = nullptr;
  bool Cancelled = false;
};

int OnProgress(void* user, curl_off_t total, curl_off_t done, curl_off_t, curl_off_t) {
  auto* state = static_cast<TProgressState*>(user);
  if (*state->Callback && !(*state->Callback)(static_cast<uint64_t>(done), static_cast<uint64_t>(total))) {
    state->Cancelled = true;
    return 1;
  }
  return 0;
}

THttpResult Perform(const std::string& url, const std::string* postBody, const std::string& contentType,
                    const THttpOptions& options, TSink& sink) {
  GlobalInit();
  THttpResult result;
  CURL* curl = curl_easy_init();
  if (!curl) {
    result.Error = "Не удалось создать HTTP-соединение";
    return result;
  }
  char errorText[CURL_ERROR_SIZE] = {};
  curl_slist* headers = nullptr;
  for (const std::string& h : options.Headers) headers = curl_slist_append(headers, h.c_str());
  if (postBody && !contentType.empty()) headers = curl_slist_append(headers, ("Content-Type: " + contentType).c_str());
  TProgressState progress{&options.Progress};

  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  const char* protocols = options.HttpsOnly ? "https" : "http,https";
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, protocols);
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, static_cast<long>(options.MaxRedirects));
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.ConnectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, options.LowSpeedBytes);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.LowSpeedSeconds);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.MaxBytes));
  if (headers) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  if (!options.UserAgent.empty()) curl_easy_setopt(curl, CURLOPT_USERAGENT, options.UserAgent.c_str());
  if (!options.AcceptEncoding.empty()) curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, options.AcceptEncoding.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &progress);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  if (postBody) {
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, postBody->data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postBody->size()));
  }
  // No proxy unless asked for: an empty text also turns off the environment's proxy variables.
  std::string proxy, credentials;
  if (options.Proxy && options.Proxy->Mode == 2 && !options.Proxy->Server.empty()) {
    proxy = fmt::format("{}:{}", options.Proxy->Server, options.Proxy->Port);
    curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
    if (!options.Proxy->Username.empty()) {
      credentials = options.Proxy->Username + ":" + options.Proxy->Password;
      curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, credentials.c_str());
    }
  } else if (!(options.Proxy && options.Proxy->Mode == 1)) {
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
  }

  std::string caBundle;
  if (!options.CaFile.empty()) {
    if (!CombinedCaBundle(options.CaFile, caBundle, result.Error)) {
      curl_slist_free_all(headers);
      curl_easy_cleanup(curl);
      return result;
    }
    curl_blob blob{caBundle.data(), caBundle.size(), CURL_BLOB_NOCOPY};
    curl_easy_setopt(curl, CURLOPT_CAINFO_BLOB, &blob);
  }

  const CURLcode code = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.Status);
  if (progress.Cancelled) {
    result.Cancelled = true;
    result.Error = "Загрузка отменена";
  } else if (sink.TooLarge || code == CURLE_FILESIZE_EXCEEDED) {
    result.Error = fmt::format("Размер ответа сервера превышает {} байт", options.MaxBytes);
  } else if (sink.WriteFailed) {
    result.Error = "Ошибка записи полученных данных в файл";
  } else if (code != CURLE_OK) {
    result.Error = errorText[0] ? std::string(errorText) : std::string(curl_easy_strerror(code));
  } else if (result.Status < 200 || result.Status > 299) {
    result.Error = fmt::format("Сервер ответил кодом {} на запрос {}", result.Status, url);
  } else {
    result.Ok = true;
  }
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return result;
}

}  // namespace

THttpOptions BrowserLikeOptions() {
  THttpOptions options;
  options.Headers = {"Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"};
  options.AcceptEncoding = "gzip, deflate, sdch";
  options.UserAgent =
      "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/47.0.2526.80 "
      "Safari/537.36";
  return options;
}

THttpResult HttpGet(const std::string& url, const THttpOptions& options) {
  std::string body;
  TSink sink{&body, nullptr, 0, options.MaxBytes};
  THttpResult result = Perform(url, nullptr, {}, options, sink);
  if (result.Ok) result.Body = std::move(body);
  return result;
}

THttpResult HttpPost(const std::string& url, const std::string& body, const std::string& contentType,
                     const THttpOptions& options) {
  std::string reply;
  TSink sink{&reply, nullptr, 0, options.MaxBytes};
  THttpResult result = Perform(url, &body, contentType, options, sink);
  if (result.Ok) result.Body = std::move(reply);
  return result;
}

THttpResult HttpGetToFile(const std::string& url, const std::filesystem::path& file, const THttpOptions& options) {
  std::filesystem::path temp = file;
  temp += ".~dl";
  std::FILE* out = std::fopen(temp.c_str(), "wb");
  if (!out) {
    THttpResult result;
    result.Error = SystemErrorText(errno);
    return result;
  }
  TSink sink{nullptr, out, 0, options.MaxBytes};
  THttpResult result = Perform(url, nullptr, {}, options, sink);
  if (std::fclose(out) != 0 && result.Ok) {
    result.Ok = false;
    result.Error = SystemErrorText(errno);
  }
  std::error_code ec;
  if (result.Ok) {
    std::filesystem::rename(temp, file, ec);
    if (ec) {
      result.Ok = false;
      result.Error = SystemErrorText(ec.value());
    }
  }
  if (!result.Ok) std::filesystem::remove(temp, ec);
  return result;
}

}  // namespace kivra
