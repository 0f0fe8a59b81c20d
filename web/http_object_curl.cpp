// The HTTP request object over libcurl. One easy handle per object; the
// objects of the process share connections and DNS answers through one share
// handle, never cookies (there is no cookie engine: every object starts
// without any). Settings (time-outs, proxy, options) last for the object's
// life; headers and body belong to one request.
#include <curl/curl.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "web/http_object.h"
#include "web/http_object_curl.h"

namespace skinwall {
namespace curl {

bool HeaderList::Append(std::string_view line) {
  const std::string terminated(line);
  curl_slist* head = curl_slist_append(list_.get(), terminated.c_str());
  if (head == nullptr) return false;
  if (!list_) list_.Reset(head);
  return true;
}

namespace {

std::atomic<bool> g_share_connections{true};

constexpr int kHeapKeptBytes = 32 * 1024 * 1024;

// The process's pool of connections and DNS answers, with the locks libcurl
// asks for. Built on first use; lives until the end of the process.
class SharedPool {
 public:
  SharedPool() {
    // Response bodies of some hundred kilobytes come and go once per request.
    // Freed memory stays in the heap for the next one instead of going back to
    // the system and being faulted in again (which doubled the time of a run
    // of picture downloads). Still only one body is held at a time.
    mallopt(M_MMAP_THRESHOLD, kHeapKeptBytes);
    mallopt(M_TRIM_THRESHOLD, kHeapKeptBytes);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    share_.Reset(curl_share_init());
    if (!share_) return;
    curl_share_setopt(share_.get(), CURLSHOPT_LOCKFUNC, &Lock);
    curl_share_setopt(share_.get(), CURLSHOPT_UNLOCKFUNC, &Unlock);
    curl_share_setopt(share_.get(), CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  }

  CURLSH* get() const { return share_.get(); }

 private:
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<SharedPool*>(self)->MutexFor(data).lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) { static_cast<SharedPool*>(self)->MutexFor(data).unlock(); }
  std::mutex& MutexFor(curl_lock_data data) {
    const auto index = static_cast<std::size_t>(data);
    return locks_[index < locks_.size() ? index : 0];
  }

  // Declared before the share so that they outlive it.
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;
  ShareHandle share_;
};

SharedPool& Pool() {
  static SharedPool pool;
  return pool;
}

}  // namespace

void SetConnectionSharing(bool on) { g_share_connections = on; }

}  // namespace curl

namespace {

// The object's time-outs until SetTimeouts changes them: no limit for name
// resolution, 60 s to connect, 30 s without progress when sending or receiving.
constexpr int32_t kDefaultTimeoutsMs[4] = {0, 60000, 30000, 30000};
constexpr long kMaxRedirects = 10;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return fold(x) == fold(y);
  });
}

// A method or header name: the token characters of HTTP and nothing else.
bool IsToken(std::string_view text) {
  constexpr std::string_view kSpecials = "!#$%&'*+-.^_`|~";
  return !text.empty() && std::ranges::all_of(text, [&](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           kSpecials.find(c) != std::string_view::npos;
  });
}

// A header value must not smuggle further lines into the request.
bool IsSafeValue(std::string_view text) {
  return text.find_first_of("\r\n") == std::string_view::npos;
}

class CurlHttpObject final : public HttpObject {
 public:
  explicit CurlHttpObject(curl::EasyHandle easy) : easy_(std::move(easy)) {}

  void SetTimeouts(int32_t resolve_ms, int32_t connect_ms, int32_t send_ms, int32_t receive_ms) override {
    timeouts_ms_ = {resolve_ms, connect_ms, send_ms, receive_ms};
  }

  void SetProxy(int32_t setting, const Text& address) override {
    proxy_ = setting == kProxySettingProxy ? std::string(address.view()) : std::string();
  }

  bool SetRequestHeader(const Text& name, const Text& value) override {
    if (!IsToken(name.view()) || !IsSafeValue(value.view())) return false;
    const auto same_name = [&](const auto& header) { return EqualsIgnoringCase(header.first, name.view()); };
    const auto existing = std::ranges::find_if(headers_, same_name);
    if (existing != headers_.end()) {
      existing->second = value.view();
    } else {
      headers_.emplace_back(name.view(), value.view());
    }
    return true;
  }

  void Open(const Text& method, const Text& url, bool async) override {
    ClearResponse();
    opened_ = !async && IsToken(method.view()) && !url.empty();
    method_ = method.view();
    url_ = url.view();
  }

  bool Option(int32_t index, int32_t value) override {
    if (index == kOptionEnableRedirects) {
      follow_redirects_ = value != 0;
      return true;
    }
    if (index == kOptionSslErrorIgnoreFlags) {
      // libcurl cannot pass over one fault of a certificate chain alone: its
      // check is skipped only when every chain fault is to be ignored.
      constexpr int32_t kChainFaults = kIgnoreUnknownCa | kIgnoreWrongUsage | kIgnoreCertDateInvalid;
      ignore_chain_faults_ = (value & kChainFaults) == kChainFaults;
      ignore_host_mismatch_ = (value & kIgnoreCertCnInvalid) != 0;
      return true;
    }
    return false;
  }

