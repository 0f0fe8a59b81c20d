// The request object of the platform, driven directly: the parts of its
// contract that WebRequest alone does not show.
#include "web/http_object.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"
#include "tests/web/test_server.h"

namespace skinwall {
namespace {

using testing::ComponentLibrary;
using testing::QueryEscape;
using testing::RunningUnderWine;
using testing::TestServer;

class HttpObjectTest : public ::testing::Test {
 protected:

  void Get(const std::string& url) {
    object_->Open(Text("GET"), Text(url), false);
    object_->Send(Text());
  }

  ComponentLibrary component_library_;
  const TestServer& server_ = TestServer::Get();
  HttpObjectRef object_ = CreateHttpObject();
};

TEST_F(HttpObjectTest, HeadersComeAsLinesOfTheFinalResponseOnly) {
  ASSERT_NE(object_, nullptr);
  const std::string target = server_.Url("/final?cookie=b%3D2&cookie=c%3D3&header=X-Final%3A%201");
  Get(server_.Url("/first?cookie=a%3D1&location=" + QueryEscape(target)));
  EXPECT_EQ(object_->Status(), 200);
  const std::string headers(object_->GetallResponseHeaders().view());
  EXPECT_NE(headers.find("Set-Cookie: b=2\r\n"), std::string::npos) << headers;
  EXPECT_NE(headers.find("Set-Cookie: c=3\r\n"), std::string::npos) << headers;
  EXPECT_NE(headers.find("X-Final: 1\r\n"), std::string::npos) << headers;
  EXPECT_EQ(headers.find("a=1"), std::string::npos) << "the redirect's own headers are gone: " << headers;
  EXPECT_EQ(headers.find("HTTP/"), std::string::npos) << headers;
}

TEST_F(HttpObjectTest, CertificateFaultsStopTheRequestUnlessAllAreIgnored) {
  if (RunningUnderWine()) GTEST_SKIP() << "Wine's request object does not implement Option 4";
  ASSERT_NE(object_, nullptr);
  // The server's certificate has all four faults: unknown authority, a usage
  // for clients only, another host name, and a date long past.
  struct Row {
    const char* name;
    std::optional<int32_t> flags;
    int status;
  };
  const Row rows[] = {
      {"nothing ignored", std::nullopt, 0},
      {"only the host name ignored", kIgnoreCertCnInvalid, 0},
      {"all but the host name ignored", kIgnoreUnknownCa | kIgnoreWrongUsage | kIgnoreCertDateInvalid, 0},
      {"all four ignored", kIgnoreAllCertErrors, 200},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    object_ = CreateHttpObject();
    object_->Open(Text("GET"), Text(server_.HttpsUrl("/tls?body=sealed")), false);
    if (row.flags) {
      EXPECT_TRUE(object_->Option(kOptionSslErrorIgnoreFlags, *row.flags));
    }
    object_->Send(Text());
    EXPECT_EQ(object_->Status(), row.status);
    EXPECT_EQ(std::string(object_->ResponseBody().view()), row.status == 200 ? "sealed" : "");
  }
}

}  // namespace
}  // namespace skinwall
