// Binding platform functions by library and function name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/files.h"
#include "runtime/source_text.h"
#include "runtime/system_functions.h"
#include "tests/support/test_support.h"

namespace skinwall {
namespace {

using testing::FatalExit;

// The platform's loader, with a record of what it was asked.
class RecordingLoader final : public LibraryLoader {
 public:
  void* Load(const Text& name) override {
    loads.push_back(std::string(name.view()));
    void* library = real_->Load(name);
    if (library != nullptr) ++open;
    return library;
  }
  void* FindByName(void* library, const Text& function) override { return real_->FindByName(library, function); }
  void* FindByOrdinal(void* library, uint16_t ordinal) override {
    ordinals.push_back(ordinal);
    return real_->FindByOrdinal(library, ordinal);
  }
  void Unload(void* library) override {
    --open;
    real_->Unload(library);
  }

  std::vector<std::string> loads;
  std::vector<uint16_t> ordinals;
  int open = 0;

 private:
  std::unique_ptr<LibraryLoader> real_ = CreateLibraryLoader();
};

TEST(SystemFunctionBinder, BindsOnceFromTheProgramFolderThenBySearch) {
  RecordingLoader loader;
  const SystemFunctionEntry entry{"ole32.dll", "CoInitialize"};
  SystemFunctionBinding binding;
  {
    SystemFunctionBinder binder(loader, Text("C:\\nowhere"));
    void* first = binder.Resolve(entry, binding);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(binder.Resolve(entry, binding), first);
    EXPECT_EQ(loader.loads, (std::vector<std::string>{"C:\\nowhere\\ole32.dll", "ole32.dll"}));
    EXPECT_EQ(loader.open, 1);
  }
  EXPECT_EQ(loader.open, 0) << "libraries are unloaded at the end";
}

TEST(SystemFunctionBinder, SearchesTheStandardLibrariesForAnEntryWithoutLibrary) {
  RecordingLoader loader;
  SystemFunctionBinder binder(loader, Text("C:\\nowhere"));
  SystemFunctionBinding binding;
  EXPECT_NE(binder.Resolve({"", "MultiByteToWideChar"}, binding), nullptr);
  EXPECT_EQ(loader.loads.front(), "Kernel32.dll");
  EXPECT_EQ(loader.open, 1);
}

TEST(SystemFunctionBinder, HashAndDigitsNameAnOrdinal) {
  RecordingLoader loader;
  SystemFunctionBinder binder(loader, Text("C:\\nowhere"));
  SystemFunctionBinding binding;
  // Anything but digits after the hash is a plain name; digits ask the loader
  // for that ordinal, whatever function it names.
  EXPECT_EXIT(
      {
        binder.Resolve({"kernel32.dll", "#65535x"}, binding);
        std::exit(0);
      },
      FatalExit, "#65535x");
  SystemFunctionBinding by_ordinal;
  EXPECT_EXIT(
      {
        binder.Resolve({"ole32.dll", "#1"}, by_ordinal);
        std::exit(loader.ordinals == std::vector<uint16_t>{1} ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(SystemFunctionBinderDeathTest, UnknownFunctionEndsTheProgramWithTheMessage) {
  RecordingLoader loader;
  SystemFunctionBinder binder(loader, Text("C:\\nowhere"));
  SystemFunctionBinding binding;
  EXPECT_EXIT(binder.Resolve({"ole32.dll", "NoSuchFunction"}, binding), FatalExit,
              "无法找到指定DLL库文件“ole32.dll”中的输出命令“NoSuchFunction”");
  EXPECT_EXIT(binder.Resolve({"", "NoSuchFunction"}, binding), FatalExit,
              "无法找到指定DLL库文件中的输出命令“NoSuchFunction”");
  EXPECT_EXIT(binder.Resolve({"nosuchlibrary.dll", "CoInitialize"}, binding), FatalExit,
              "无法找到指定DLL库文件“nosuchlibrary.dll”中的输出命令“CoInitialize”");
}

// The component library counts initialisations per thread: the first gives
// S_OK (0), a further one S_FALSE (1), and balanced calls bring it back.
TEST(SystemFunctions, ComponentLibraryCountsPerThread) {
  EXPECT_EQ(system_function::CoInitialize(nullptr), 0);
  EXPECT_EQ(system_function::CoInitialize(nullptr), 1);
  system_function::CoUninitialize();
  system_function::CoUninitialize();
  EXPECT_EQ(system_function::CoInitialize(nullptr), 0);
  system_function::CoUninitialize();
}

}  // namespace
}  // namespace skinwall
