// The web tests' view of the HTTP server that the test run starts on
// 127.0.0.1 (test_server.py): its ports, URLs on it, and the raw requests it
// recorded under an id.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "runtime/text.h"

namespace skinwall::testing {

struct RawRequest {
  int connection = 0;  // the server's number for the connection it came on
  std::string method;
  std::string target;
  std::vector<std::pair<std::string, std::string>> headers;  // in wire order
  std::string body;

  // The value of the first header of that name (any case).
  std::optional<std::string> Header(const std::string& name) const;
  // How many headers of that name (any case) arrived.
  int HeaderCount(const std::string& name) const;
  // Position of the first header of that name in wire order, or -1.
  int HeaderPosition(const std::string& name) const;
};

class TestServer {
 public:
  // The server started for this test run; the test fails when there is none.
  static const TestServer& Get();

  int http_port = 0;
  int https_port = 0;
  int stalled_connect_port = 0;
  int closed_port = 0;

  // "http://127.0.0.1:<port>" followed by path_and_query.
  std::string Url(const std::string& path_and_query) const;
  std::string HttpsUrl(const std::string& path_and_query) const;
  // The requests recorded under id, oldest first.
  std::vector<RawRequest> Requests(const std::string& id) const;
};

// Holds the component library of the calling thread while it lives, as a
// user of the platform's request object must (on Windows).
class ComponentLibrary {
 public:
  ComponentLibrary();
  ComponentLibrary(const ComponentLibrary&) = delete;
  ComponentLibrary& operator=(const ComponentLibrary&) = delete;
  ~ComponentLibrary();
};

// An id no other test of this run uses.
std::string UniqueId();
// Percent-encodes every byte that is not a letter or a digit.
std::string QueryEscape(const std::string& bytes);

}  // namespace skinwall::testing
