// Windows only: driving automation objects by member name through IDispatch,
// with one owning type per COM resource. Included by *_win32.cpp files only.
// Every call reports failure by its HRESULT and leaves outputs empty; none
// throws. Texts cross in code page 936 and become UTF-16 BSTRs here.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <initializer_list>
#include <utility>

#include "runtime/text.h"

namespace skinwall::automation {

// Owns one reference to a COM interface. Copying takes a further reference,
// moving leaves the source empty, destruction releases.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  // Adopts a reference the caller already holds.
  explicit ComPtr(T* adopted) : p_(adopted) {}
  ComPtr(const ComPtr& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  void Reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out parameters: releases what is held and hands out the slot.
  T** Receive() {
    Reset();
    return &p_;
  }

 private:
  T* p_ = nullptr;
};

// Owns one VARIANT; destruction and reassignment clear it (VariantClear).
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(Variant other) noexcept;
  ~Variant() { VariantClear(&v_); }

  static Variant Bool(bool value);
  static Variant Int(int32_t value);
  // A BSTR made from a code page 936 text.
  static Variant FromText(const Text& text);
  // A VT_ARRAY|VT_UI1 safe array of the bytes.
  static Variant FromBytes(const ByteSet& bytes);
  // Takes a further reference to the object.
  static Variant FromObject(IDispatch* object);

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARTYPE type() const { return v_.vt; }
  // For out parameters: clears what is held and hands out the slot.
  VARIANT* Receive();

  // The value as a code page 936 text (converted as VariantChangeType to
  // BSTR would); empty when it has no text form.
  Text ToText() const;
  // The value as a number (VT_R8 conversion); 0 when it has none.
  double ToNumber() const;
  bool ToBool() const;
  // The bytes of a VT_ARRAY|VT_UI1 value; empty for anything else.
  ByteSet ToBytes() const;
  // The object of a VT_DISPATCH (or VT_UNKNOWN exposing IDispatch) value.
  ComPtr<IDispatch> ToObject() const;

 private:
  VARIANT v_;
};

// Creates an object by its ProgID (CLSIDFromProgID, CoCreateInstance,
// IDispatch). Empty on failure. The caller has initialised COM on the thread.
ComPtr<IDispatch> CreateObject(const wchar_t* prog_id);

// Invokes a member by name (looked up with GetIDsOfNames, case-insensitive).
// Arguments are given in their natural order; a nullptr argument is passed as
// an omitted optional one. result may be nullptr. A member that raises an
// exception gives DISP_E_EXCEPTION.
HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::initializer_list<const Variant*> args,
                   Variant* result = nullptr);
// Reads a property, with index arguments when it is an indexed one.
HRESULT GetProperty(IDispatch* object, const wchar_t* name, Variant* result,
                    std::initializer_list<const Variant*> index = {});
// Writes a property (DISPATCH_PROPERTYPUT), with index arguments when it is an indexed one.
HRESULT PutProperty(IDispatch* object, const wchar_t* name, const Variant& value,
                    std::initializer_list<const Variant*> index = {});

// Whether the process runs under Wine (ntdll exports wine_get_version), for
// skipping tests of object features Wine lacks.
bool RunningUnderWine();

}  // namespace skinwall::automation
