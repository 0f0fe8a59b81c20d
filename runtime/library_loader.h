// Loads a library by name and finds its functions: the platform's loader
// behind the system functions. Windows loads the real DLLs; POSIX offers
// built-in libraries of the same names.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/text.h"

namespace skinwall {

class LibraryLoader {
 public:
  virtual ~LibraryLoader() = default;
  // A handle, or nullptr when no library of that name can be loaded.
  virtual void* Load(const Text& name) = 0;
  // The function's address, or nullptr.
  virtual void* FindByName(void* library, const Text& function) = 0;
  virtual void* FindByOrdinal(void* library, uint16_t ordinal) = 0;
  virtual void Unload(void* library) = 0;
};

std::unique_ptr<LibraryLoader> CreateLibraryLoader();

}  // namespace skinwall
