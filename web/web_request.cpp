#include "web/web_request.h"

#include <limits>

#include "runtime/system_functions.h"
#include "runtime/text_primitives.h"
#include "runtime/walking.h"
#include "text/base64.h"
#include "text/header_text.h"
#include "web/cookies.h"

namespace skinwall {
namespace {

const Text kLineBreak("\r\n");

constexpr const char* kMethods[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr int32_t kPostMethod = 1;
constexpr int32_t kDefaultTimeoutMs = 15000;
constexpr int32_t kKeepObjectTimeouts = -1;
constexpr int32_t kBasicProxyAuth = 1;
constexpr int32_t kRedirectsOff = 0;

// Initialises the component library for the calling thread for as long as it
// lives; declared before the request object so that the object is released
// first.
class ComponentLibraryScope {
 public:
  ComponentLibraryScope() { system_function::CoInitialize(nullptr); }
  ComponentLibraryScope(const ComponentLibraryScope&) = delete;
  ComponentLibraryScope& operator=(const ComponentLibraryScope&) = delete;
  ~ComponentLibraryScope() { system_function::CoUninitialize(); }
};

// Stands in for a given RequestObject that is null: every call fails, every
// read gives the empty value.
class AbsentHttpObject final : public HttpObject {
 public:
  void SetTimeouts(int32_t, int32_t, int32_t, int32_t) override {}
  void SetProxy(int32_t, const Text&) override {}
  bool SetRequestHeader(const Text&, const Text&) override { return false; }
  void Open(const Text&, const Text&, bool) override {}
  bool Option(int32_t, int32_t) override { return false; }
  void Send(const Text&) override {}
  void Send(const ByteSet&) override {}
  ByteSet ResponseBody() override { return {}; }
  Text GetallResponseHeaders() override { return {}; }
  int32_t Status() override { return 0; }
};

int32_t TimeoutMilliseconds(int32_t seconds) {
  if (seconds < 1) return kDefaultTimeoutMs;
  // Beyond 2147483 seconds the count no longer fits: the longest one does.
  const int64_t ms = static_cast<int64_t>(seconds) * 1000;
  return ms > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(ms);
}

void AppendUnlessPresent(Text& headers, const char* name, const Text& line) {
  if (FindText(headers, Text(name)) == -1) headers = JoinTexts(headers, kLineBreak, line);
}

// Adds the default header lines the caller's text lacks, in their order.
void CompleteRequestHeaders(Text& headers, const Text& url, int32_t method) {
  const Text accept("Accept: */*");
  if (headers.empty()) {
    headers = accept;
  } else {
    AppendUnlessPresent(headers, "Accept:", accept);
  }
  AppendUnlessPresent(headers, "Referer:", JoinTexts(Text("Referer: "), url));
  AppendUnlessPresent(headers, "Accept-Language:", Text("Accept-Language: zh-cn"));
  AppendUnlessPresent(headers, "User-Agent:",
                      Text("User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"));
  if (method == kPostMethod) {
    AppendUnlessPresent(headers, "Content-Type:", Text("Content-Type: application/x-www-form-urlencoded"));
  }
}

// Each non-empty line goes to the object by itself; a line without ":" goes
// as an empty name and value, which the object refuses.
void HandOverHeaderLines(HttpObject& object, const Text& headers) {
  if (FindText(headers, kLineBreak) == -1) {
    object.SetRequestHeader(HeaderName(headers), HeaderValue(headers));
    return;
  }
  const TextArray lines = SplitText(headers, kLineBreak);
  for (int32_t i = 1; i <= ElementCount(lines); ++i) {
    const Text& line = lines.At(i);
    if (line.empty()) continue;
    object.SetRequestHeader(HeaderName(line), HeaderValue(line));
  }
}

Text CollectReturnedCookies(const Text& response_headers) {
  const Text marker("Set-Cookie");
  const Text marker_with_colon("Set-Cookie:");
  const TextArray lines = SplitText(response_headers, kLineBreak);
  std::string cookies;
  for (int32_t i = 1; i <= ElementCount(lines); ++i) {
    const Text& line = lines.At(i);
    if (FindText(line, marker) == -1) continue;
    const Text entry = FindText(line, Text(";")) != -1
                           ? TextBetween(line, marker_with_colon, Text(";"))
                           : ReplaceText(line, marker_with_colon, {.match = CaseMatch::kIgnoreCase});
    cookies.append(TrimBothEnds(entry).view());
    cookies.append("; ");
  }
  const Text collected(cookies);
  return TextLeft(collected, TextLength(collected) - 2);
}

}  // namespace

ByteSet WebRequestWithFactory(const HttpObjectFactory& create, const Text& url, WebRequestOptions& options) {
  const bool auto_merge = options.AutoMergeCookies.value_or(true);
  const ComponentLibraryScope component_library;

  const int32_t method = options.Method < 0 || options.Method > 7 ? 0 : options.Method;
  const Text method_text(kMethods[method]);

  HttpObjectRef held = options.RequestObject ? *options.RequestObject : create();
  if (!options.RequestObject && held == nullptr) return ByteSet();
  AbsentHttpObject absent;
  HttpObject& object = held != nullptr ? *held : absent;

  if (options.TimeoutSeconds != kKeepObjectTimeouts) {
    const int32_t ms = TimeoutMilliseconds(options.TimeoutSeconds);
    object.SetTimeouts(ms, ms, ms, ms);
  }
  const bool send_proxy_auth =
      !options.ProxyAddress.empty() && !options.ProxyUser.empty() && options.ProxyAuthMode.value_or(1) == kBasicProxyAuth;
  if (!options.ProxyAddress.empty()) object.SetProxy(kProxySettingProxy, options.ProxyAddress);

  object.Open(method_text, url, false);
  // The object takes headers only once a request is open, so the proxy's
  // credentials follow Open directly, ahead of every other header.
  if (send_proxy_auth) {
    const Text credentials = JoinTexts(options.ProxyUser, Text(":"), options.ProxyPassword);
    object.SetRequestHeader(Text("Proxy-Authorization"),
                            JoinTexts(Text("Basic "), Base64Encode(TextToBytes(credentials))));
  }
  if (options.NoRedirect) object.Option(kOptionEnableRedirects, kRedirectsOff);
  object.Option(kOptionSslErrorIgnoreFlags, kIgnoreAllCertErrors);

  CompleteRequestHeaders(options.RequestHeaders, url, method);
  if (options.SendCookies && !options.SendCookies->empty()) {
    object.SetRequestHeader(Text("Cookie"), *options.SendCookies);
  }
  HandOverHeaderLines(object, options.RequestHeaders);

  if (!options.BodyBytes.empty()) {
    object.Send(options.BodyBytes);
  } else {
    object.Send(options.BodyText);
  }

  ByteSet body = object.ResponseBody();
  options.ResponseHeaders = ReplaceText(object.GetallResponseHeaders(), Text("Set-Cookie"),
                                        {.replacement = Text("Set-Cookie"), .match = CaseMatch::kIgnoreCase});
  options.StatusCode = object.Status();
  options.ReturnedCookies = CollectReturnedCookies(options.ResponseHeaders);
  if (auto_merge && options.SendCookies) {
    options.ReturnedCookies = MergeCookies(*options.SendCookies, options.ReturnedCookies);
  }
  return body;
}

ByteSet WebRequest(const Text& url, WebRequestOptions& options) {
  return WebRequestWithFactory(CreateHttpObject, url, options);
}

}  // namespace skinwall
