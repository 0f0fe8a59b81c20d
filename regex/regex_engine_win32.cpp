// The system's "VBScript.RegExp" automation object, driven by member name.
// Its match collection, matches and submatch collections are automation
// objects of their own, held by reference; a member that cannot be reached
// gives the empty value of its result.
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "regex/regex_engine.h"
#include "runtime/automation_win32.h"

namespace skinwall {
namespace {

using automation::ComPtr;
using automation::Variant;

// A number the object reports, truncated toward zero; 0 when it is out of range.
int32_t Truncated(double value) {
  if (!std::isfinite(value) || value < std::numeric_limits<int32_t>::min() ||
      value > std::numeric_limits<int32_t>::max()) {
    return 0;
  }
  return static_cast<int32_t>(value);
}

int32_t ReadInteger(IDispatch* object, const wchar_t* name) {
  Variant value;
  if (FAILED(automation::GetProperty(object, name, &value))) return 0;
  return Truncated(value.ToNumber());
}

Variant ReadItem(IDispatch* object, int32_t index) {
  const Variant at = Variant::Int(index);
  Variant item;
  if (FAILED(automation::GetProperty(object, L"Item", &item, {&at}))) return Variant();
  return item;
}

class Win32Submatches final : public RegexSubmatches {
 public:
  explicit Win32Submatches(ComPtr<IDispatch> object) : object_(std::move(object)) {}

  int32_t Count() const override { return ReadInteger(object_.get(), L"Count"); }

  // A group that took no part comes back as an empty value, whose text is empty.
  Text Item(int32_t index) const override {
    if (index < 0 || index >= Count()) return Text();
    return ReadItem(object_.get(), index).ToText();
  }

 private:
  ComPtr<IDispatch> object_;
};

class Win32Match final : public RegexMatch {
 public:
  explicit Win32Match(ComPtr<IDispatch> object) : object_(std::move(object)) {}

  Text Value() const override {
    Variant value;
    if (FAILED(automation::GetProperty(object_.get(), L"Value", &value))) return Text();
    return value.ToText();
  }

  int32_t FirstIndex() const override { return ReadInteger(object_.get(), L"FirstIndex"); }

  std::shared_ptr<RegexSubmatches> SubMatches() const override {
    Variant value;
    if (FAILED(automation::GetProperty(object_.get(), L"SubMatches", &value))) return nullptr;
    ComPtr<IDispatch> submatches = value.ToObject();
    if (!submatches) return nullptr;
    return std::make_shared<Win32Submatches>(std::move(submatches));
  }

 private:
  ComPtr<IDispatch> object_;
};

class Win32Collection final : public RegexMatchCollection {
 public:
  explicit Win32Collection(ComPtr<IDispatch> object) : object_(std::move(object)) {}

  int32_t Count() const override { return ReadInteger(object_.get(), L"Count"); }

  std::shared_ptr<RegexMatch> Item(int32_t index) const override {
    if (index < 0 || index >= Count()) return nullptr;
    ComPtr<IDispatch> match = ReadItem(object_.get(), index).ToObject();
    if (!match) return nullptr;
    return std::make_shared<Win32Match>(std::move(match));
  }

 private:
  ComPtr<IDispatch> object_;
};

class Win32Engine final : public RegexEngine {
 public:
  explicit Win32Engine(ComPtr<IDispatch> object) : object_(std::move(object)) {}

  // The name goes to the object as it is; one it does not know fails there.
  bool PutProperty(std::string_view name, bool value) override {
    const std::wstring member(name.begin(), name.end());
    return SUCCEEDED(automation::PutProperty(object_.get(), member.c_str(), Variant::Bool(value)));
  }

  bool IgnoreCase() const override {
    Variant value;
    if (FAILED(automation::GetProperty(object_.get(), L"IgnoreCase", &value))) return false;
    return value.ToBool();
  }

  void SetPattern(const Text& pattern) override {
    automation::PutProperty(object_.get(), L"Pattern", Variant::FromText(pattern));
  }

  Text Pattern() const override {
    Variant value;
    if (FAILED(automation::GetProperty(object_.get(), L"Pattern", &value))) return Text();
    return value.ToText();
  }

  std::shared_ptr<RegexMatchCollection> Execute(const Text& subject) override {
    const Variant text = Variant::FromText(subject);
    Variant result;
    if (FAILED(automation::CallMethod(object_.get(), L"Execute", {&text}, &result))) return nullptr;
    ComPtr<IDispatch> collection = result.ToObject();
    if (!collection) return nullptr;
    return std::make_shared<Win32Collection>(std::move(collection));
  }

  Text Replace(const Text& subject, const Text& replacement) override {
    const Variant text = Variant::FromText(subject);
    const Variant with = Variant::FromText(replacement);
    Variant result;
    if (FAILED(automation::CallMethod(object_.get(), L"Replace", {&text, &with}, &result))) return Text();
    return result.ToText();
  }

 private:
  ComPtr<IDispatch> object_;
};

}  // namespace

std::shared_ptr<RegexEngine> CreateRegexEngine() {
  ComPtr<IDispatch> object = automation::CreateObject(L"VBScript.RegExp");
  if (!object) return nullptr;
  return std::make_shared<Win32Engine>(std::move(object));
}

}  // namespace skinwall