  void Send(const Text& body) override { Perform(body.view()); }
  void Send(const ByteSet& body) override { Perform(body.view()); }

  ByteSet ResponseBody() override { return ByteSet(std::string_view(response_body_)); }

  Text GetallResponseHeaders() override {
    std::string all;
    for (const std::string& line : header_lines_) {
      all.append(line);
      all.append("\r\n");
    }
    return Text(all);
  }

  int32_t Status() override { return status_; }

 private:
  void ClearResponse() {
    response_body_.clear();
    header_lines_.clear();
    status_ = 0;
  }

  bool Perform(std::string_view body);
  bool Configure(curl::HeaderList& server_headers, curl::HeaderList& proxy_headers);

  static size_t OnBody(char* data, size_t size, size_t count, void* self);
  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, curl_off_t, curl_off_t downloaded, curl_off_t upload_total, curl_off_t uploaded);

  curl::EasyHandle easy_;

  // Settings of the object.
  std::array<int32_t, 4> timeouts_ms_ = {kDefaultTimeoutsMs[0], kDefaultTimeoutsMs[1], kDefaultTimeoutsMs[2],
                                         kDefaultTimeoutsMs[3]};
  std::string proxy_;
  bool follow_redirects_ = true;
  bool ignore_chain_faults_ = false;
  bool ignore_host_mismatch_ = false;

  // The request being prepared.
  bool opened_ = false;
  std::string method_;
  std::string url_;
  std::vector<std::pair<std::string, std::string>> headers_;
  std::string body_;

  // The transfer under way: when a byte last moved.
  std::chrono::steady_clock::time_point last_progress_;
  bool transfer_started_ = false;
  curl_off_t moved_ = 0;

  // The response.
  std::string response_body_;
  std::vector<std::string> header_lines_;
  int32_t status_ = 0;
};

bool CurlHttpObject::Configure(curl::HeaderList& server_headers, curl::HeaderList& proxy_headers) {
  CURL* easy = easy_.get();
  bool ok = true;
  const auto set = [&](CURLoption option, auto value) { ok = curl_easy_setopt(easy, option, value) == CURLE_OK && ok; };

  set(CURLOPT_URL, url_.c_str());
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  set(CURLOPT_NOSIGNAL, 1L);
  if (curl::g_share_connections && curl::Pool().get() != nullptr) set(CURLOPT_SHARE, curl::Pool().get());

  set(CURLOPT_FOLLOWLOCATION, follow_redirects_ ? 1L : 0L);
  set(CURLOPT_MAXREDIRS, kMaxRedirects);
  set(CURLOPT_SSL_VERIFYPEER, ignore_chain_faults_ ? 0L : 1L);
  set(CURLOPT_SSL_VERIFYHOST, ignore_host_mismatch_ ? 0L : 2L);
  // An empty proxy also keeps libcurl from taking one from the environment.
  set(CURLOPT_PROXY, proxy_.c_str());

  // Connecting includes finding the address; a stage without limit leaves
  // libcurl's own.
  const int32_t resolve_ms = timeouts_ms_[0];
  const int32_t connect_ms = timeouts_ms_[1];
  if (resolve_ms > 0 && connect_ms > 0) {
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(resolve_ms) + static_cast<long>(connect_ms));
  }
  set(CURLOPT_NOPROGRESS, 0L);
  set(CURLOPT_XFERINFOFUNCTION, &OnProgress);
  set(CURLOPT_XFERINFODATA, this);
  set(CURLOPT_WRITEFUNCTION, &OnBody);
  set(CURLOPT_WRITEDATA, this);
  set(CURLOPT_HEADERFUNCTION, &OnHeader);
  set(CURLOPT_HEADERDATA, this);

  bool has_content_type = false;
  for (const auto& [name, value] : headers_) {
    const std::string line = value.empty() ? name + ";" : name + ": " + value;
    // Credentials for the proxy go to the proxy only, never to the server.
    curl::HeaderList& list = EqualsIgnoringCase(name, "Proxy-Authorization") ? proxy_headers : server_headers;
    ok = list.Append(line) && ok;
    has_content_type = has_content_type || EqualsIgnoringCase(name, "Content-Type");
  }
  // libcurl would add a form Content-Type of its own to any body and wait for
  // a 100 Continue before a large one; neither is asked for.
  if (!has_content_type) ok = server_headers.Append("Content-Type:") && ok;
  ok = server_headers.Append("Expect:") && ok;
  set(CURLOPT_HTTPHEADER, server_headers.get());
  set(CURLOPT_PROXYHEADER, proxy_headers.get());
  set(CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);

  const bool is_get = method_ == "GET";
  const bool is_head = method_ == "HEAD";
  const bool always_has_body = method_ == "POST" || method_ == "PUT";
  if (is_head) {
    set(CURLOPT_NOBODY, 1L);
  } else if (!body_.empty() || always_has_body) {
    set(CURLOPT_POSTFIELDS, body_.data());
    set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body_.size()));
    // A POST stays a POST only until a redirect says otherwise.
    if (method_ != "POST") set(CURLOPT_CUSTOMREQUEST, method_.c_str());
  } else {
    set(CURLOPT_HTTPGET, 1L);
    if (!is_get) set(CURLOPT_CUSTOMREQUEST, method_.c_str());
  }
  return ok;
}

