#include "runtime/run_time_error.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/controls.h"
#include "runtime/source_text.h"
#include "runtime/text_primitives.h"

namespace skinwall {

void RunTimeError(int32_t code, const Text& message) {
  Text shown = message;
  if (code != kErrorNone) {
    shown = JoinTexts(message, TextFromUtf8("（错误码 "), IntegerToText(code), TextFromUtf8("）"));
  }
  if (ControlHost* host = InstalledControlHost()) {
    host->ShowErrorBox(TextFromUtf8("错误"), shown);
  } else {
    const std::string line = "错误: " + TextToUtf8(shown) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
  }
  std::_Exit(kFatalExitCode);
}

}  // namespace skinwall
