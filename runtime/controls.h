// The control primitives and the window runtime they reach. A program with a
// window installs its window runtime here; a headless run (tests, benchmarks)
// installs none, and then the primitives do nothing and fatal errors go to
// standard error instead of a modal box.
#pragma once

#include "runtime/text.h"

namespace skinwall {

class ControlHost {
 public:
  virtual ~ControlHost() = default;
  // Sets the shown text of a control of a loaded window; a window that is
  // gone, or a control it lacks, is skipped.
  virtual void SetCaption(const Text& window, const Text& control, const Text& caption) = 0;
  // Dispatches what is pending, never waits, and leaves a quit request queued.
  virtual void ProcessEvents() = 0;
  // A modal error box with one OK button.
  virtual void ShowErrorBox(const Text& caption, const Text& message) = 0;
};

// Installs (or, with nullptr, removes) the window runtime; not owned.
void InstallControlHost(ControlHost* host);
ControlHost* InstalledControlHost();

void SetCaption(const Text& window, const Text& control, const Text& caption);
void ProcessEvents();

}  // namespace skinwall
