#include "runtime/files.h"

#include "runtime/text_primitives.h"

namespace skinwall {

Text ProgramPath();  // the platform's full file name of the executable

Text DirectoryOf(const Text& path) {
  int32_t last = 0;
  for (int32_t pos = 1; pos <= path.size(); pos += path.byte(pos) >= 0x80 ? 2 : 1) {
    if (path.byte(pos) == '\\') last = pos;
  }
  return last == 0 ? Text() : TextLeft(path, last - 1);
}

Text RunDirectory() {
  static const Text run_directory = DirectoryOf(ProgramPath());
  return run_directory;
}

}  // namespace skinwall
