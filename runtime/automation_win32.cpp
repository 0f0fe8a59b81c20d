#include "runtime/automation_win32.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "runtime/code_pages.h"

namespace skinwall::automation {
namespace {

// Takes a BSTR's units, embedded zeros and all, to code page 936; a zero
// byte ends the Text as it always does.
Text TextOfBstr(BSTR bstr) {
  if (bstr == nullptr) return Text();
  const std::u16string_view units(reinterpret_cast<const char16_t*>(bstr), SysStringLen(bstr));
  return Text(Utf16ToCodePage(kCodePageGbk, units));
}

// Frees what an exception report holds after a failed Invoke.
void ClearExcepInfo(EXCEPINFO& info) {
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  info = EXCEPINFO{};
}

// Looks the member up by name and invokes it. args are in their natural
// order and go to Invoke reversed; a property put adds value as the named
// argument DISPID_PROPERTYPUT, which Invoke takes first. A null argument is
// passed as an omitted optional one.
HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::initializer_list<const Variant*> args,
               const Variant* put_value, Variant* result) {
  if (result != nullptr) result->Receive();
  if (object == nullptr || name == nullptr) return E_POINTER;
  DISPID member = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member);
  if (FAILED(hr)) return hr;

  // Shallow copies: the caller's Variants keep ownership of their values.
  std::vector<VARIANTARG> argv;
  argv.reserve(args.size() + 1);
  if (put_value != nullptr) argv.push_back(*put_value->get());
  for (auto it = std::rbegin(args); it != std::rend(args); ++it) {
    if (*it != nullptr) {
      argv.push_back(*(*it)->get());
    } else {
      VARIANTARG omitted;
      VariantInit(&omitted);
      omitted.vt = VT_ERROR;
      omitted.scode = DISP_E_PARAMNOTFOUND;
      argv.push_back(omitted);
    }
  }
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = argv.empty() ? nullptr : argv.data();
  params.cArgs = static_cast<UINT>(argv.size());
  if (put_value != nullptr) {
    params.rgdispidNamedArgs = &put_id;
    params.cNamedArgs = 1;
  }

  Variant answer;
  EXCEPINFO exception{};
  UINT bad_argument = 0;
  hr = object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                      put_value != nullptr ? nullptr : answer.Receive(), &exception, &bad_argument);
  if (hr == DISP_E_EXCEPTION && exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
  ClearExcepInfo(exception);
  if (SUCCEEDED(hr) && result != nullptr) *result = std::move(answer);
  return hr;
}

}  // namespace

Variant::Variant(const Variant& other) {
  VariantInit(&v_);
  if (FAILED(VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)))) VariantInit(&v_);
}

Variant::Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }

Variant& Variant::operator=(Variant other) noexcept {
  std::swap(v_, other.v_);
  return *this;
}

Variant Variant::Bool(bool value) {
  Variant v;
  v.v_.vt = VT_BOOL;
  v.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::Int(int32_t value) {
  Variant v;
  v.v_.vt = VT_I4;
  v.v_.lVal = value;
  return v;
}

Variant Variant::FromText(const Text& text) {
  const std::u16string units = CodePageToUtf16(kCodePageGbk, text.view());
  BSTR bstr = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(units.data()), static_cast<UINT>(units.size()));
  if (bstr == nullptr) ReportOutOfMemory((units.size() + 1) * sizeof(OLECHAR));
  Variant v;
  v.v_.vt = VT_BSTR;
  v.v_.bstrVal = bstr;
  return v;
}

Variant Variant::FromBytes(const ByteSet& bytes) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (array == nullptr) ReportOutOfMemory(static_cast<std::size_t>(bytes.size()));
  if (!bytes.empty()) {
    void* data = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
      std::memcpy(data, bytes.data(), static_cast<std::size_t>(bytes.size()));
      SafeArrayUnaccessData(array);
    }
  }
  Variant v;
  v.v_.vt = VT_ARRAY | VT_UI1;
  v.v_.parray = array;
  return v;
}

Variant Variant::FromObject(IDispatch* object) {
  Variant v;
  v.v_.vt = VT_DISPATCH;
  v.v_.pdispVal = object;
  if (object != nullptr) object->AddRef();
  return v;
}

VARIANT* Variant::Receive() {
  VariantClear(&v_);
  return &v_;
}

Text Variant::ToText() const {
  if (v_.vt == VT_BSTR) return TextOfBstr(v_.bstrVal);
  Variant converted;
  if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&v_), 0, VT_BSTR))) return Text();
  return TextOfBstr(converted.v_.bstrVal);
}

double Variant::ToNumber() const {
  Variant converted;
  if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&v_), 0, VT_R8))) return 0;
  return converted.v_.dblVal;
}

bool Variant::ToBool() const {
  Variant converted;
  if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&v_), 0, VT_BOOL))) return false;
  return converted.v_.boolVal != VARIANT_FALSE;
}

ByteSet Variant::ToBytes() const {
  if (v_.vt & VT_BYREF) {
    Variant direct;
    if (FAILED(VariantCopyInd(direct.get(), const_cast<VARIANT*>(&v_)))) return ByteSet();
    return direct.ToBytes();
  }
  if (v_.vt != (VT_ARRAY | VT_UI1) || v_.parray == nullptr || SafeArrayGetDim(v_.parray) != 1) return ByteSet();
  LONG lower = 0, upper = -1;
  if (FAILED(SafeArrayGetLBound(v_.parray, 1, &lower)) || FAILED(SafeArrayGetUBound(v_.parray, 1, &upper))) {
    return ByteSet();
  }
  const LONG count = upper - lower + 1;
  if (count <= 0) return ByteSet();
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(v_.parray, &data))) return ByteSet();
  ByteSet bytes;
  bytes.Resize(count);
  std::memcpy(bytes.data(), data, static_cast<std::size_t>(count));
  SafeArrayUnaccessData(v_.parray);
  return bytes;
}

ComPtr<IDispatch> Variant::ToObject() const {
  if (v_.vt & VT_BYREF) {
    Variant direct;
    if (FAILED(VariantCopyInd(direct.get(), const_cast<VARIANT*>(&v_)))) return {};
    return direct.ToObject();
  }
  if (v_.vt == VT_DISPATCH && v_.pdispVal != nullptr) {
    v_.pdispVal->AddRef();
    return ComPtr<IDispatch>(v_.pdispVal);
  }
  ComPtr<IDispatch> object;
  if (v_.vt == VT_UNKNOWN && v_.punkVal != nullptr) {
    v_.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.Receive()));
  }
  return object;
}

ComPtr<IDispatch> CreateObject(const wchar_t* prog_id) {
  ComPtr<IDispatch> object;
  CLSID clsid;
  if (prog_id == nullptr || FAILED(CLSIDFromProgID(prog_id, &clsid))) return object;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(object.Receive())))) {
    object.Reset();
  }
  return object;
}

HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::initializer_list<const Variant*> args,
                   Variant* result) {
  return Invoke(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, nullptr, result);
}

HRESULT GetProperty(IDispatch* object, const wchar_t* name, Variant* result,
                    std::initializer_list<const Variant*> index) {
  return Invoke(object, name, DISPATCH_PROPERTYGET, index, nullptr, result);
}

HRESULT PutProperty(IDispatch* object, const wchar_t* name, const Variant& value,
                    std::initializer_list<const Variant*> index) {
  return Invoke(object, name, DISPATCH_PROPERTYPUT, index, &value, nullptr);
}

bool RunningUnderWine() {
  static const bool under_wine = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return under_wine;
}

}  // namespace skinwall::automation
