#include "runtime/automation_win32.h"
#include "tests/support/test_support.h"

namespace skinwall::testing {

bool RunningUnderWine() { return automation::RunningUnderWine(); }

}  // namespace skinwall::testing
