#include "app/shell.h"

#include "runtime/exit_hooks.h"
#include "runtime/files.h"
#include "runtime/run_time_error.h"
#include "runtime/source_text.h"
#include "runtime/system_functions.h"
#include "runtime/text_primitives.h"

namespace skinwall {

Text DownloadRoot;
std::unique_ptr<RegexObject> CatalogueRegex;

WindowLayout StartWindowLayout() {
  return WindowLayout{
      .name = TextFromUtf8("窗口"),
      .title = TextFromUtf8("Veltrano by Talvik"),
      .width = 282,
      .height = 118,
      .controls = {
          {TextFromUtf8("标签1"), ControlKind::kLabel, 8, 8, 80, 16, TextFromUtf8("Orlenda首发")},
          {TextFromUtf8("按钮1"), ControlKind::kButton, 88, 48, 96, 24, TextFromUtf8("开始下载")},
      }};
}

namespace {

void OnCreate() {
  Text run_directory = RunDirectory();
  Text root = JoinTexts(run_directory, Text("\\"));
  DownloadRoot = std::move(root);
}

void ExitHook() {
  DownloadRoot = Text();
  CatalogueRegex.reset();  // balances the component library's initialisation
}

}  // namespace

int RunShell(const ShellOptions& options) {
  RunDirectory();  // worked out once, now

  CatalogueRegex = std::make_unique<RegexObject>();
  RegisterExitHook(&ExitHook);

  auto runtime = CreateWindowRuntime();
  InstallControlHost(runtime.get());
  const Text button = TextFromUtf8("按钮1");
  WindowHandlers handlers{
      .on_create = &OnCreate,
      .on_click =
          [&](const Text& control) {
            if (control == button && options.click_action) options.click_action();
          },
  };
  if (!runtime->LoadWindow(StartWindowLayout(), handlers)) {
    RunTimeError(kErrorNone, TextFromUtf8("载入启动窗口失败"));
  }
  if (options.on_shown) options.on_shown(*runtime);

  runtime->RunMessageLoop();

  RunExitHooks();
  InstallControlHost(nullptr);
  runtime.reset();
  UnloadSystemLibraries();
  return 0;
}

}  // namespace skinwall
