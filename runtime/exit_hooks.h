// Routines run once each, in the order of their registration, at a normal
// end of the program. A fatal run-time error skips them.
#pragma once

#include <functional>

namespace skinwall {

void RegisterExitHook(std::function<void()> hook);
// Runs every registered hook once and forgets it.
void RunExitHooks();

}  // namespace skinwall
