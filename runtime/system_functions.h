// Platform functions reached by library and function name, bound at their
// first call and kept until the end of the program. A function that no
// library supplies ends the program with a run-time error.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "runtime/library_loader.h"
#include "runtime/text.h"

namespace skinwall {

struct SystemFunctionEntry {
  std::string_view library;   // empty: the standard libraries are searched
  std::string_view function;  // a name, or "#" and decimal digits for an ordinal
};

struct SystemFunctionBinding {
  void* library = nullptr;
  void* address = nullptr;
};

class SystemFunctionBinder {
 public:
  SystemFunctionBinder(LibraryLoader& loader, Text run_directory);
  SystemFunctionBinder(const SystemFunctionBinder&) = delete;
  SystemFunctionBinder& operator=(const SystemFunctionBinder&) = delete;
  ~SystemFunctionBinder();

  // The address of the entry's function, binding it first when it is not bound.
  void* Resolve(const SystemFunctionEntry& entry, SystemFunctionBinding& binding);
  // Unloads every library loaded for a binding; the bindings must not be used afterwards.
  void UnloadAll();

 private:
  void* LoadLibraryFor(const Text& name);
  void* Find(void* library, std::string_view function);

  LibraryLoader& loader_;
  Text run_directory_;
  std::vector<void*> loaded_;
};

// The system's own table: its five entries and their signatures as the
// platform declares them.
namespace system_function {
int32_t CoInitialize(void* reserved);
void CoUninitialize();
int32_t MultiByteToWideChar(uint32_t code_page, uint32_t flags, const char* text, int32_t length,
                            char16_t* wide, int32_t wide_units);
int32_t WideCharToMultiByte(uint32_t code_page, uint32_t flags, const char16_t* wide, int32_t length,
                            char* text, int32_t text_bytes, const char* default_char, int32_t* used_default);
int32_t PathIsDirectoryA(const char* path);
}  // namespace system_function

// The value PathIsDirectoryA gives for a folder.
inline constexpr int32_t kDirectoryAttribute = 16;

// Unloads the libraries bound for the system's table, at the end of the program.
void UnloadSystemLibraries();

}  // namespace skinwall
