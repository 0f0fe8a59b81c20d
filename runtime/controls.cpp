#include "runtime/controls.h"

namespace skinwall {
namespace {
ControlHost* g_host = nullptr;
}

void InstallControlHost(ControlHost* host) { g_host = host; }
ControlHost* InstalledControlHost() { return g_host; }

void SetCaption(const Text& window, const Text& control, const Text& caption) {
  if (g_host != nullptr) g_host->SetCaption(window, control, caption);
}

void ProcessEvents() {
  if (g_host != nullptr) g_host->ProcessEvents();
}

}  // namespace skinwall
