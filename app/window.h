// The window runtime: loads the one window with its controls, delivers
// clicks, runs the message loop and serves the control primitives. FLTK on
// POSIX, the raw Win32 API on Windows.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "runtime/controls.h"
#include "runtime/text.h"

namespace skinwall {

enum class ControlKind { kLabel, kButton };

struct ControlLayout {
  Text name;
  ControlKind kind;
  int left, top, width, height;  // relative to the window's client area
  Text text;
};

struct WindowLayout {
  Text name;
  Text title;
  int width, height;  // of the outer frame; the window opens centred on the primary screen
  std::vector<ControlLayout> controls;
};

struct WindowHandlers {
  std::function<void()> on_create;                    // after the controls exist, before the window shows
  std::function<void(const Text& control)> on_click;  // a button was pressed
};

class WindowRuntime : public ControlHost {
 public:
  // Creates the window and its controls while delivering no event, calls
  // on_create, then shows the window. False when the window cannot be made.
  [[nodiscard]] virtual bool LoadWindow(const WindowLayout& layout, WindowHandlers handlers) = 0;
  // Whether a loaded window of that name still exists.
  virtual bool WindowExists(const Text& window) const = 0;
  // Destroys the window as its close box does.
  virtual void CloseWindow(const Text& window) = 0;
  // Takes and dispatches events until a quit request, which the runtime
  // posts when the last window is destroyed while the loop runs. Returns at
  // once when no window exists.
  virtual void RunMessageLoop() = 0;
};

std::unique_ptr<WindowRuntime> CreateWindowRuntime();

}  // namespace skinwall
