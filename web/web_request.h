// One synchronous HTTP request with the system's rich option record: method,
// body as text or bytes, cookies, extra headers, a proxy with basic
// authorisation, a time-out, redirect control, reuse of a request object and
// cookie merging. Hands back the body, and through the option record the
// response headers, the status and the cookies the response set.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "runtime/text.h"
#include "web/http_object.h"

namespace skinwall {

// The options in their fixed order. A field left alone holds the value used
// when the option is not given; std::optional marks the options whose being
// given changes what happens. Outputs and in/outs are written back here.
struct WebRequestOptions {
  // Index into GET, POST, HEAD, PUT, OPTIONS, DELETE, TRACE, CONNECT; any
  // other value counts as 0 (GET).
  int32_t Method = 0;
  // The body when BodyBytes is empty.
  Text BodyText;
  // In/out: the Cookie header's value (none when empty). After a merge it
  // holds the merged cookies; a merge only happens when this is given.
  std::optional<Text> SendCookies;
  // Out: the name=value part of each cookie the response sets, joined by
  // "; " (or the merged cookies).
  Text ReturnedCookies;
  // In/out: extra header lines separated by CR LF; completed in place with
  // the default Accept, Referer, Accept-Language, User-Agent and (for POST)
  // Content-Type lines that it lacks.
  Text RequestHeaders;
  // Out: the response's header lines as the object gives them, with every
  // "set-cookie" in any case spelled "Set-Cookie".
  Text ResponseHeaders;
  // Out: the response's status; 0 when the request failed.
  int32_t StatusCode = 0;
  // True: redirect responses are returned as they are.
  bool NoRedirect = false;
  // The body as bytes; when not empty it is sent instead of BodyText.
  ByteSet BodyBytes;
  // The proxy ("host:port"); empty sends directly.
  Text ProxyAddress;
  // Whole seconds for each stage of the request; -1 leaves the object's own
  // time-outs alone, any other value below 1 means 15 seconds.
  int32_t TimeoutSeconds = 0;
  Text ProxyUser;
  Text ProxyPassword;
  // 1 (the value when not given) sends ProxyUser and ProxyPassword as a basic
  // Proxy-Authorization header when a proxy and a user are set; others send none.
  std::optional<int32_t> ProxyAuthMode;
  // An object to send with instead of a new one; given but null, every
  // operation on it fails and the request reads as failed.
  std::optional<HttpObjectRef> RequestObject;
  // Not given counts as true: merge ReturnedCookies with SendCookies when
  // SendCookies is given.
  std::optional<bool> AutoMergeCookies;
};

// Sends one request to url and returns the response body (empty when the
// request failed). Never judges the status: an error response returns its
// body, headers and cookies like any other. When no request object can be
// created nothing is sent and no field of options is written.
ByteSet WebRequest(const Text& url, WebRequestOptions& options);

// The same with the maker of the request object in the caller's hands (used
// when RequestObject is not given); a maker that gives null takes the exit
// for an object that cannot be created.
using HttpObjectFactory = std::function<HttpObjectRef()>;
ByteSet WebRequestWithFactory(const HttpObjectFactory& create, const Text& url, WebRequestOptions& options);

}  // namespace skinwall
