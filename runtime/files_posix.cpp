// POSIX file primitives: "\" separators become "/" and code page 936 becomes
// UTF-8 on the way out; the run directory comes back the other way.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "runtime/code_pages.h"
#include "runtime/files.h"

namespace skinwall {
namespace {

// Replaces every single-byte `from` by `to`, walking code page 936 characters:
// a second byte equal to `from` belongs to its character and stays.
std::string SwapSeparators(std::string text, char from, char to) {
  for (std::size_t i = 0; i < text.size(); i += static_cast<uint8_t>(text[i]) >= 0x80 ? 2 : 1) {
    if (text[i] == from) text[i] = to;
  }
  return text;
}

std::string NativeUtf8(const Text& path) {
  const std::string slashed = SwapSeparators(std::string(path.view()), '\\', '/');
  return Utf16ToCodePage(kCodePageUtf8, CodePageToUtf16(kCodePageGbk, slashed));
}

// Decodes one UTF-8 character at i (advancing i); malformed bytes count as one character each.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const auto b = static_cast<uint8_t>(s[i]);
  const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
  if (extra == 0 || i + extra >= s.size()) {
    ++i;
    return b;
  }
  char32_t cp = b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<uint8_t>(s[i + k]) & 0x3F);
  i += extra + 1;
  return cp;
}

// A directory search's match of one name against "*" and "?", by characters.
bool WildcardMatch(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0, star_p = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star_p = ++p;
      star_n = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      NextCodePoint(name, n);
    } else if (p < pattern.size()) {
      std::size_t p2 = p, n2 = n;
      if (NextCodePoint(pattern, p2) == NextCodePoint(name, n2)) {
        p = p2;
        n = n2;
      } else if (star_p != std::string_view::npos) {
        p = star_p;
        NextCodePoint(name, star_n);
        n = star_n;
      } else {
        return false;
      }
    } else if (star_p != std::string_view::npos) {
      p = star_p;
      NextCodePoint(name, star_n);
      n = star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

std::filesystem::path NativePath(const Text& path) { return std::filesystem::path(NativeUtf8(path)); }

Text PathToText(const std::filesystem::path& path) {
  const std::string text = Utf16ToCodePage(kCodePageGbk, CodePageToUtf16(kCodePageUtf8, path.string()));
  return Text(SwapSeparators(text, '/', '\\'));
}

Text ProgramPath() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return Text();
    if (static_cast<std::size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(n));
      return PathToText(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool MakeDirectory(const Text& path) {
  if (path.empty()) return false;
  return mkdir(NativeUtf8(path).c_str(), 0777) == 0;
}

bool FileExists(const Text& path) {
  if (path.empty()) return false;
  const std::string native = NativeUtf8(path);
  const std::size_t slash = native.rfind('/');
  const std::string last = slash == std::string::npos ? native : native.substr(slash + 1);
  if (last.find_first_of("*?") == std::string::npos) {
    struct stat st;
    return !last.empty() && stat(native.c_str(), &st) == 0;
  }
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : native.substr(0, slash));
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return false;
  bool found = false;
  while (const dirent* entry = readdir(dir)) {
    if (WildcardMatch(last, entry->d_name)) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

bool WriteBytesToFile(const Text& path, std::initializer_list<const ByteSet*> parts) {
  if (path.empty()) return false;
  const int fd = open(NativeUtf8(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = true;
  for (const ByteSet* part : parts) {
    const uint8_t* at = part->data();
    std::size_t left = static_cast<std::size_t>(part->size());
    while (ok && left > 0) {
      const ssize_t n = write(fd, at, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) ok = false;
      else {
        at += n;
        left -= static_cast<std::size_t>(n);
      }
    }
  }
  if (close(fd) != 0) ok = false;
  return ok;
}

bool RenameToNewName(const Text& from, const Text& to) {
  if (from.empty() || to.empty()) return false;
  const std::string source = NativeUtf8(from), target = NativeUtf8(to);
  if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace rename: a hard link fails just as well when the name exists.
  if (link(source.c_str(), target.c_str()) != 0) return false;
  unlink(source.c_str());
  return true;
}

bool DeleteFileAt(const Text& path) { return !path.empty() && unlink(NativeUtf8(path).c_str()) == 0; }

}  // namespace skinwall
