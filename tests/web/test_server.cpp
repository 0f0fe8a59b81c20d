#include "tests/web/test_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string_view>

#include "runtime/system_functions.h"
#include "web/http_object.h"

namespace skinwall::testing {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

TestServer ReadPorts() {
  TestServer server;
  const char* path = std::getenv("SKINWALL_WEB_TEST_SERVER");
  if (path == nullptr) {
    ADD_FAILURE() << "SKINWALL_WEB_TEST_SERVER is not set: run the web tests through ctest, which starts "
                     "tests/web/test_server.py and names its ports file there";
    return server;
  }
  std::ifstream file(path);
  if (!file) ADD_FAILURE() << "no ports file at " << path << ": the test server is not running";
  std::string line;
  while (std::getline(file, line)) {
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const int port = std::atoi(line.c_str() + equals + 1);
    if (key == "http") server.http_port = port;
    if (key == "https") server.https_port = port;
    if (key == "stalled_connect") server.stalled_connect_port = port;
    if (key == "closed") server.closed_port = port;
  }
  return server;
}

RawRequest ParseRequest(int connection, std::string_view raw) {
  RawRequest request;
  request.connection = connection;
  const auto head_end = raw.find("\r\n\r\n");
  const std::string_view head = raw.substr(0, head_end);
  if (head_end != std::string_view::npos) request.body = std::string(raw.substr(head_end + 4));
  std::size_t line_start = 0;
  bool first = true;
  while (line_start <= head.size()) {
    auto line_end = head.find("\r\n", line_start);
    if (line_end == std::string_view::npos) line_end = head.size();
    const std::string_view line = head.substr(line_start, line_end - line_start);
    if (first) {
      const auto space = line.find(' ');
      const auto second_space = line.find(' ', space + 1);
      request.method = std::string(line.substr(0, space));
      request.target = std::string(line.substr(space + 1, second_space - space - 1));
      first = false;
    } else {
      const auto colon = line.find(':');
      std::string_view value = colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      request.headers.emplace_back(std::string(line.substr(0, colon)), std::string(value));
    }
    line_start = line_end + 2;
  }
  return request;
}

}  // namespace

std::optional<std::string> RawRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (SameName(key, name)) return value;
  }
  return std::nullopt;
}

int RawRequest::HeaderCount(const std::string& name) const {
  int count = 0;
  for (const auto& header : headers) count += SameName(header.first, name) ? 1 : 0;
  return count;
}

int RawRequest::HeaderPosition(const std::string& name) const {
  for (std::size_t i = 0; i < headers.size(); ++i) {
    if (SameName(headers[i].first, name)) return static_cast<int>(i);
  }
  return -1;
}

const TestServer& TestServer::Get() {
  static const TestServer server = ReadPorts();
  return server;
}

std::string TestServer::Url(const std::string& path_and_query) const {
  return "http://127.0.0.1:" + std::to_string(http_port) + path_and_query;
}

std::string TestServer::HttpsUrl(const std::string& path_and_query) const {
  return "https://127.0.0.1:" + std::to_string(https_port) + path_and_query;
}

std::vector<RawRequest> TestServer::Requests(const std::string& id) const {
  std::string log;
  {
    const ComponentLibrary component_library;
    const HttpObjectRef object = CreateHttpObject();
    if (object != nullptr) {
      object->Open(Text("GET"), Text(Url("/log?of=" + QueryEscape(id))));
      object->Send(Text());
      log = std::string(object->ResponseBody().view());
    }
  }

  std::vector<RawRequest> requests;
  std::size_t pos = 0;
  while (pos < log.size()) {
    const auto line_end = log.find('\n', pos);
    if (line_end == std::string::npos) break;
    std::istringstream numbers(log.substr(pos, line_end - pos));
    int connection = 0;
    std::size_t length = 0;
    numbers >> connection >> length;
    requests.push_back(ParseRequest(connection, std::string_view(log).substr(line_end + 1, length)));
    pos = line_end + 1 + length;
  }
  return requests;
}

ComponentLibrary::ComponentLibrary() { system_function::CoInitialize(nullptr); }
ComponentLibrary::~ComponentLibrary() { system_function::CoUninitialize(); }

std::string UniqueId() {
  static std::atomic<int> counter{0};
  static const unsigned run = std::random_device{}();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string id = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "web";
  for (char& c : id) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
  }
  return id + "-" + std::to_string(run) + "-" + std::to_string(++counter);
}

std::string QueryEscape(const std::string& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const unsigned char c : bytes) {
    if (std::isalnum(c) != 0 && c < 0x80) {
      escaped.push_back(static_cast<char>(c));
    } else {
      escaped += {'%', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return escaped;
}

}  // namespace skinwall::testing
