// The download job through the real web request, regular expression and
// file primitives against the sample site, which the test run starts on a
// free loopback port (site_fixture.py).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app/download_job.h"
#include "app/shell.h"
#include "regex/regex_object.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/source_text.h"
#include "runtime/text_primitives.h"
#include "tests/support/test_support.h"
#include "web/web_request.h"

namespace skinwall {
namespace {

namespace fs = std::filesystem;
using testing::ScopedTempDir;
using testing::T;

constexpr std::string_view kCataloguePath = "/web201605/js/herolist.json";
constexpr std::string_view kPicturePath = "/images/mhvo/img201606/skin/hero-info/";

std::string Fetch(const Text& url) {
  WebRequestOptions options;
  return std::string(WebRequest(url, options).view());
}

struct Picture {
  std::string id, number, hero, skin;  // UTF-8
};

// The sample site of this test run, steered through its control paths.
class SampleSite {
 public:
  SampleSite() {
    const char* file = std::getenv("SKINWALL_SAMPLE_SITE");
    if (file == nullptr) {
      ADD_FAILURE() << "SKINWALL_SAMPLE_SITE is not set: run through ctest, which starts the sample site";
      return;
    }
    std::ifstream(file) >> port_;
    if (port_ == 0) ADD_FAILURE() << "the sample site is not running";
  }

  Text Url(std::string_view path) const { return Text("http://127.0.0.1:" + std::to_string(port_) + std::string(path)); }

  // Switches the site's behaviour; heroes > 0 serves only that many heroes.
  void Mode(std::string_view mode, int heroes = 0) const {
    std::string path = "/_control?mode=" + std::string(mode);
    if (heroes > 0) path += "&heroes=" + std::to_string(heroes);
    ASSERT_EQ(Fetch(Url(path)), "ok") << mode;
    Fetch(Url("/_reset_log"));
  }

  // Every picture the catalogue promises, in catalogue order.
  std::vector<Picture> Pictures() const {
    std::vector<Picture> pictures;
    std::istringstream lines(Fetch(Url("/_tree")));
    for (std::string line; std::getline(lines, line);) {
      Picture p;
      std::istringstream fields(line);
      std::getline(fields, p.id, '\t');
      std::getline(fields, p.number, '\t');
      std::getline(fields, p.hero, '\t');
      std::getline(fields, p.skin, '\t');
      pictures.push_back(p);
    }
    return pictures;
  }

  std::string PictureUrlPath(const Picture& p) const {
    return std::string(kPicturePath) + p.id + "/" + p.id + "-bigskin-" + p.number + ".jpg";
  }

  std::vector<std::string> Requests() const {
    std::vector<std::string> requests;
    std::istringstream lines(Fetch(Url("/_requests")));
    for (std::string line; std::getline(lines, line);) requests.push_back(line);
    return requests;
  }

 private:
  int port_ = 0;
};

// Every entry under a folder: relative UTF-8 path → content ("<dir>" for folders).
std::map<std::string, std::string> Tree(const fs::path& folder) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::u8string relative = fs::relative(entry.path(), folder).generic_u8string();
    tree[std::string(relative.begin(), relative.end())] =
        entry.is_directory() ? "<dir>" : testing::ReadFile(entry.path());
  }
  return tree;
}

// What a complete run leaves: a folder per hero and every picture as served.
std::map<std::string, std::string> ExpectedTree(const SampleSite& site) {
  std::map<std::string, std::string> tree;
  for (const Picture& p : site.Pictures()) {
    tree[p.hero] = "<dir>";
    tree.emplace(p.hero + "/" + p.skin + ".jpg", Fetch(site.Url(site.PictureUrlPath(p))));
  }
  return tree;
}

class DownloadJobTest : public ::testing::Test {
 protected:
  void SetUp() override { site_.Mode("healthy"); }
  void TearDown() override { site_.Mode("healthy"); }

  void Run(const fs::path& root, std::string_view catalogue_url = "") {
    RunDownloadJob({.catalogue_url = catalogue_url.empty() ? site_.Url(kCataloguePath) : Text(catalogue_url),
                    .picture_url_prefix = site_.Url(kPicturePath),
                    .root = JoinTexts(PathToText(root), Text("\\")),
                    .regex = &regex_});
  }

  SampleSite site_;
  RegexObject regex_;
  ScopedTempDir temp_;
};

