// POSIX has no DLLs: the loader offers three built-in libraries under the
// names the system asks for ("ole32.dll", "kernel32.dll", "shlwapi.dll",
// matched without regard to case). A name with a folder in it names a file,
// and no file is ever loaded, so it is not found.
#include <sys/stat.h>

#include <cstring>
#include <span>
#include <string>
#include <strings.h>

#include "runtime/code_pages.h"
#include "runtime/files.h"
#include "runtime/library_loader.h"
#include "runtime/system_functions.h"

namespace skinwall {
namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kAlreadyInitialised = 1;

// The component library's count of initialisations on this thread.
thread_local int t_component_library_count = 0;

int32_t BuiltinCoInitialize(void*) { return t_component_library_count++ == 0 ? kOk : kAlreadyInitialised; }

void BuiltinCoUninitialize() {
  if (t_component_library_count > 0) --t_component_library_count;
}

uint32_t EffectiveCodePage(uint32_t code_page) { return code_page == 0 ? kCodePageGbk : code_page; }

// Copies units into a caller's buffer of capacity units, or measures with capacity 0.
template <class Unit>
int32_t Deliver(const std::basic_string<Unit>& units, Unit* out, int32_t capacity) {
  const auto count = static_cast<int32_t>(units.size());
  if (capacity == 0) return count;
  if (out == nullptr || capacity < count) return 0;
  std::memcpy(out, units.data(), units.size() * sizeof(Unit));
  return count;
}

int32_t BuiltinMultiByteToWideChar(uint32_t code_page, uint32_t, const char* text, int32_t length, char16_t* wide,
                                   int32_t wide_units) {
  code_page = EffectiveCodePage(code_page);
  if (text == nullptr || !IsSupportedCodePage(code_page) || wide_units < 0 || length == 0 || length < -1) return 0;
  const bool through_zero = length == -1;
  const std::size_t size = through_zero ? std::strlen(text) : static_cast<std::size_t>(length);
  std::u16string units = CodePageToUtf16(code_page, std::string_view(text, size));
  if (through_zero) units.push_back(u'\0');
  return Deliver(units, wide, wide_units);
}

int32_t BuiltinWideCharToMultiByte(uint32_t code_page, uint32_t, const char16_t* wide, int32_t length, char* text,
                                   int32_t text_bytes, const char*, int32_t* used_default) {
  code_page = EffectiveCodePage(code_page);
  if (used_default != nullptr) *used_default = 0;
  if (wide == nullptr || !IsSupportedCodePage(code_page) || text_bytes < 0 || length == 0 || length < -1) return 0;
  const bool through_zero = length == -1;
  const std::size_t size = through_zero ? std::char_traits<char16_t>::length(wide) : static_cast<std::size_t>(length);
  std::string bytes = Utf16ToCodePage(code_page, std::u16string_view(wide, size));
  if (through_zero) bytes.push_back('\0');
  return Deliver(bytes, text, text_bytes);
}

int32_t BuiltinPathIsDirectoryA(const char* path) {
  if (path == nullptr || *path == '\0') return 0;
  struct stat st;
  if (stat(NativePath(Text(path)).c_str(), &st) != 0) return 0;
  return S_ISDIR(st.st_mode) ? kDirectoryAttribute : 0;
}

struct Export {
  const char* name;
  void* address;
};

struct BuiltinLibrary {
  const char* name;
  std::span<const Export> exports;  // ordinals count from 1 in this order
};

const Export kOle32[] = {{"CoInitialize", reinterpret_cast<void*>(&BuiltinCoInitialize)},
                         {"CoUninitialize", reinterpret_cast<void*>(&BuiltinCoUninitialize)}};
const Export kKernel32[] = {{"MultiByteToWideChar", reinterpret_cast<void*>(&BuiltinMultiByteToWideChar)},
                            {"WideCharToMultiByte", reinterpret_cast<void*>(&BuiltinWideCharToMultiByte)}};
const Export kShlwapi[] = {{"PathIsDirectoryA", reinterpret_cast<void*>(&BuiltinPathIsDirectoryA)}};

const BuiltinLibrary kLibraries[] = {
    {"ole32.dll", kOle32},
    {"kernel32.dll", kKernel32},
    {"shlwapi.dll", kShlwapi},
};

class BuiltinLoader final : public LibraryLoader {
 public:
  void* Load(const Text& name) override {
    for (const BuiltinLibrary& library : kLibraries) {
      if (strcasecmp(library.name, name.c_str()) == 0) return const_cast<BuiltinLibrary*>(&library);
    }
    return nullptr;
  }

  void* FindByName(void* library, const Text& function) override {
    for (const Export& e : static_cast<BuiltinLibrary*>(library)->exports) {
      if (function.view() == e.name) return e.address;
    }
    return nullptr;
  }

  void* FindByOrdinal(void* library, uint16_t ordinal) override {
    const auto& exports = static_cast<BuiltinLibrary*>(library)->exports;
    if (ordinal < 1 || ordinal > exports.size()) return nullptr;
    return exports[ordinal - 1].address;
  }

  void Unload(void*) override {}
};

}  // namespace

std::unique_ptr<LibraryLoader> CreateLibraryLoader() { return std::make_unique<BuiltinLoader>(); }

}  // namespace skinwall
