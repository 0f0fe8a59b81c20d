// Windows file primitives on the wide API. Paths go from code page 936 to
// UTF-16 with that code page itself, never the process's ANSI code page, so
// names come out right whatever the system's code page is; the conversion
// keeps a second byte 0x5C inside its character.
#include <windows.h>

#include <string>

#include "runtime/code_pages.h"
#include "runtime/files.h"

namespace skinwall {
namespace {

std::wstring Wide(const Text& path) {
  const std::u16string units = CodePageToUtf16(kCodePageGbk, path.view());
  return std::wstring(units.begin(), units.end());
}

// Writes all of the bytes, in as many calls as the system needs.
bool WriteAll(HANDLE file, const uint8_t* at, std::size_t left) {
  while (left > 0) {
    const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(file, at, chunk, &written, nullptr) || written == 0) return false;
    at += written;
    left -= written;
  }
  return true;
}

}  // namespace

std::filesystem::path NativePath(const Text& path) { return std::filesystem::path(Wide(path)); }

Text PathToText(const std::filesystem::path& path) {
  const std::wstring& native = path.native();
  return Text(Utf16ToCodePage(kCodePageGbk, std::u16string_view(reinterpret_cast<const char16_t*>(native.data()),
                                                                 native.size())));
}

// The buffer grows until the whole name fits: a name longer than 260
// characters is not cut short.
Text ProgramPath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), size);
    if (n == 0) return Text();
    if (n < size) {
      buffer.resize(n);
      return PathToText(buffer);
    }
    if (buffer.size() >= 0x10000) return Text();
    buffer.resize(buffer.size() * 2);
  }
}

bool MakeDirectory(const Text& path) {
  if (path.empty()) return false;
  return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0;
}

bool FileExists(const Text& path) {
  if (path.empty()) return false;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(Wide(path).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

bool WriteBytesToFile(const Text& path, std::initializer_list<const ByteSet*> parts) {
  if (path.empty()) return false;
  const HANDLE file =
      CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (const ByteSet* part : parts) {
    if (ok && part != nullptr) ok = WriteAll(file, part->data(), static_cast<std::size_t>(part->size()));
  }
  // Closed on every path; what was written before a failure stays.
  return CloseHandle(file) != 0 && ok;
}

// Without MOVEFILE_REPLACE_EXISTING the move fails when the new name exists.
bool RenameToNewName(const Text& from, const Text& to) {
  if (from.empty() || to.empty()) return false;
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_COPY_ALLOWED) != 0;
}

bool DeleteFileAt(const Text& path) { return !path.empty() && DeleteFileW(Wide(path).c_str()) != 0; }

}  // namespace skinwall
