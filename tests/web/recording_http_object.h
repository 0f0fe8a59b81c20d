// An HTTP request object for tests that passes every call on to a real one
// and writes down what it was given, in order: what reached the object where
// the wire cannot show it (time-outs, refused headers, the order of calls).
#pragma once

#include <string>
#include <vector>

#include "runtime/text.h"
#include "web/http_object.h"

namespace skinwall::testing {

class RecordingHttpObject final : public HttpObject {
 public:
  explicit RecordingHttpObject(HttpObjectRef inner) : inner_(std::move(inner)) {}

  // One entry per call: the member's name and its arguments, as
  // "SetRequestHeader(Accept, */*) -> true".
  std::vector<std::string> calls;

  void SetTimeouts(int32_t resolve_ms, int32_t connect_ms, int32_t send_ms, int32_t receive_ms) override {
    Note("SetTimeouts(" + std::to_string(resolve_ms) + ", " + std::to_string(connect_ms) + ", " +
         std::to_string(send_ms) + ", " + std::to_string(receive_ms) + ")");
    inner_->SetTimeouts(resolve_ms, connect_ms, send_ms, receive_ms);
  }
  void SetProxy(int32_t setting, const Text& address) override {
    Note("SetProxy(" + std::to_string(setting) + ", " + Str(address) + ")");
    inner_->SetProxy(setting, address);
  }
  bool SetRequestHeader(const Text& name, const Text& value) override {
    const bool accepted = inner_->SetRequestHeader(name, value);
    Note("SetRequestHeader(" + Str(name) + ", " + Str(value) + ")" + (accepted ? "" : " refused"));
    return accepted;
  }
  void Open(const Text& method, const Text& url, bool async) override {
    Note("Open(" + Str(method) + ", " + Str(url) + ", " + (async ? "true" : "false") + ")");
    inner_->Open(method, url, async);
  }
  bool Option(int32_t index, int32_t value) override {
    const bool accepted = inner_->Option(index, value);
    Note("Option(" + std::to_string(index) + ", " + std::to_string(value) + ")");
    return accepted;
  }
  void Send(const Text& body) override {
    Note("Send(text " + Str(body) + ")");
    inner_->Send(body);
  }
  void Send(const ByteSet& body) override {
    Note("Send(bytes " + std::string(body.view()) + ")");
    inner_->Send(body);
  }
  ByteSet ResponseBody() override {
    Note("ResponseBody");
    return inner_->ResponseBody();
  }
  Text GetallResponseHeaders() override {
    Note("GetallResponseHeaders");
    return inner_->GetallResponseHeaders();
  }
  int32_t Status() override {
    Note("Status");
    return inner_->Status();
  }

  // The calls whose entry starts with prefix.
  std::vector<std::string> CallsOf(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
      if (call.starts_with(prefix)) found.push_back(call);
    }
    return found;
  }

 private:
  static std::string Str(const Text& text) { return std::string(text.view()); }
  void Note(std::string call) { calls.push_back(std::move(call)); }

  HttpObjectRef inner_;
};

}  // namespace skinwall::testing