bool CurlHttpObject::Perform(std::string_view body) {
  ClearResponse();
  if (!opened_ || !easy_) return false;
  opened_ = false;
  body_.assign(body);

  curl_easy_reset(easy_.get());
  curl::HeaderList server_headers;
  curl::HeaderList proxy_headers;
  bool ok = Configure(server_headers, proxy_headers);
  if (ok) {
    transfer_started_ = false;
    moved_ = 0;
    last_progress_ = std::chrono::steady_clock::now();
    ok = curl_easy_perform(easy_.get()) == CURLE_OK;
  }
  long status = 0;
  if (ok) ok = curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status) == CURLE_OK;
  // The request is done: its headers and body go, the settings stay.
  headers_.clear();
  body_.clear();
  body_.shrink_to_fit();
  // The handle must not point at the lists that die here.
  curl_easy_setopt(easy_.get(), CURLOPT_HTTPHEADER, nullptr);
  curl_easy_setopt(easy_.get(), CURLOPT_PROXYHEADER, nullptr);
  if (!ok) {
    ClearResponse();
    return false;
  }
  status_ = static_cast<int32_t>(status);
  return true;
}

size_t CurlHttpObject::OnBody(char* data, size_t size, size_t count, void* self) {
  auto& object = *static_cast<CurlHttpObject*>(self);
  const size_t bytes = size * count;
  // A byte set counts with 32 bits: a larger body fails the transfer.
  constexpr auto kLargest = static_cast<size_t>(std::numeric_limits<int32_t>::max());
  if (bytes > kLargest - object.response_body_.size()) return 0;
  if (object.response_body_.empty()) {
    // One allocation for an announced length, rather than growing by copies.
    curl_off_t announced = -1;
    curl_easy_getinfo(object.easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    if (announced > 0 && static_cast<size_t>(announced) <= kLargest) {
      object.response_body_.reserve(static_cast<size_t>(announced));
    }
  }
  object.response_body_.append(data, bytes);
  return bytes;
}

size_t CurlHttpObject::OnHeader(char* data, size_t size, size_t count, void* self) {
  auto& object = *static_cast<CurlHttpObject*>(self);
  const size_t bytes = size * count;
  std::string_view line(data, bytes);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  // Each status line starts a new response (a redirect, an interim answer, a
  // proxy's tunnel): only the last response's headers are kept.
  if (line.starts_with("HTTP/")) {
    object.header_lines_.clear();
  } else if (!line.empty()) {
    object.header_lines_.emplace_back(line);
  }
  object.last_progress_ = std::chrono::steady_clock::now();
  return bytes;
}

// Gives up when no byte has moved for the send or receive time-out. The clock
// starts once the connection stands; connecting has its own limit.
int CurlHttpObject::OnProgress(void* self, curl_off_t, curl_off_t downloaded, curl_off_t upload_total,
                               curl_off_t uploaded) {
  auto& object = *static_cast<CurlHttpObject*>(self);
  const auto now = std::chrono::steady_clock::now();
  if (!object.transfer_started_) {
    curl_off_t pretransfer_us = 0;
    curl_easy_getinfo(object.easy_.get(), CURLINFO_PRETRANSFER_TIME_T, &pretransfer_us);
    if (pretransfer_us == 0 && uploaded == 0 && downloaded == 0) return 0;
    object.transfer_started_ = true;
    object.last_progress_ = now;
  }
  if (downloaded + uploaded != object.moved_) {
    object.moved_ = downloaded + uploaded;
    object.last_progress_ = now;
    return 0;
  }
  const bool sending = upload_total > 0 && uploaded < upload_total;
  const int32_t limit_ms = sending ? object.timeouts_ms_[2] : object.timeouts_ms_[3];
  if (limit_ms <= 0) return 0;
  return now - object.last_progress_ >= std::chrono::milliseconds(limit_ms) ? 1 : 0;
}

}  // namespace

HttpObjectRef CreateHttpObject() {
  curl::Pool();  // readies libcurl before the first handle
  curl::EasyHandle easy(curl_easy_init());
  if (!easy) return nullptr;
  return std::make_shared<CurlHttpObject>(std::move(easy));
}

}  // namespace skinwall
