// WebRequest against the test server on 127.0.0.1: what reaches the wire,
// what reaches the request object, and what comes back to the caller.
#include "web/web_request.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "runtime/source_text.h"
#include "runtime/system_functions.h"
#include "tests/support/test_support.h"
#include "tests/web/recording_http_object.h"
#include "tests/web/test_server.h"

namespace skinwall {
namespace {

using testing::ComponentLibrary;
using testing::QueryEscape;
using testing::RawRequest;
using testing::RecordingHttpObject;
using testing::RunningUnderWine;
using testing::TestServer;
using testing::UniqueId;

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

std::string Str(const Text& text) { return std::string(text.view()); }

class WebRequestTest : public ::testing::Test {
 protected:
  // A URL on the server that records under a fresh id (kept in id_).
  std::string Url(const std::string& path, const std::string& query = "") {
    id_ = UniqueId();
    return server_.Url(path + "?id=" + id_ + (query.empty() ? "" : "&" + query));
  }

  // The one request recorded under the last id.
  RawRequest OnlyRequest() {
    const std::vector<RawRequest> requests = server_.Requests(id_);
    EXPECT_EQ(requests.size(), 1u) << "requests recorded under " << id_;
    return requests.empty() ? RawRequest() : requests.front();
  }

  std::shared_ptr<RecordingHttpObject> Recording() {
    HttpObjectRef real = CreateHttpObject();
    EXPECT_NE(real, nullptr);
    return std::make_shared<RecordingHttpObject>(real);
  }

