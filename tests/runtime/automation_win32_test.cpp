// The owners of COM resources and member calls by name: against an object of
// the test's own that counts its references and records what it is given,
// and against the system's real "VBScript.RegExp".
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "runtime/automation_win32.h"
#include "runtime/code_pages.h"
#include "tests/support/test_support.h"

namespace skinwall::automation {
namespace {

using testing::Raw;
using testing::T;

// An IDispatch whose references are counted but never free it, with three
// members: the method Combine(a, [b]) = a * 10 + b (b omitted counts as 0),
// the property Value and the indexed property Item(index).
class TestObject final : public IDispatch {
 public:
  enum : DISPID { kCombine = 1, kValue, kItem, kFail };

  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    static const std::pair<const wchar_t*, DISPID> kMembers[] = {
        {L"Combine", kCombine}, {L"Value", kValue}, {L"Item", kItem}, {L"Fail", kFail}};
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      for (const auto& [name, id] : kMembers) {
        if (_wcsicmp(names[i], name) == 0) ids[i] = id;
      }
      if (ids[i] == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT*) override {
    last_flags = flags;
    const bool put = flags & DISPATCH_PROPERTYPUT;
    if (put != (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT)) {
      return DISP_E_PARAMNOTOPTIONAL;
    }
    // Positional arguments, first one first.
    std::vector<const VARIANT*> args;
    for (UINT i = params->cArgs; i > params->cNamedArgs; --i) args.push_back(&params->rgvarg[i - 1]);
    switch (member) {
      case kCombine: {
        if (!(flags & DISPATCH_METHOD) || args.size() != 2 || args[0]->vt != VT_I4) return DISP_E_BADPARAMCOUNT;
        const bool omitted = args[1]->vt == VT_ERROR && args[1]->scode == DISP_E_PARAMNOTFOUND;
        if (!omitted && args[1]->vt != VT_I4) return DISP_E_TYPEMISMATCH;
        result->vt = VT_I4;
        result->lVal = args[0]->lVal * 10 + (omitted ? 0 : args[1]->lVal);
        return S_OK;
      }
      case kValue:
        if (!args.empty()) return DISP_E_BADPARAMCOUNT;
        return put ? VariantCopy(value.get(), &params->rgvarg[0]) : VariantCopy(result, value.get());
      case kItem: {
        if (args.size() != 1 || args[0]->vt != VT_I4) return DISP_E_BADPARAMCOUNT;
        Variant& item = items[args[0]->lVal];
        return put ? VariantCopy(item.get(), &params->rgvarg[0]) : VariantCopy(result, item.get());
      }
      case kFail:
        *exception = EXCEPINFO{};
        exception->scode = E_FAIL;
        exception->bstrDescription = SysAllocString(L"failed on purpose");
        return DISP_E_EXCEPTION;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

  long references = 1;  // the test's own
  WORD last_flags = 0;
  Variant value;
  std::map<long, Variant> items;
};

TEST(ComPtr, CountsReferencesThroughCopyMoveAndDestruction) {
  TestObject object;
  {
    object.AddRef();
    ComPtr<IDispatch> adopted(&object);
    EXPECT_EQ(object.references, 2) << "adopting takes no further reference";
    {
      ComPtr<IDispatch> copy(adopted);
      EXPECT_EQ(object.references, 3);
      ComPtr<IDispatch> moved(std::move(copy));
      EXPECT_EQ(object.references, 3) << "a move takes none";
      EXPECT_FALSE(copy);
      EXPECT_EQ(moved.get(), &object);
    }
    EXPECT_EQ(object.references, 2) << "destruction releases";
    ComPtr<IDispatch> assigned;
    assigned = adopted;
    EXPECT_EQ(object.references, 3);
    assigned = ComPtr<IDispatch>();
    EXPECT_EQ(object.references, 2) << "assignment releases what was held";
    EXPECT_EQ(object.QueryInterface(IID_IDispatch, reinterpret_cast<void**>(assigned.Receive())), S_OK);
    EXPECT_EQ(object.references, 3);
    *adopted.Receive() = nullptr;
    EXPECT_EQ(object.references, 2) << "Receive releases what was held";
    EXPECT_FALSE(adopted);
  }
  EXPECT_EQ(object.references, 1);
}

TEST(Variant, ObjectReferencesFollowCopiesMovesAndClears) {
  TestObject object;
  {
    Variant held = Variant::FromObject(&object);
    EXPECT_EQ(held.type(), VT_DISPATCH);
    EXPECT_EQ(object.references, 2);
    Variant copy(held);
    EXPECT_EQ(object.references, 3);
    Variant moved(std::move(copy));
    EXPECT_EQ(object.references, 3);
    EXPECT_EQ(copy.type(), VT_EMPTY);
    moved = Variant::Int(1);
    EXPECT_EQ(object.references, 2) << "reassignment clears";
    {
      ComPtr<IDispatch> back = held.ToObject();
      EXPECT_EQ(back.get(), &object);
      EXPECT_EQ(object.references, 3);
    }
    held.Receive();
    EXPECT_EQ(object.references, 1) << "Receive clears";
    EXPECT_EQ(held.type(), VT_EMPTY);
    held = Variant::FromObject(&object);
  }
  EXPECT_EQ(object.references, 1) << "destruction clears";
  EXPECT_FALSE(Variant::Int(3).ToObject());
}

TEST(Variant, TextsBecomeUtf16BstrsAndComeBack) {
  struct Case {
    const char* name;
    Text text;
    std::u16string bstr;
  } cases[] = {
      {"empty", Text(), u""},
      {"ASCII", Text("Orlenda"), u"Orlenda"},
      {"Chinese", Raw("\xD6\xD0"), u"\u4E2D"},
      {"mixed", T("Orlenda首发"), u"Orlenda\u9996\u53D1"},
      {"second byte 0x5C", Raw("C:\\\x81\x5C\\x"), u"C:\\\u4E57\\x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Variant v = Variant::FromText(c.text);
    ASSERT_EQ(v.type(), VT_BSTR);
    const BSTR bstr = v.get()->bstrVal;
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(bstr), SysStringLen(bstr)), c.bstr);
    EXPECT_EQ(v.ToText(), c.text);
  }
}

TEST(Variant, ACharacterCodePage936LacksComesBackAsOneQuestionMark) {
  Variant v;
  v.get()->vt = VT_BSTR;
  v.get()->bstrVal = SysAllocString(L"a\xD55C\xD83D\xDE00z");  // a Hangul syllable and an emoji
  EXPECT_EQ(v.ToText(), Text("a??z"));
}

TEST(Variant, BytesTravelAsAByteSafeArrayAndComeBack) {
  ByteSet every;
  for (int b = 0; b < 256; ++b) every.Append(std::string(1, static_cast<char>(b)));
  struct Case {
    const char* name;
    ByteSet bytes;
  } cases[] = {{"empty", ByteSet{}}, {"zero bytes", ByteSet{0, 0, 'x', 0}}, {"every byte value", every}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Variant v = Variant::FromBytes(c.bytes);
    ASSERT_EQ(v.type(), VT_ARRAY | VT_UI1);
    LONG lower = -1, upper = -2;
    SafeArrayGetLBound(v.get()->parray, 1, &lower);
    SafeArrayGetUBound(v.get()->parray, 1, &upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper - lower + 1, c.bytes.size());
    EXPECT_EQ(v.ToBytes(), c.bytes);
    EXPECT_EQ(Variant(v).ToBytes(), c.bytes) << "a copy holds its own array";
  }
  EXPECT_EQ(Variant::FromText(Text("abc")).ToBytes(), ByteSet{}) << "only a byte array has bytes";
}

TEST(Variant, ConversionsAndTheirEmptyValues) {
  EXPECT_EQ(Variant::Int(-42).ToText(), Text("-42"));
  EXPECT_EQ(Variant::FromText(Text("12")).ToNumber(), 12);
  EXPECT_EQ(Variant::Int(7).ToNumber(), 7);
  EXPECT_TRUE(Variant::Bool(true).ToBool());
  EXPECT_FALSE(Variant::Bool(false).ToBool());
  EXPECT_TRUE(Variant::Int(2).ToBool());
  EXPECT_EQ(Variant::FromText(Text("not a number")).ToNumber(), 0);
  EXPECT_FALSE(Variant::FromText(Text("not a truth")).ToBool());
  const Variant empty;
  EXPECT_EQ(empty.ToText(), Text());
  EXPECT_EQ(empty.ToNumber(), 0);
  EXPECT_FALSE(empty.ToBool());
  EXPECT_EQ(empty.ToBytes(), ByteSet{});
  Variant null;
  null.get()->vt = VT_NULL;
  EXPECT_EQ(null.ToText(), Text()) << "no text form";
}

TEST(Invoke, MethodArgumentsArriveInTheirNaturalOrder) {
  TestObject object;
  Variant result;
  const Variant one = Variant::Int(1), two = Variant::Int(2);
  EXPECT_EQ(CallMethod(&object, L"combine", {&one, &two}, &result), S_OK);
  EXPECT_EQ(result.ToNumber(), 12);
  EXPECT_EQ(object.last_flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  EXPECT_EQ(CallMethod(&object, L"Combine", {&two, nullptr}, &result), S_OK) << "nullptr is an omitted argument";
  EXPECT_EQ(result.ToNumber(), 20);
  EXPECT_EQ(CallMethod(&object, L"Combine", {&one, &two}), S_OK) << "no result wanted";
  EXPECT_EQ(object.references, 1);
}

TEST(Invoke, PropertiesArePutAsTheNamedArgumentAndReadBack) {
  TestObject object;
  EXPECT_EQ(PutProperty(&object, L"Value", Variant::FromText(T("首发"))), S_OK);
  EXPECT_EQ(object.last_flags, DISPATCH_PROPERTYPUT);
  Variant read;
  EXPECT_EQ(GetProperty(&object, L"VALUE", &read), S_OK);
  EXPECT_EQ(object.last_flags, DISPATCH_PROPERTYGET);
  EXPECT_EQ(read.ToText(), T("首发"));

  const Variant three = Variant::Int(3), four = Variant::Int(4);
  EXPECT_EQ(PutProperty(&object, L"Item", Variant::FromText(Text("third")), {&three}), S_OK);
  EXPECT_EQ(PutProperty(&object, L"Item", Variant::Int(44), {&four}), S_OK);
  EXPECT_EQ(GetProperty(&object, L"Item", &read, {&three}), S_OK);
  EXPECT_EQ(read.ToText(), Text("third"));
  EXPECT_EQ(GetProperty(&object, L"Item", &read, {&four}), S_OK);
  EXPECT_EQ(read.ToNumber(), 44);
}

TEST(Invoke, FailuresAreReportedAndLeaveTheResultEmpty) {
  TestObject object;
  Variant result = Variant::Int(5);
  EXPECT_EQ(CallMethod(&object, L"NoSuchMember", {}, &result), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(result.type(), VT_EMPTY);
  result = Variant::Int(5);
  EXPECT_EQ(CallMethod(&object, L"Fail", {}, &result), DISP_E_EXCEPTION);
  EXPECT_EQ(result.type(), VT_EMPTY);
  result = Variant::Int(5);
  EXPECT_EQ(GetProperty(nullptr, L"Value", &result), E_POINTER);
  EXPECT_EQ(result.type(), VT_EMPTY);
  EXPECT_FALSE(CreateObject(L"Skinwall.NoSuchObject.1"));
}

// Whether this runs under Wine, told apart by Wine's own registry key.
TEST(RunningUnderWine, AgreesWithWinesRegistryKey) {
  HKEY key = nullptr;
  const bool wine_key = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, KEY_READ, &key) == ERROR_SUCCESS;
  if (wine_key) RegCloseKey(key);
  EXPECT_EQ(RunningUnderWine(), wine_key);
}

class RegExp : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    regex_ = CreateObject(L"VBScript.RegExp");
    ASSERT_TRUE(regex_);
  }
  void TearDown() override {
    regex_.Reset();
    CoUninitialize();
  }

