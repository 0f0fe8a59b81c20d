// The frame of the program: start-up, the one window, the message loop and
// the normal end, in this order:
//   1. the runtime works out the run directory and readies the system functions;
//   2. the shell's globals are constructed;
//   3. the exit hook is registered;
//   4. the start window is loaded: its creation handler sets DownloadRoot
//      before the window shows;
//   5. the message loop runs until the last window is gone;
//   6. the exit hooks run (DownloadRoot released, then the globals), the
//      libraries bound for system functions are unloaded, and the exit code is 0.
#pragma once

#include <functional>
#include <memory>

#include "app/window.h"
#include "regex/regex_object.h"
#include "runtime/text.h"

namespace skinwall {

// Where the pictures go: the run directory and one "\". Empty until the
// start window's creation handler has run, and again after the exit hook.
extern Text DownloadRoot;
// Takes the catalogue apart for every run of the download job. Made at
// start-up before the window loads, destroyed by the exit hook.
extern std::unique_ptr<RegexObject> CatalogueRegex;

struct ShellOptions {
  // What a press of "按钮1" runs.
  std::function<void()> click_action;
  // Called once the window shows, before the message loop (for tests).
  std::function<void(WindowRuntime&)> on_shown;
};

// The start window "窗口" with the label "标签1" and the button "按钮1".
WindowLayout StartWindowLayout();

// Runs the program from start-up to its normal end and returns the exit code.
int RunShell(const ShellOptions& options);

}  // namespace skinwall
