#include "runtime/exit_hooks.h"

#include <utility>
#include <vector>

namespace skinwall {
namespace {
std::vector<std::function<void()>>& Hooks() {
  static std::vector<std::function<void()>> hooks;
  return hooks;
}
}  // namespace

void RegisterExitHook(std::function<void()> hook) { Hooks().push_back(std::move(hook)); }

void RunExitHooks() {
  std::vector<std::function<void()>> hooks = std::move(Hooks());
  Hooks().clear();
  for (auto& hook : hooks) hook();
}

}  // namespace skinwall
