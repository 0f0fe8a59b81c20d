#include "tests/web/platform_features.h"

namespace skinwall::testing {

bool RunningUnderWine() { return false; }

}  // namespace skinwall::testing