  // Runs Execute over subject and gives the match collection.
  ComPtr<IDispatch> Execute(const Text& pattern, const Text& subject) {
    EXPECT_EQ(PutProperty(regex_.get(), L"Pattern", Variant::FromText(pattern)), S_OK);
    EXPECT_EQ(PutProperty(regex_.get(), L"Global", Variant::Bool(true)), S_OK);
    const Variant text = Variant::FromText(subject);
    Variant matches;
    EXPECT_EQ(CallMethod(regex_.get(), L"Execute", {&text}, &matches), S_OK);
    return matches.ToObject();
  }

  ComPtr<IDispatch> regex_;
};

TEST_F(RegExp, ExecuteFindsEveryMatchWithItsPlaceAndSubmatches) {
  ComPtr<IDispatch> matches = Execute(T("\"cname\":\"([^\"]+)\""),
                                      T("[{\"cname\":\"廉颇\"},{\"cname\":\"小乔\"},{\"cname\":\"乗\\\\\"}]"));
  ASSERT_TRUE(matches);
  Variant count;
  EXPECT_EQ(GetProperty(matches.get(), L"Count", &count), S_OK);
  ASSERT_EQ(count.ToNumber(), 3);

  const Variant second_index = Variant::Int(1);
  Variant second;
  EXPECT_EQ(GetProperty(matches.get(), L"Item", &second, {&second_index}), S_OK);
  ComPtr<IDispatch> match = second.ToObject();
  ASSERT_TRUE(match);
  Variant value, first_index, submatches, submatch;
  EXPECT_EQ(GetProperty(match.get(), L"Value", &value), S_OK);
  EXPECT_EQ(value.ToText(), T("\"cname\":\"小乔\""));
  EXPECT_EQ(GetProperty(match.get(), L"FirstIndex", &first_index), S_OK);
  EXPECT_EQ(first_index.ToNumber(), 17) << "counted in UTF-16 units from 0";
  EXPECT_EQ(GetProperty(match.get(), L"SubMatches", &submatches), S_OK);
  const Variant zero = Variant::Int(0);
  EXPECT_EQ(GetProperty(submatches.ToObject().get(), L"Item", &submatch, {&zero}), S_OK);
  EXPECT_EQ(submatch.ToText(), T("小乔"));
}

TEST_F(RegExp, AnInvalidPatternFailsAtExecuteAndAnUnknownMemberByName) {
  EXPECT_EQ(PutProperty(regex_.get(), L"Pattern", Variant::FromText(Text("(unclosed"))), S_OK);
  const Variant subject = Variant::FromText(Text("unclosed"));
  Variant matches = Variant::Int(1);
  EXPECT_EQ(CallMethod(regex_.get(), L"Execute", {&subject}, &matches), DISP_E_EXCEPTION);
  EXPECT_EQ(matches.type(), VT_EMPTY);
  EXPECT_EQ(PutProperty(regex_.get(), L"Singleline", Variant::Bool(true)), DISP_E_UNKNOWNNAME);
}

}  // namespace
}  // namespace skinwall::automation
