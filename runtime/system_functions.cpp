#include "runtime/system_functions.h"

#include <charconv>
#include <memory>
#include <string>

#include "runtime/files.h"
#include "runtime/run_time_error.h"
#include "runtime/source_text.h"
#include "runtime/text_primitives.h"
#include "runtime/walking.h"

namespace skinwall {

SystemFunctionBinder::SystemFunctionBinder(LibraryLoader& loader, Text run_directory)
    : loader_(loader), run_directory_(std::move(run_directory)) {}

SystemFunctionBinder::~SystemFunctionBinder() { UnloadAll(); }

void* SystemFunctionBinder::LoadLibraryFor(const Text& name) {
  if (FindText(name, Text(":")) != -1) return loader_.Load(name);
  if (void* beside = loader_.Load(JoinTexts(run_directory_, Text("\\"), name))) return beside;
  return loader_.Load(name);
}

void* SystemFunctionBinder::Find(void* library, std::string_view function) {
  if (function.size() > 1 && function[0] == '#') {
    unsigned ordinal = 0;
    const auto digits = function.substr(1);
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), ordinal);
    if (r.ec == std::errc() && r.ptr == digits.data() + digits.size() && ordinal <= 0xFFFF) {
      return loader_.FindByOrdinal(library, static_cast<uint16_t>(ordinal));
    }
    return nullptr;
  }
  return loader_.FindByName(library, Text(function));
}

void* SystemFunctionBinder::Resolve(const SystemFunctionEntry& entry, SystemFunctionBinding& binding) {
  if (binding.address != nullptr) return binding.address;
  static constexpr std::string_view kStandardLibraries[] = {"Kernel32.dll", "Gdi32.dll",    "User32.dll",
                                                            "Advapi32.dll", "Mpr.dll", "Shell32.dll"};
  void* library = nullptr;
  void* address = nullptr;
  if (entry.library.empty()) {
    for (std::string_view name : kStandardLibraries) {
      library = loader_.Load(Text(name));
      if (library == nullptr) continue;
      address = Find(library, entry.function);
      if (address != nullptr) break;
      loader_.Unload(library);
      library = nullptr;
    }
  } else {
    library = LoadLibraryFor(Text(entry.library));
    if (library != nullptr) address = Find(library, entry.function);
  }
  if (address == nullptr) {
    if (library != nullptr) loader_.Unload(library);
    const std::string function(entry.function);
    const std::string message =
        entry.library.empty()
            ? "无法找到指定DLL库文件中的输出命令“" + function + "”"
            : "无法找到指定DLL库文件“" + std::string(entry.library) + "”中的输出命令“" + function + "”";
    RunTimeError(kErrorNone, TextFromUtf8(message));
  }
  loaded_.push_back(library);
  binding = {library, address};
  return address;
}

void SystemFunctionBinder::UnloadAll() {
  for (void* library : loaded_) loader_.Unload(library);
  loaded_.clear();
}

namespace {

enum Entry { kCoInitialize, kCoUninitialize, kMultiByteToWideChar, kWideCharToMultiByte, kPathIsDirectoryA };

constexpr SystemFunctionEntry kTable[] = {
    {"ole32.dll", "CoInitialize"},         {"ole32.dll", "CoUninitialize"},   {"", "MultiByteToWideChar"},
    {"kernel32.dll", "WideCharToMultiByte"}, {"shlwapi.dll", "PathIsDirectoryA"},
};

struct SystemTable {
  std::unique_ptr<LibraryLoader> loader = CreateLibraryLoader();
  SystemFunctionBinder binder{*loader, RunDirectory()};
  SystemFunctionBinding bindings[std::size(kTable)];
};

// Never destroyed: a system function called while the process ends (an
// object released by a static destructor after this table would have been)
// still finds its binding. The libraries are unloaded by UnloadSystemLibraries.
SystemTable& Table() {
  static SystemTable& table = *new SystemTable;
  return table;
}

template <class Function>
Function Bound(Entry entry) {
  SystemTable& table = Table();
  return reinterpret_cast<Function>(table.binder.Resolve(kTable[entry], table.bindings[entry]));
}

}  // namespace

namespace system_function {

int32_t CoInitialize(void* reserved) {
  return Bound<int32_t (*)(void*)>(kCoInitialize)(reserved);
}

void CoUninitialize() { Bound<void (*)()>(kCoUninitialize)(); }

int32_t MultiByteToWideChar(uint32_t code_page, uint32_t flags, const char* text, int32_t length,
                            char16_t* wide, int32_t wide_units) {
  using Fn = int32_t (*)(uint32_t, uint32_t, const char*, int32_t, char16_t*, int32_t);
  return Bound<Fn>(kMultiByteToWideChar)(code_page, flags, text, length, wide, wide_units);
}

int32_t WideCharToMultiByte(uint32_t code_page, uint32_t flags, const char16_t* wide, int32_t length,
                            char* text, int32_t text_bytes, const char* default_char, int32_t* used_default) {
  using Fn = int32_t (*)(uint32_t, uint32_t, const char16_t*, int32_t, char*, int32_t, const char*, int32_t*);
  return Bound<Fn>(kWideCharToMultiByte)(code_page, flags, wide, length, text, text_bytes, default_char,
                                         used_default);
}

int32_t PathIsDirectoryA(const char* path) { return Bound<int32_t (*)(const char*)>(kPathIsDirectoryA)(path); }

}  // namespace system_function

void UnloadSystemLibraries() {
  SystemTable& table = Table();
  table.binder.UnloadAll();
  for (auto& binding : table.bindings) binding = {};
}

}  // namespace skinwall
