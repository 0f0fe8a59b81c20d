// Writes the run directory, in UTF-8, to the file named by its argument.
#include <fstream>

#include "runtime/files.h"
#include "runtime/source_text.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::ofstream(argv[1], std::ios::binary) << skinwall::TextToUtf8(skinwall::RunDirectory());
  return 0;
}
