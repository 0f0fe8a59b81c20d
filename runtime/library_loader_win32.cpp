// The Windows loader: the real DLLs through LoadLibraryW (the name taken from
// code page 936 to UTF-16), GetProcAddress by name or ordinal, FreeLibrary.
// A library that cannot be loaded shows no system error box.
#include <windows.h>

#include <string>

#include "runtime/code_pages.h"
#include "runtime/library_loader.h"

namespace skinwall {
namespace {

class Win32Loader final : public LibraryLoader {
 public:
  void* Load(const Text& name) override {
    if (name.empty()) return nullptr;
    const std::u16string wide = CodePageToUtf16(kCodePageGbk, name.view());
    DWORD previous_mode = 0;
    const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_mode) != 0;
    HMODULE library = LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
    if (quiet) SetThreadErrorMode(previous_mode, nullptr);
    return library;
  }

  void* FindByName(void* library, const Text& function) override {
    if (library == nullptr || function.empty()) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), function.c_str()));
  }

  void* FindByOrdinal(void* library, uint16_t ordinal) override {
    // Ordinal 0 would read as a null name.
    if (library == nullptr || ordinal == 0) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), MAKEINTRESOURCEA(ordinal)));
  }

  void Unload(void* library) override {
    if (library != nullptr) FreeLibrary(static_cast<HMODULE>(library));
  }
};

}  // namespace

std::unique_ptr<LibraryLoader> CreateLibraryLoader() { return std::make_unique<Win32Loader>(); }

}  // namespace skinwall
