// The program's own folder and the file primitives. Paths are Texts with "\"
// between components; each platform turns them into its native form (UTF-16
// on Windows, UTF-8 with "/" on POSIX), walking by characters so that a
// second byte of 0x5C is never a separator.
#pragma once

#include <filesystem>

#include "runtime/text.h"

namespace skinwall {

// The folder of the program's executable without a trailing "\": "D:" for a
// program in the root of drive D. Worked out once, from the whole path
// however long it is.
Text RunDirectory();

// Creates exactly one folder, the last component; false when it exists, a
// folder on the way is missing, or the system refuses.
bool MakeDirectory(const Text& path);

// Whether a directory search for path finds a file or a folder; "*" and "?"
// in the last component match as wildcards.
bool FileExists(const Text& path);

// Creates or truncates the file and writes the parts one after the other;
// false when the path is empty, the open fails, or a write or the close fails.
bool WriteBytesToFile(const Text& path, std::initializer_list<const ByteSet*> parts);
inline bool WriteBytesToFile(const Text& path, const ByteSet& bytes) { return WriteBytesToFile(path, {&bytes}); }

// Gives a file a name that no entry has yet; false, with nothing changed, when
// the new name exists or the move fails. Never replaces a file.
bool RenameToNewName(const Text& from, const Text& to);

// Removes a file; false when it cannot.
bool DeleteFileAt(const Text& path);

// The native form of a path, and back.
std::filesystem::path NativePath(const Text& path);
Text PathToText(const std::filesystem::path& path);

// Everything before the last "\" found by a walk over the characters; empty
// when there is none.
Text DirectoryOf(const Text& path);

}  // namespace skinwall
