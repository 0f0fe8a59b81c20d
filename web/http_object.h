// The HTTP request object that WebRequest drives: one request at a time,
// prepared by Open, sent by Send, read back through ResponseBody,
// GetallResponseHeaders and Status. Each platform supplies its own (libcurl
// on POSIX, the system's automation object on Windows) through
// CreateHttpObject. Texts cross in code page 936.
//
// No member reports failure loudly: a refused call is ignored, and after a
// Send that could not connect, ran out of time or was cut short the body and
// the headers read empty and Status reads 0.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/text.h"

namespace skinwall {

class HttpObject {
 public:
  virtual ~HttpObject() = default;

  // Milliseconds for name resolution, connecting, sending and receiving; 0 or
  // less sets no limit of the object's own for that stage. Sending and
  // receiving give up when no byte has moved for that long; a slow transfer
  // that keeps moving is not cut.
  virtual void SetTimeouts(int32_t resolve_ms, int32_t connect_ms, int32_t send_ms, int32_t receive_ms) = 0;
  // Setting 2 routes the following requests through the proxy at address
  // ("host:port"); any other setting sends them directly.
  virtual void SetProxy(int32_t setting, const Text& address) = 0;
  // A header for the request that Open prepares; a second one of the same
  // name (in any case) replaces the first. The Windows object takes headers
  // only after Open.
  virtual bool SetRequestHeader(const Text& name, const Text& value) = 0;
  // Prepares a new request. Only synchronous requests (async false) exist.
  virtual void Open(const Text& method, const Text& url, bool async = false) = 0;
  // Writes an indexed option: 6 (redirects followed when not 0) and
  // 4 (certificate errors to ignore). False for an option not supported.
  virtual bool Option(int32_t index, int32_t value) = 0;
  // Sends the prepared request with the body and waits for the whole response.
  // An empty body sends none. The libcurl object sends a text as its bytes;
  // the Windows object chooses its own encoding.
  virtual void Send(const Text& body) = 0;
  virtual void Send(const ByteSet& body) = 0;

  virtual ByteSet ResponseBody() = 0;
  // The final response's header lines without the status line, each followed
  // by CR LF; every Set-Cookie header on a line of its own.
  virtual Text GetallResponseHeaders() = 0;
  // The final response's status code; 0 when there is none.
  virtual int32_t Status() = 0;
};

// Request objects are shared by reference: a copy is a further reference to
// the same object, which lives until the last one is dropped.
using HttpObjectRef = std::shared_ptr<HttpObject>;

// A new object of the platform, or null when none can be created (on Windows
// the caller has initialised the component library on its thread).
HttpObjectRef CreateHttpObject();

// The values Option understands.
inline constexpr int32_t kOptionEnableRedirects = 6;
inline constexpr int32_t kOptionSslErrorIgnoreFlags = 4;
inline constexpr int32_t kIgnoreUnknownCa = 0x0100;
inline constexpr int32_t kIgnoreWrongUsage = 0x0200;
inline constexpr int32_t kIgnoreCertCnInvalid = 0x1000;
inline constexpr int32_t kIgnoreCertDateInvalid = 0x2000;
inline constexpr int32_t kIgnoreAllCertErrors =
    kIgnoreUnknownCa | kIgnoreWrongUsage | kIgnoreCertCnInvalid | kIgnoreCertDateInvalid;

// The SetProxy setting that names a proxy server.
inline constexpr int32_t kProxySettingProxy = 2;

}  // namespace skinwall
