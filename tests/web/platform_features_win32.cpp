#include "runtime/automation_win32.h"
#include "tests/web/platform_features.h"

namespace skinwall::testing {

bool RunningUnderWine() { return automation::RunningUnderWine(); }

}  // namespace skinwall::testing