TEST_F(DownloadJobTest, DownloadsTheWholeCollectionInOrderAndASecondRunWritesNothing) {
  const auto expected = ExpectedTree(site_);
  ASSERT_GT(expected.size(), 600u);
  site_.Mode("healthy");
  Run(temp_.native());
  EXPECT_EQ(Tree(temp_.native()), expected);

  std::vector<std::string> order{"GET " + std::string(kCataloguePath)};
  for (const Picture& p : site_.Pictures()) order.push_back("GET " + site_.PictureUrlPath(p));
  EXPECT_EQ(site_.Requests(), order) << "the catalogue first, then every skin in catalogue order";

  // A picture the user changed is never rewritten, though it is fetched again.
  const Picture first = site_.Pictures().front();
  const fs::path mine = temp_.native() / fs::path(std::u8string(first.hero.begin(), first.hero.end())) /
                        fs::path(std::u8string(first.skin.begin(), first.skin.end()) + u8".jpg");
  std::ofstream(mine, std::ios::trunc) << "mine";
  site_.Mode("healthy");
  Run(temp_.native());
  EXPECT_EQ(testing::ReadFile(mine), "mine");
  EXPECT_EQ(site_.Requests().size(), order.size());
}

TEST_F(DownloadJobTest, ExistingFilesAndFoldersStayAndAFileInPlaceOfAFolderBlocksOnlyItsHero) {
  site_.Mode("healthy", 3);
  const auto pictures = site_.Pictures();
  auto expected = ExpectedTree(site_);
  const auto u8 = [](const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); };
  // Hero 1: its folder exists with one picture edited and one empty.
  const Picture& a = pictures.front();
  fs::create_directory(temp_.native() / u8(a.hero));
  std::ofstream(temp_.native() / u8(a.hero) / u8(a.skin + ".jpg")) << "edited";
  expected[a.hero + "/" + a.skin + ".jpg"] = "edited";
  // The last hero: a file where its folder would go.
  const std::string blocked = pictures.back().hero;
  std::ofstream(temp_.native() / u8(blocked)) << "a file";
  for (auto it = expected.begin(); it != expected.end();) {
    it = it->first.rfind(blocked, 0) == 0 ? expected.erase(it) : std::next(it);
  }
  expected[blocked] = "a file";

  site_.Mode("healthy", 3);
  Run(temp_.native());
  EXPECT_EQ(Tree(temp_.native()), expected);
}

// After every fault: only whole pictures as served (no empty, partial,
// temporary or error-page file), and a healthy run then completes the set.
TEST_F(DownloadJobTest, FaultsLeaveOnlyWholePicturesAndAHealthyRunCompletesTheSet) {
  struct Case {
    const char* mode;
    int heroes;
  } cases[] = {
      {"missing-pictures", 4}, {"status-500", 4}, {"picture-404-some", 6}, {"reset", 3},
      {"short-body", 3},       {"stall", 1},      {"trickle", 1},          {"stall-catalogue", 3},
      {"empty-catalogue", 3},  {"garbage-catalogue", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ScopedTempDir temp;
    site_.Mode("healthy", c.heroes);
    const auto expected = ExpectedTree(site_);
    site_.Mode(c.mode, c.heroes);
    Run(temp.native());
    for (const auto& [path, content] : Tree(temp.native())) {
      ASSERT_TRUE(expected.count(path)) << "unexpected " << path;
      EXPECT_EQ(content, expected.at(path)) << path;
    }
    site_.Mode("healthy", c.heroes);
    Run(temp.native());
    EXPECT_EQ(Tree(temp.native()), expected);
  }
}

// A 20 MB catalogue: one record spans almost all of it, and every hero still
// comes out whole.
TEST_F(DownloadJobTest, TwentyMegabyteCatalogue) {
  site_.Mode("padded-catalogue");
  const auto expected = ExpectedTree(site_);
  ASSERT_GT(expected.size(), 4u);
  site_.Mode("padded-catalogue");
  Run(temp_.native());
  EXPECT_EQ(Tree(temp_.native()), expected);
}

// Makes a folder one that no file can be created in, for as long as it lives:
// without write permission, or (for a user the permissions do not stop, such
// as root) with the file system's immutable flag.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(const fs::path& folder) : folder_(folder) {
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
    if (Writable()) immutable_ = std::system(("chattr +i '" + folder_.string() + "' 2>/dev/null").c_str()) == 0;
  }
  ~ReadOnlyFolder() {
    if (immutable_) std::system(("chattr -i '" + folder_.string() + "'").c_str());
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::replace);
  }
  bool Writable() const {
    const fs::path probe = folder_ / "probe";
    if (!std::ofstream(probe)) return false;
    fs::remove(probe);
    return true;
  }

 private:
  fs::path folder_;
  bool immutable_ = false;
};

