#include "tests/support/test_support.h"

namespace skinwall::testing {

bool RunningUnderWine() { return false; }

}  // namespace skinwall::testing
