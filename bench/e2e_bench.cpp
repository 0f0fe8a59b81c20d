// The download job driven headless, for bench/run.sh, which serves the site,
// times this program against curl and wget and reads its peak memory.
//
//   e2e_bench job CATALOGUE_URL PICTURE_URL_PREFIX FOLDER
//       one run of the job into FOLDER (which must exist); prints its time
//       and the process's peak resident memory
//   e2e_bench phases CATALOGUE_URL PICTURE_URL_PREFIX FOLDER
//       the job's steps one by one with the same primitives, each timed, and
//       the picture requests three ways: a fresh request object per picture
//       (as the job does), one request object for all, and one bare libcurl
//       handle; shows where the job's time goes
#include <curl/curl.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/download_job.h"
#include "regex/regex_object.h"
#include "runtime/files.h"
#include "runtime/source_text.h"
#include "runtime/text_primitives.h"
#include "runtime/walking.h"
#include "text/code_page.h"
#include "web/web_request.h"

namespace skinwall {
namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

long PeakResidentKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

Text RootText(const char* folder) { return JoinTexts(PathToText(std::filesystem::path(folder)), Text("\\")); }

int RunJob(const Text& catalogue_url, const Text& prefix, const Text& root) {
  RegexObject regex;
  const auto start = Clock::now();
  RunDownloadJob({.catalogue_url = catalogue_url, .picture_url_prefix = prefix, .root = root, .regex = &regex});
  std::printf("elapsed_ms %.1f\nmax_rss_kb %ld\n", MillisecondsSince(start), PeakResidentKilobytes());
  return 0;
}

struct Picture {
  Text url;
  Text folder;
  Text path;
};

size_t ToString(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

int RunPhases(const Text& catalogue_url, const Text& prefix, const Text& root) {
  // The catalogue and the list of pictures, as the job makes them.
  auto start = Clock::now();
  WebRequestOptions catalogue_options;
  const ByteSet catalogue_bytes = WebRequest(catalogue_url, catalogue_options);
  const double fetch_catalogue_ms = MillisecondsSince(start);

  start = Clock::now();
  const Text catalogue = Utf8ToAnsi(BytesToText(catalogue_bytes));
  const double convert_ms = MillisecondsSince(start);

  start = Clock::now();
  RegexObject regex;
  regex.Create(CataloguePattern(), catalogue);
  std::vector<Picture> pictures;
  for (int32_t i = 1; i <= regex.MatchCount(); ++i) {
    const Text identifier = regex.SubmatchText(i, 1);
    const Text name = regex.SubmatchText(i, 2);
    const TextArray skins = SplitText(regex.SubmatchText(i, 5), Text("|"));
    for (int32_t j = 1; j <= ElementCount(skins); ++j) {
      pictures.push_back({JoinTexts(prefix, identifier, Text("/"), identifier, Text("-bigskin-"), IntegerToText(j),
                                    Text(".jpg")),
                          JoinTexts(root, name), JoinTexts(root, name, Text("\\"), skins.At(j), Text(".jpg"))});
    }
  }
  const double pattern_ms = MillisecondsSince(start);

  // Fetch every picture a fresh request object at a time, then write it as the job does.
  double fetch_ms = 0;
  double write_ms = 0;
  long long bytes = 0;
  for (const Picture& picture : pictures) {
    start = Clock::now();
    WebRequestOptions options;
    const ByteSet body = WebRequest(picture.url, options);
    fetch_ms += MillisecondsSince(start);
    bytes += body.size();
    start = Clock::now();
    if (!IsDirectory(picture.folder)) MakeDirectory(picture.folder);
    if (!FileExists(picture.path)) {
      const Text temporary = JoinTexts(picture.folder, Text("\\.skinwall-1.part"));
      if (!FileExists(temporary) && WriteBytesToFile(temporary, body)) RenameToNewName(temporary, picture.path);
    }
    write_ms += MillisecondsSince(start);
  }

  // The same requests through one request object.
  start = Clock::now();
  WebRequestOptions shared;
  shared.RequestObject = CreateHttpObject();
  for (const Picture& picture : pictures) WebRequest(picture.url, shared);
  const double one_object_ms = MillisecondsSince(start);

  // The same requests through one bare libcurl handle.
  start = Clock::now();
  CURL* easy = curl_easy_init();
  std::string body;
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &ToString);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  for (const Picture& picture : pictures) {
    body.clear();
    curl_easy_setopt(easy, CURLOPT_URL, std::string(picture.url.view()).c_str());
    curl_easy_perform(easy);
  }
  curl_easy_cleanup(easy);
  const double bare_ms = MillisecondsSince(start);

  const double job_ms = fetch_catalogue_ms + convert_ms + pattern_ms + fetch_ms + write_ms;
  const double n = pictures.empty() ? 1.0 : static_cast<double>(pictures.size());
  std::printf("  the job's steps, %zu pictures, %.1f MB:\n", pictures.size(), bytes / 1048576.0);
  std::printf("    %-52s %8.1f ms\n", "catalogue request", fetch_catalogue_ms);
  std::printf("    %-52s %8.1f ms\n", "catalogue UTF-8 to code page 936", convert_ms);
  std::printf("    %-52s %8.1f ms\n", "pattern and submatches", pattern_ms);
  std::printf("    %-52s %8.1f ms  (%.3f ms each)\n", "picture requests, a fresh request object each", fetch_ms,
              fetch_ms / n);
  std::printf("    %-52s %8.1f ms  (%.3f ms each)\n", "folders and files", write_ms, write_ms / n);
  std::printf("    %-52s %8.1f ms\n", "sum", job_ms);
  std::printf("  the same picture requests, for comparison:\n");
  std::printf("    %-52s %8.1f ms  (%.3f ms each)\n", "one request object for all", one_object_ms, one_object_ms / n);
  std::printf("    %-52s %8.1f ms  (%.3f ms each)\n", "one bare libcurl handle, no headers", bare_ms, bare_ms / n);
  return 0;
}

}  // namespace
}  // namespace skinwall

int main(int argc, char** argv) {
  using namespace skinwall;
  if (argc != 5 || (std::strcmp(argv[1], "job") != 0 && std::strcmp(argv[1], "phases") != 0)) {
    std::fprintf(stderr, "usage: e2e_bench job|phases CATALOGUE_URL PICTURE_URL_PREFIX FOLDER\n");
    return 2;
  }
  const Text catalogue_url(argv[2]);
  const Text prefix(argv[3]);
  const Text root = RootText(argv[4]);
  return std::strcmp(argv[1], "job") == 0 ? RunJob(catalogue_url, prefix, root) : RunPhases(catalogue_url, prefix, root);
}
