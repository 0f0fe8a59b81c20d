// The HTTP request object on Windows: the system's "WinHttp.WinHttpRequest.5.1"
// automation object, driven by member name. Every failed call is ignored and
// leaves the empty value of its result.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "runtime/automation_win32.h"
#include "web/http_object.h"

namespace skinwall {
namespace {

using automation::CallMethod;
using automation::ComPtr;
using automation::GetProperty;
using automation::PutProperty;
using automation::Variant;

// The header lines alone, each followed by CR LF: some versions of the object
// put the status line first and an empty line last.
Text HeaderLinesOnly(const Text& all) {
  std::string_view lines = all.view();
  if (lines.starts_with("HTTP/")) {
    const auto end = lines.find("\r\n");
    lines = end == std::string_view::npos ? std::string_view() : lines.substr(end + 2);
  }
  while (lines.ends_with("\r\n\r\n")) lines.remove_suffix(2);
  if (lines == "\r\n") lines = std::string_view();
  return Text(lines);
}

class WinHttpObject final : public HttpObject {
 public:
  explicit WinHttpObject(ComPtr<IDispatch> object) : object_(std::move(object)) {}

  void SetTimeouts(int32_t resolve_ms, int32_t connect_ms, int32_t send_ms, int32_t receive_ms) override {
    const Variant resolve = Variant::Int(resolve_ms);
    const Variant connect = Variant::Int(connect_ms);
    const Variant send = Variant::Int(send_ms);
    const Variant receive = Variant::Int(receive_ms);
    CallMethod(object_.get(), L"SetTimeouts", {&resolve, &connect, &send, &receive});
  }

  void SetProxy(int32_t setting, const Text& address) override {
    const Variant proxy_setting = Variant::Int(setting);
    const Variant server = Variant::FromText(address);
    CallMethod(object_.get(), L"SetProxy", {&proxy_setting, &server});
  }

  bool SetRequestHeader(const Text& name, const Text& value) override {
    const Variant header = Variant::FromText(name);
    const Variant header_value = Variant::FromText(value);
    return SUCCEEDED(CallMethod(object_.get(), L"SetRequestHeader", {&header, &header_value}));
  }

  void Open(const Text& method, const Text& url, bool async) override {
    answered_ = false;
    const Variant verb = Variant::FromText(method);
    const Variant target = Variant::FromText(url);
    const Variant asynchronous = Variant::Bool(async);
    head_request_ = method.view() == "HEAD";
    answered_ = false;
    body_ = ByteSet();
    CallMethod(object_.get(), L"Open", {&verb, &target, &asynchronous});
  }

  bool Option(int32_t index, int32_t value) override {
    const Variant option = Variant::Int(index);
    return SUCCEEDED(PutProperty(object_.get(), L"Option", Variant::Int(value), {&option}));
  }

  void Send(const Text& body) override {
    const Variant text = Variant::FromText(body);
    Received(SUCCEEDED(CallMethod(object_.get(), L"Send", {&text})));
  }

  void Send(const ByteSet& body) override {
    const Variant bytes = Variant::FromBytes(body);
    Received(SUCCEEDED(CallMethod(object_.get(), L"Send", {&bytes})));
  }

  ByteSet ResponseBody() override { return body_; }

  Text GetallResponseHeaders() override {
    if (!answered_) return Text();
    Variant headers;
    if (FAILED(CallMethod(object_.get(), L"GetAllResponseHeaders", {}, &headers))) return Text();
    return HeaderLinesOnly(headers.ToText());
  }

  int32_t Status() override {
    if (!answered_) return 0;
    Variant status;
    if (FAILED(GetProperty(object_.get(), L"Status", &status))) return 0;
    const double number = std::trunc(status.ToNumber());
    // A status outside the 32-bit range (or not a number) is no status.
    if (!(number >= INT32_MIN && number <= INT32_MAX)) return 0;
    return static_cast<int32_t>(number);
  }

 private:
  // The response is only read after a Send that succeeded: some versions of
  // the object crash reading the body of a request that failed. A body
  // shorter or longer than its Content-Length (a connection cut mid-body,
  // which some versions report as success) makes the whole request a failed
  // one, as a transfer that did not complete.
  void Received(bool sent) {
    answered_ = sent;
    if (!answered_) return;
    Variant body;
    if (SUCCEEDED(GetProperty(object_.get(), L"ResponseBody", &body))) body_ = body.ToBytes();
    if (head_request_) return;
    const Variant name = Variant::FromText(Text("Content-Length"));
    Variant length;
    if (FAILED(CallMethod(object_.get(), L"GetResponseHeader", {&name}, &length))) return;
    const Text declared = length.ToText();
    if (declared.empty()) return;
    if (declared.view() != std::to_string(body_.size())) {
      answered_ = false;
      body_ = ByteSet();
    }
  }

  ComPtr<IDispatch> object_;
  bool head_request_ = false;
  bool answered_ = false;
  ByteSet body_;
};

}  // namespace

HttpObjectRef CreateHttpObject() {
  ComPtr<IDispatch> object = automation::CreateObject(L"WinHttp.WinHttpRequest.5.1");
  if (!object) return nullptr;
  return std::make_shared<WinHttpObject>(std::move(object));
}

}  // namespace skinwall