TEST_F(DownloadJobTest, AReadOnlyHeroFolderGetsNothingAndLeavesNothing) {
  site_.Mode("healthy", 3);
  const auto expected = ExpectedTree(site_);
  const std::string hero = site_.Pictures().front().hero;
  const fs::path folder = temp_.native() / fs::path(std::u8string(hero.begin(), hero.end()));
  fs::create_directory(folder);
  {
    ReadOnlyFolder read_only(folder);
    if (read_only.Writable()) GTEST_SKIP() << "no way here to make a folder read-only for this user";
    site_.Mode("healthy", 3);
    Run(temp_.native());
    EXPECT_TRUE(fs::is_empty(folder));
  }
  for (const auto& [path, content] : Tree(temp_.native())) {
    if (path.rfind(hero, 0) != 0) EXPECT_EQ(content, expected.at(path)) << path;
  }
  site_.Mode("healthy", 3);
  Run(temp_.native());
  EXPECT_EQ(Tree(temp_.native()), expected);
}

TEST_F(DownloadJobTest, UnreachableWebHostCreatesNothing) {
  Run(temp_.native(), "http://127.0.0.1:1/web201605/js/herolist.json");
  EXPECT_TRUE(Tree(temp_.native()).empty());
}

// Names from the catalogue become single plain path components or are skipped.
TEST_F(DownloadJobTest, HostileNamesCreateNothingOutsideTheRootAndAreSkipped) {
  site_.Mode("hostile-names");
  const fs::path root = temp_.native() / "root";
  fs::create_directory(root);
  Run(root);
  EXPECT_EQ(std::distance(fs::directory_iterator(temp_.native()), fs::directory_iterator()), 1);
  std::set<std::string> names;
  for (const auto& [path, content] : Tree(root)) {
    names.insert(path);
    if (content != "<dir>") EXPECT_GT(content.size(), 1000u) << path;
  }
  // Skipped: "..", ".", "a\\b", "a/b", "C:", wildcard, quote, angle, bar and
  // control-character names. Kept: a second byte of 0x5C, the empty hero name
  // (pictures straight into the root) and the empty skin name (".jpg").
  EXPECT_EQ(names, (std::set<std::string>{"乗", "乗/乗风.jpg", "乗/霞衣.jpg", "梦蝶.jpg", "花灯.jpg", "空皮",
                                          "空皮/A.jpg", "空皮/.jpg", "空皮/B.jpg", "尾线", "尾线/A.jpg",
                                          "尾线/B.jpg", "岚珀", "岚珀/琉璃.jpg", "岚珀/锦绣.jpg", "岚珀/流光.jpg",
                                          "汀枫", "汀枫/青瓷.jpg", "汀枫/墨韵.jpg", "菁萦"}));
}

// The window runtime, with a record of the captions the job sets.
class RecordingHost final : public ControlHost {
 public:
  explicit RecordingHost(ControlHost& real) : real_(real) {}
  void SetCaption(const Text& window, const Text& control, const Text& caption) override {
    captions.push_back(TextToUtf8(JoinTexts(window, Text("/"), control, Text(": "), caption)));
    real_.SetCaption(window, control, caption);
  }
  void ProcessEvents() override {
    ++events;
    real_.ProcessEvents();
  }
  void ShowErrorBox(const Text& caption, const Text& message) override { real_.ShowErrorBox(caption, message); }

  std::vector<std::string> captions;
  int events = 0;

 private:
  ControlHost& real_;
};

TEST_F(DownloadJobTest, CaptionShowsTheRunAndEventsAreProcessedAfterEveryPictureAndHero) {
  auto window = CreateWindowRuntime();
  ASSERT_TRUE(window->LoadWindow(StartWindowLayout(), {}));
  RecordingHost host(*window);
  InstallControlHost(&host);
  site_.Mode("healthy", 4);
  const auto pictures = site_.Pictures().size();
  site_.Mode("healthy", 4);
  Run(temp_.native());
  InstallControlHost(nullptr);
  EXPECT_EQ(host.captions, (std::vector<std::string>{"窗口/按钮1: 下载中...", "窗口/按钮1: 下载完毕"}));
  EXPECT_EQ(host.events, static_cast<int>(pictures) + 4);
  window->CloseWindow(T("窗口"));
}

}  // namespace
}  // namespace skinwall
