// The shell in a real window (an X server for FLTK, Wine's for Win32).
#include <gtest/gtest.h>

#include "app/shell.h"
#include "runtime/exit_hooks.h"
#include "runtime/files.h"
#include "runtime/system_functions.h"
#include "runtime/text_primitives.h"
#include "tests/support/test_support.h"

namespace skinwall {
namespace {

using testing::T;

TEST(Shell, CreationSetsTheRootAndClosingEndsThroughTheExitHookOnce) {
  int hooks_run = 0;
  RegisterExitHook([&] { ++hooks_run; });
  bool shown = false;
  const int code = RunShell({.on_shown = [&](WindowRuntime& runtime) {
    shown = true;
    EXPECT_NE(CatalogueRegex, nullptr) << "made before the window loads";
    EXPECT_EQ(DownloadRoot, JoinTexts(RunDirectory(), Text("\\")));
    EXPECT_TRUE(runtime.WindowExists(T("窗口")));
    ProcessEvents();  // returns with nothing pending
    SetCaption(T("窗口"), T("按钮1"), T("下载中..."));
    runtime.CloseWindow(T("窗口"));
    EXPECT_FALSE(runtime.WindowExists(T("窗口")));
    // A window that is gone takes no caption and makes nothing fail.
    SetCaption(T("窗口"), T("按钮1"), T("下载完毕"));
    ProcessEvents();
    EXPECT_EQ(hooks_run, 0);
  }});
  EXPECT_TRUE(shown);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(hooks_run, 1);
  EXPECT_EQ(DownloadRoot, Text()) << "the exit hook releases the root";
  EXPECT_EQ(CatalogueRegex, nullptr);
  EXPECT_EQ(system_function::CoInitialize(nullptr), 0) << "the component library's count is balanced";
  system_function::CoUninitialize();
  RunExitHooks();
  EXPECT_EQ(hooks_run, 1) << "hooks run once";
}

}  // namespace
}  // namespace skinwall