  ComponentLibrary component_library_;
  const TestServer& server_ = TestServer::Get();
  std::string id_;
};

TEST_F(WebRequestTest, PlainGetSendsTheDefaultHeadersInOrderAndCompletesTheCallersText) {
  const std::string url = Url("/page", "echo=1");
  WebRequestOptions options;
  const ByteSet body = WebRequest(Text(url), options);

  EXPECT_EQ(options.StatusCode, 200);
  EXPECT_EQ(Str(options.RequestHeaders), "Accept: */*\r\nReferer: " + url +
                                             "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + kUserAgent);
  const RawRequest request = OnlyRequest();
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.Header("Accept"), "*/*");
  EXPECT_EQ(request.Header("Referer"), url);
  EXPECT_EQ(request.Header("Accept-Language"), "zh-cn");
  EXPECT_EQ(request.Header("User-Agent"), kUserAgent);
  EXPECT_LT(request.HeaderPosition("Accept"), request.HeaderPosition("Referer"));
  EXPECT_LT(request.HeaderPosition("Referer"), request.HeaderPosition("Accept-Language"));
  EXPECT_LT(request.HeaderPosition("Accept-Language"), request.HeaderPosition("User-Agent"));
  for (const char* absent : {"Content-Type", "Cookie", "Proxy-Authorization"}) {
    EXPECT_EQ(request.HeaderCount(absent), 0) << absent;
  }
  EXPECT_TRUE(request.body.empty());
  // The echo shows the body comes back byte for byte.
  EXPECT_NE(std::string(body.view()).find("GET /page?id=" + id_), std::string::npos);
}

TEST_F(WebRequestTest, MethodIndexPicksTheMethodAndOnlyPostGetsAContentType) {
  struct Row {
    int32_t method;
    const char* on_wire;
  };
  const Row rows[] = {{-1, "GET"}, {0, "GET"},     {1, "POST"},   {2, "HEAD"},  {3, "PUT"},
                      {4, "OPTIONS"}, {5, "DELETE"}, {6, "TRACE"}, {8, "GET"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.method);
    WebRequestOptions options{.Method = row.method};
    WebRequest(Text(Url("/m")), options);
    const RawRequest request = OnlyRequest();
    EXPECT_EQ(request.method, row.on_wire);
    EXPECT_EQ(options.StatusCode, 200);
    if (row.method == 1) {
      EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
      EXPECT_TRUE(Str(options.RequestHeaders).ends_with("\r\nContent-Type: application/x-www-form-urlencoded"));
    } else {
      EXPECT_EQ(request.HeaderCount("Content-Type"), 0);
      EXPECT_EQ(Str(options.RequestHeaders).find("Content-Type"), std::string::npos);
    }
  }
}

TEST_F(WebRequestTest, CallersHeaderLinesAreCompletedAndHandedOverOneByOne) {
  struct Row {
    const char* name;
    int32_t method;
    Text headers;
    // The completed text with "URL" standing for the URL.
    std::string completed;
    // The SetRequestHeader calls, in order, with "URL" standing for the URL.
    std::vector<std::string> header_calls;
  };
  const std::string defaults_after_accept = "\r\nReferer: URL\r\nAccept-Language: zh-cn\r\nUser-Agent: " +
                                            std::string(kUserAgent);
  const std::vector<std::string> default_calls_after_accept = {
      "SetRequestHeader(Referer, URL)", "SetRequestHeader(Accept-Language, zh-cn)",
      "SetRequestHeader(User-Agent, " + std::string(kUserAgent) + ")"};
  const auto with_defaults = [&](std::vector<std::string> calls) {
    calls.insert(calls.end(), default_calls_after_accept.begin(), default_calls_after_accept.end());
    return calls;
  };
  const Row rows[] = {
      {"caller's lines first, then what they lack", 0, Text("X-One: 1\r\nAccept-Language: en"),
       "X-One: 1\r\nAccept-Language: en\r\nAccept: */*\r\nReferer: URL\r\nUser-Agent: " + std::string(kUserAgent),
       {"SetRequestHeader(X-One, 1)", "SetRequestHeader(Accept-Language, en)", "SetRequestHeader(Accept, */*)",
        "SetRequestHeader(Referer, URL)", "SetRequestHeader(User-Agent, " + std::string(kUserAgent) + ")"}},
      {"a lower-case accept line does not count", 0, Text("accept: text/html"),
       "accept: text/html\r\nAccept: */*" + defaults_after_accept,
       with_defaults({"SetRequestHeader(accept, text/html)", "SetRequestHeader(Accept, */*)"})},
      {"a trailing line break leaves an empty line that is skipped", 0, Text("X-One: 1\r\n"),
       "X-One: 1\r\n\r\nAccept: */*" + defaults_after_accept,
       with_defaults({"SetRequestHeader(X-One, 1)", "SetRequestHeader(Accept, */*)"})},
      {"a POST that names its Content-Type gets no second one", 1, Text("Content-Type: text/plain"),
       "Content-Type: text/plain\r\nAccept: */*" + defaults_after_accept,
       with_defaults({"SetRequestHeader(Content-Type, text/plain)", "SetRequestHeader(Accept, */*)"})},
      {"a line without a colon goes over empty and is refused", 0, Text("garbage"),
       "garbage\r\nAccept: */*" + defaults_after_accept,
       with_defaults({"SetRequestHeader(, ) refused", "SetRequestHeader(Accept, */*)"})},
      {"spaces around name and value go, later colons stay", 0, Text("  X-When : 12:30:00 "),
       "  X-When : 12:30:00 \r\nAccept: */*" + defaults_after_accept,
       with_defaults({"SetRequestHeader(X-When, 12:30:00)", "SetRequestHeader(Accept, */*)"})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string url = Url("/h");
    const auto substitute = [&](std::string text) {
      for (auto at = text.find("URL"); at != std::string::npos; at = text.find("URL", at + url.size())) {
        text.replace(at, 3, url);
      }
      return text;
    };
    auto object = Recording();
    WebRequestOptions options{.Method = row.method, .RequestHeaders = row.headers, .RequestObject = object};
    WebRequest(Text(url), options);

    EXPECT_EQ(Str(options.RequestHeaders), substitute(row.completed));
    std::vector<std::string> expected;
    for (const std::string& call : row.header_calls) expected.push_back(substitute(call));
    EXPECT_EQ(object->CallsOf("SetRequestHeader"), expected);

    // On the wire the last value given for a name is the one in force.
    const RawRequest request = OnlyRequest();
    EXPECT_EQ(request.Header("Accept"), "*/*");
    EXPECT_EQ(request.Header("Referer"), url);
    if (row.method == 1) {
      EXPECT_EQ(request.HeaderCount("Content-Type"), 1);
      EXPECT_EQ(request.Header("Content-Type"), "text/plain");
    }
  }
}

TEST_F(WebRequestTest, TimeoutSecondsReachTheObjectAsMilliseconds) {
  struct Row {
    int32_t seconds;
    std::vector<std::string> calls;
  };
  const Row rows[] = {
      {0, {"SetTimeouts(15000, 15000, 15000, 15000)"}},
      {-5, {"SetTimeouts(15000, 15000, 15000, 15000)"}},
      {30, {"SetTimeouts(30000, 30000, 30000, 30000)"}},
      {-1, {}},
      {2147483, {"SetTimeouts(2147483000, 2147483000, 2147483000, 2147483000)"}},
      {2147484, {"SetTimeouts(2147483647, 2147483647, 2147483647, 2147483647)"}},
      {INT32_MAX, {"SetTimeouts(2147483647, 2147483647, 2147483647, 2147483647)"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.seconds);
    auto object = Recording();
    WebRequestOptions options{.TimeoutSeconds = row.seconds, .RequestObject = object};
    WebRequest(Text(Url("/t")), options);
    EXPECT_EQ(object->CallsOf("SetTimeouts"), row.calls);
    EXPECT_EQ(options.StatusCode, 200);
  }
}

TEST_F(WebRequestTest, EveryOptionReachesTheObjectInOrder) {
  const std::string proxy = "127.0.0.1:" + std::to_string(server_.http_port);
  const std::string url = Url("/all");
  auto object = Recording();
  WebRequestOptions options{.Method = 1,
                            .BodyText = Text("k=v"),
                            .SendCookies = Text("a=1"),
                            .RequestHeaders = Text("X-One: 1"),
                            .NoRedirect = true,
                            .ProxyAddress = Text(proxy),
                            .TimeoutSeconds = 7,
                            .ProxyUser = Text("user"),
                            .ProxyPassword = Text("secret"),
                            .RequestObject = object};
  WebRequest(Text(url), options);

  const std::vector<std::string> expected = {
      "SetTimeouts(7000, 7000, 7000, 7000)",
      "SetProxy(2, " + proxy + ")",
      "Open(POST, " + url + ", false)",
      "SetRequestHeader(Proxy-Authorization, Basic dXNlcjpzZWNyZXQ=)",
      "Option(6, 0)",
      "Option(4, 13056)",
      "SetRequestHeader(Cookie, a=1)",
      "SetRequestHeader(X-One, 1)",
      "SetRequestHeader(Accept, */*)",
      "SetRequestHeader(Referer, " + url + ")",
      "SetRequestHeader(Accept-Language, zh-cn)",
      "SetRequestHeader(User-Agent, " + std::string(kUserAgent) + ")",
      "SetRequestHeader(Content-Type, application/x-www-form-urlencoded)",
      "Send(text k=v)",
      "ResponseBody",
      "GetallResponseHeaders",
      "Status",
  };
  EXPECT_EQ(object->calls, expected);
  EXPECT_EQ(options.StatusCode, 200);
}

TEST_F(WebRequestTest, TheBodyGoesAsBytesWhenThereAreAnyElseAsText) {
  struct Row {
    const char* name;
    ByteSet bytes;
    Text text;
    std::string on_wire;
  };
  const Row rows[] = {
      {"bytes win over text, zero bytes included", ByteSet{'k', 0x00, 0xFF, '='}, Text("ignored=1"),
       std::string("k\0\xFF=", 4)},
      {"text alone", ByteSet(), Text("name=value&x=1"), "name=value&x=1"},
      {"neither sends an empty body", ByteSet(), Text(), ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WebRequestOptions options{.Method = 1, .BodyText = row.text, .BodyBytes = row.bytes};
    WebRequest(Text(Url("/b")), options);
    const RawRequest request = OnlyRequest();
    EXPECT_EQ(request.body, row.on_wire);
    EXPECT_EQ(request.Header("Content-Length"), std::to_string(row.on_wire.size()));
  }
}

TEST_F(WebRequestTest, SendCookiesBecomeTheCookieHeaderUnchanged) {
  struct Row {
    const char* name;
    std::optional<Text> send;
    std::optional<std::string> on_wire;
  };
  const Row rows[] = {
      {"given", Text("a=1; b = 2"), "a=1; b = 2"},
      {"given empty", Text(), std::nullopt},
      {"not given", std::nullopt, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WebRequestOptions options{.SendCookies = row.send};
    WebRequest(Text(Url("/c")), options);
    EXPECT_EQ(OnlyRequest().Header("Cookie"), row.on_wire);
  }
}

TEST_F(WebRequestTest, ResponseStatusBodyAndHeadersComeBackWhateverTheStatus) {
  struct Row {
    int status;
    std::string body;
  };
  const Row rows[] = {{200, "fine"}, {204, ""}, {404, "missing"}, {500, "broken"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.status);
    WebRequestOptions options{.ResponseHeaders = Text("stale"), .StatusCode = -3};
    const std::string query = "status=" + std::to_string(row.status) + (row.body.empty() ? "" : "&body=" + row.body) +
                              "&header=X-Marker%3A%20yes";
    const ByteSet body = WebRequest(Text(Url("/s", query)), options);
    EXPECT_EQ(options.StatusCode, row.status);
    EXPECT_EQ(std::string(body.view()), row.body);
    const std::string headers = Str(options.ResponseHeaders);
    EXPECT_NE(headers.find("X-Marker: yes\r\n"), std::string::npos) << headers;
    EXPECT_EQ(headers.find("HTTP/1."), std::string::npos) << "no status line: " << headers;
  }
}

TEST_F(WebRequestTest, CookieLinesOfTheResponseAreCollected) {
  struct Row {
    const char* name;
    std::vector<std::string> lines;  // response header lines
    std::string returned;
  };
  const Row rows[] = {
      {"attributes are dropped", {"Set-Cookie: a=1; path=/"}, "a=1"},
      {"lower case is found and spaces trimmed", {"set-cookie:  b=2 ;Secure"}, "b=2"},
      {"a line without attributes", {"Set-Cookie: c=3"}, "c=3"},
      {"only the first pair of a line", {"Set-Cookie:d=4;Set-Cookie:e=5"}, "d=4"},
      {"no cookie line", {"X-Day: Mon"}, ""},
      {"two lines in their order", {"Set-Cookie: a=1; path=/", "Set-Cookie: c=3"}, "a=1; c=3"},
      {"a mention without semicolon is taken whole", {"X-Note: see Set-Cookie"}, "X-Note: see Set-Cookie"},
      {"a mention with a semicolon gives an empty entry", {"X-Note: Set-Cookie; x", "Set-Cookie: a=1"}, "; a=1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string query;
    for (const std::string& line : row.lines) query += "&header=" + QueryEscape(line);
    WebRequestOptions options{.ReturnedCookies = Text("stale")};
    WebRequest(Text(Url("/k", query.substr(1))), options);
    EXPECT_EQ(Str(options.ReturnedCookies), row.returned);
    EXPECT_FALSE(options.SendCookies.has_value());
    const std::string headers = Str(options.ResponseHeaders);
    EXPECT_EQ(headers.find("set-cookie"), std::string::npos) << headers;
  }
}

TEST_F(WebRequestTest, ReturnedCookiesAreMergedWithTheSentOnesWhenAsked) {
  struct Row {
    const char* name;
    std::optional<Text> send;
    std::optional<bool> merge;
    std::vector<std::string> set;  // Set-Cookie values of the response
    std::string returned;
    std::optional<std::string> send_after;
  };
  const Row rows[] = {
      {"merged by default", Text("a=1; b=2"), std::nullopt, {"b=3; path=/", "c=4"}, "b=3; c=4; a=1", "b=3; c=4; a=1"},
      {"given empty still merges", Text(), std::nullopt, {"x=1"}, "x=1", "x=1"},
      {"a deletion removes the sent cookie", Text("a=1; b=2"), true, {"a=deleted; path=/"}, "b=2", "b=2"},
      {"merge off keeps spaces and the sent text", Text("a=1"), false, {"b = 2; path=/"}, "b = 2", "a=1"},
      {"not given, nothing to merge with", std::nullopt, true, {"a=1"}, "a=1", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string query;
    for (const std::string& value : row.set) query += "&cookie=" + QueryEscape(value);
    WebRequestOptions options{.SendCookies = row.send, .AutoMergeCookies = row.merge};
    WebRequest(Text(Url("/m", query.substr(1))), options);
    EXPECT_EQ(Str(options.ReturnedCookies), row.returned);
    ASSERT_EQ(options.SendCookies.has_value(), row.send_after.has_value());
    if (row.send_after) {
      EXPECT_EQ(Str(*options.SendCookies), *row.send_after);
    }
  }
}

TEST_F(WebRequestTest, RedirectsAreFollowedUnlessTurnedOff) {
  for (const bool no_redirect : {false, true}) {
    SCOPED_TRACE(no_redirect ? "NoRedirect" : "following");
    const std::string id = UniqueId();
    const std::string target = server_.Url("/landed?id=" + id + "&body=arrived");
    const std::string url = server_.Url("/moved?id=" + id + "&location=" + QueryEscape(target) + "&body=moving");
    WebRequestOptions options{.NoRedirect = no_redirect};
    const ByteSet body = WebRequest(Text(url), options);
    const std::string headers = Str(options.ResponseHeaders);
    if (no_redirect) {
      EXPECT_EQ(options.StatusCode, 302);
      EXPECT_EQ(std::string(body.view()), "moving");
      EXPECT_NE(headers.find("Location: " + target), std::string::npos) << headers;
      EXPECT_EQ(server_.Requests(id).size(), 1u);
    } else {
      EXPECT_EQ(options.StatusCode, 200);
      EXPECT_EQ(std::string(body.view()), "arrived");
      EXPECT_EQ(headers.find("Location"), std::string::npos) << "only the final response's headers: " << headers;
      const auto requests = server_.Requests(id);
      ASSERT_EQ(requests.size(), 2u);
      EXPECT_EQ(requests[1].target, "/landed?id=" + id + "&body=arrived");
    }
  }
}

TEST_F(WebRequestTest, AFailedRequestReadsEmptyAndMergesOnlyTheSentCookies) {
  struct Row {
    const char* name;
    std::string url;
  };
  const Row rows[] = {
      {"nothing listens", "http://127.0.0.1:" + std::to_string(server_.closed_port) + "/x"},
      {"connection reset in the middle of the body", Url("/r", "reset=1&body=0123456789&cookie=late%3D1")},
      {"malformed URL", "http://127.0.0.1:notaport/x"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WebRequestOptions options{.SendCookies = Text("a = 1; b=2; b=2; c=deleted"),
                              .ReturnedCookies = Text("stale"),
                              .ResponseHeaders = Text("stale"),
                              .StatusCode = 99};
    const ByteSet body = WebRequest(Text(row.url), options);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(options.StatusCode, 0);
    EXPECT_EQ(Str(options.ResponseHeaders), "");
    EXPECT_EQ(Str(options.ReturnedCookies), "a=1; b=2");
    EXPECT_EQ(Str(*options.SendCookies), "a=1; b=2");
  }
}

TEST_F(WebRequestTest, ASlowTransferThatKeepsMovingIsNotCut) {
  const std::string body(600, 'z');
  WebRequestOptions options{.TimeoutSeconds = 1};
  const ByteSet received = WebRequest(Text(Url("/slow", "trickle=6&every=400&body=" + body)), options);
  EXPECT_EQ(options.StatusCode, 200);
  EXPECT_EQ(std::string(received.view()), body);
}

TEST_F(WebRequestTest, ARequestThatStopsMovingGivesUpAfterTheTimeout) {
  if (RunningUnderWine()) GTEST_SKIP() << "Wine's request object does not enforce SetTimeouts";
  struct Row {
    const char* name;
    std::string url;
  };
  // Each of these would answer in full after 20 seconds, well past the test's
  // own limit, if the time-out did not end it first.
  const Row rows[] = {
      {"no answer at all", Url("/stall", "stall=20")},
      {"the body stops half way", Url("/pause", "pause=20&body=0123456789")},
      {"the connection is never accepted", "http://127.0.0.1:" + std::to_string(server_.stalled_connect_port) + "/"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WebRequestOptions options{.TimeoutSeconds = 1};
    const ByteSet body = WebRequest(Text(row.url), options);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(options.StatusCode, 0);
    EXPECT_EQ(Str(options.ResponseHeaders), "");
  }
}

TEST_F(WebRequestTest, TheProxyGetsTheRequestAndBasicCredentialsOnlyInMode1) {
  if (RunningUnderWine()) GTEST_SKIP() << "Wine's request object accepts SetProxy but goes direct";
  struct Row {
    const char* name;
    std::string user;
    std::string password;
    std::optional<int32_t> mode;
    std::optional<std::string> authorization;
    int status;
  };
  const Row rows[] = {
      {"user and password, mode not given", "user", "secret", std::nullopt, "Basic dXNlcjpzZWNyZXQ=", 200},
      {"mode 1 given", "user", "secret", 1, "Basic dXNlcjpzZWNyZXQ=", 200},
      {"empty password", "user", "", std::nullopt, "Basic dXNlcjo=", 407},
      {"mode 0 sends no credentials", "user", "secret", 0, std::nullopt, 407},
      {"mode 2 sends no credentials", "user", "secret", 2, std::nullopt, 407},
      {"no user sends no credentials", "", "secret", std::nullopt, std::nullopt, 407},
  };
  const std::string proxy = "127.0.0.1:" + std::to_string(server_.http_port);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    id_ = UniqueId();
    // The host does not exist: only a proxy can answer for it.
    const std::string url = "http://skinwall.invalid/via?id=" + id_ + "&proxyauth=user%3Asecret&echo=1";
    WebRequestOptions options{.ProxyAddress = Text(proxy),
                              .ProxyUser = Text(row.user),
                              .ProxyPassword = Text(row.password),
                              .ProxyAuthMode = row.mode};
    WebRequest(Text(url), options);
    EXPECT_EQ(options.StatusCode, row.status);
    const RawRequest request = OnlyRequest();
    EXPECT_EQ(request.target, url) << "a proxy gets the absolute URL";
    EXPECT_EQ(request.Header("Proxy-Authorization"), row.authorization);
    EXPECT_EQ(request.Header("Referer"), url);
  }
}

TEST_F(WebRequestTest, ProxyCredentialsWithoutAProxyAreNotSent) {
  auto object = Recording();
  WebRequestOptions options{.ProxyUser = Text("user"), .ProxyPassword = Text("secret"), .RequestObject = object};
  WebRequest(Text(Url("/direct")), options);
  EXPECT_EQ(options.StatusCode, 200);
  EXPECT_TRUE(object->CallsOf("SetProxy").empty());
  EXPECT_TRUE(object->CallsOf("SetRequestHeader(Proxy-Authorization").empty());
  EXPECT_EQ(OnlyRequest().HeaderCount("Proxy-Authorization"), 0);
}

TEST_F(WebRequestTest, CertificateFaultsAreIgnored) {
  if (RunningUnderWine()) GTEST_SKIP() << "Wine's request object does not implement Option 4";
  WebRequestOptions options;
  const ByteSet body = WebRequest(Text(server_.HttpsUrl("/tls?body=sealed")), options);
  EXPECT_EQ(options.StatusCode, 200);
  EXPECT_EQ(std::string(body.view()), "sealed");
}

TEST_F(WebRequestTest, AGivenObjectIsUsedAndStaysWithTheCaller) {
  auto object = Recording();
  const HttpObjectRef given = object;
  const long references = given.use_count();
  for (const char* query : {"body=first", "body=second"}) {
    SCOPED_TRACE(query);
    WebRequestOptions options{.RequestObject = given};
    const ByteSet body = WebRequest(Text(Url("/reuse", query)), options);
    EXPECT_EQ(std::string(body.view()), std::string(query).substr(5));
    options.RequestObject.reset();
    EXPECT_EQ(given.use_count(), references) << "the routine let go of its reference";
  }
  EXPECT_EQ(object->CallsOf("Open").size(), 2u);
}

TEST_F(WebRequestTest, AGivenEmptyObjectFailsEveryStepQuietly) {
  const std::string url = Url("/never");
  WebRequestOptions options{.SendCookies = Text("b = 2; b=2"),
                            .ReturnedCookies = Text("stale"),
                            .ResponseHeaders = Text("stale"),
                            .StatusCode = 99,
                            .RequestObject = HttpObjectRef()};
  const ByteSet body = WebRequest(Text(url), options);
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(options.StatusCode, 0);
  EXPECT_EQ(Str(options.ResponseHeaders), "");
  EXPECT_EQ(Str(options.ReturnedCookies), "b=2");
  EXPECT_EQ(Str(*options.SendCookies), "b=2");
  EXPECT_TRUE(Str(options.RequestHeaders).starts_with("Accept: */*\r\nReferer: " + url));
  EXPECT_TRUE(server_.Requests(id_).empty());
}

TEST(WebRequestExitTest, NoObjectMeansNothingSentAndNothingWritten) {
  int made = 0;
  const auto no_object = [&]() -> HttpObjectRef {
    ++made;
    return nullptr;
  };
  const std::string id = UniqueId();
  WebRequestOptions options{.Method = 1,
                            .BodyText = Text("k=v"),
                            .SendCookies = Text("a = 1"),
                            .ReturnedCookies = Text("old cookies"),
                            .RequestHeaders = Text("X-Mine: 1"),
                            .ResponseHeaders = Text("old headers"),
                            .StatusCode = 77};
  const ByteSet body = WebRequestWithFactory(no_object, Text(TestServer::Get().Url("/x?id=" + id)), options);
  EXPECT_EQ(made, 1);
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(Str(options.RequestHeaders), "X-Mine: 1");
  EXPECT_EQ(Str(*options.SendCookies), "a = 1");
  EXPECT_EQ(Str(options.ReturnedCookies), "old cookies");
  EXPECT_EQ(Str(options.ResponseHeaders), "old headers");
  EXPECT_EQ(options.StatusCode, 77);
  EXPECT_TRUE(TestServer::Get().Requests(id).empty());
}

// Without an outer initialisation, a first CoInitialize reports 0 (done now)
// and any later one 1 (already done): after each call the routine must have
// undone its own.
TEST(WebRequestExitTest, TheComponentLibraryIsReleasedOnEveryExit) {
  struct Row {
    const char* name;
    HttpObjectFactory factory;
    std::optional<HttpObjectRef> given;
  };
  const Row rows[] = {
      {"a request sent", CreateHttpObject, std::nullopt},
      {"no object could be made", [] { return HttpObjectRef(); }, std::nullopt},
      {"a given empty object", CreateHttpObject, HttpObjectRef()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WebRequestOptions options{.RequestObject = row.given};
    WebRequestWithFactory(row.factory, Text(TestServer::Get().Url("/com")), options);
    EXPECT_EQ(system_function::CoInitialize(nullptr), 0);
    system_function::CoUninitialize();
  }
}

}  // namespace
}  // namespace skinwall
