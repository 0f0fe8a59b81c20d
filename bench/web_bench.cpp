// 200 sequential GETs of a 300 KB file on 127.0.0.1 through WebRequest, once
// with the connections and DNS answers shared between request objects (the
// normal case) and once with every object connecting anew. Prints requests
// per second for both. Starts and ends tests/web/test_server.py itself.
//
//   build/web/bench/web_bench [requests]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "runtime/text.h"
#include "web/http_object_curl.h"
#include "web/web_request.h"

namespace {

constexpr int kFileBytes = 300 * 1024;

int ServerPort() {
  std::ifstream ports(std::string(SKINWALL_BENCH_STATE) + "/ports");
  std::string line;
  while (std::getline(ports, line)) {
    if (line.starts_with("http=")) return std::atoi(line.c_str() + 5);
  }
  return 0;
}

int ServerCommand(const char* command) {
  const std::string line = std::string("\"") + SKINWALL_PYTHON + "\" \"" + SKINWALL_TEST_SERVER_SCRIPT + "\" " +
                           command + " --state \"" + SKINWALL_BENCH_STATE + "\" >/dev/null";
  return std::system(line.c_str());
}

// Runs the requests and gives requests per second; counts bodies that did
// not arrive whole in failures.
double Measure(const std::string& url, int requests, int& failures) {
  failures = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < requests; ++i) {
    skinwall::WebRequestOptions options;
    const skinwall::ByteSet body = skinwall::WebRequest(skinwall::Text(url), options);
    if (options.StatusCode != 200 || body.size() != kFileBytes) ++failures;
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return requests / took.count();
}

}  // namespace

int main(int argc, char** argv) {
  const int requests = argc > 1 ? std::atoi(argv[1]) : 200;
  if (requests < 1 || ServerCommand("start") != 0) {
    std::fprintf(stderr, "usage: web_bench [requests]; the test server must be able to start\n");
    return 1;
  }
  const std::string url = "http://127.0.0.1:" + std::to_string(ServerPort()) + "/file?size=" + std::to_string(kFileBytes);

  int failures = 0;
  Measure(url, 10, failures);  // warm-up: the server's threads, the page cache
  std::printf("%d sequential GETs of %d bytes on 127.0.0.1\n", requests, kFileBytes);
  for (const bool shared : {true, false}) {
    skinwall::curl::SetConnectionSharing(shared);
    const double rate = Measure(url, requests, failures);
    std::printf("  %-36s %8.0f requests/s  (%d failed)\n",
                shared ? "shared connections and DNS:" : "new connection per request object:", rate, failures);
  }
  skinwall::curl::SetConnectionSharing(true);
  ServerCommand("stop");
  return 0;
}
