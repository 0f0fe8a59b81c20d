// The libcurl request object: its resource owners, and what it promises
// beyond the common contract (headers before Open, refusing smuggled lines,
// shared connections without shared cookies).
#include "web/http_object_curl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/web/test_server.h"
#include "web/http_object.h"
#include "web/web_request.h"

namespace skinwall {
namespace {

using testing::RawRequest;
using testing::TestServer;
using testing::UniqueId;

int g_freed = 0;
void CountFree(int* p) {
  ++g_freed;
  delete p;
}
using CountedOwner = curl::Owner<int, &CountFree>;

TEST(CurlOwnerTest, FreesOnceAndMovingEmptiesTheSource) {
  g_freed = 0;
  {
    CountedOwner first(new int(1));
    CountedOwner second(std::move(first));
    EXPECT_FALSE(first);
    ASSERT_TRUE(second);
    EXPECT_EQ(*second.get(), 1);

    CountedOwner third(new int(3));
    third = std::move(second);
    EXPECT_EQ(g_freed, 1) << "the target's old resource is freed on move-assignment";
    EXPECT_FALSE(second);
    EXPECT_EQ(*third.get(), 1);

    third.Reset(new int(4));
    EXPECT_EQ(g_freed, 2);
    CountedOwner empty;
    EXPECT_FALSE(empty);
  }
  EXPECT_EQ(g_freed, 3) << "destruction frees what is held, and only that";
  static_assert(!std::is_copy_constructible_v<CountedOwner> && !std::is_copy_assignable_v<CountedOwner>);
}

TEST(CurlOwnerTest, TheLibcurlOwnersHoldTheirResources) {
  curl::EasyHandle easy(curl_easy_init());
  ASSERT_TRUE(easy);
  curl::EasyHandle moved_easy(std::move(easy));
  EXPECT_FALSE(easy);
  EXPECT_EQ(curl_easy_setopt(moved_easy.get(), CURLOPT_URL, "http://127.0.0.1/"), CURLE_OK);

  curl::ShareHandle share(curl_share_init());
  ASSERT_TRUE(share);
  curl::ShareHandle moved_share(std::move(share));
  EXPECT_FALSE(share);
  EXPECT_EQ(curl_share_setopt(moved_share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS), CURLSHE_OK);

  curl::HeaderList list;
  EXPECT_EQ(list.get(), nullptr);
  EXPECT_TRUE(list.Append("A: 1"));
  EXPECT_TRUE(list.Append("B: 2"));
  curl::HeaderList moved_list(std::move(list));
  EXPECT_EQ(list.get(), nullptr);
  std::vector<std::string> lines;
  for (const curl_slist* node = moved_list.get(); node != nullptr; node = node->next) lines.emplace_back(node->data);
  EXPECT_EQ(lines, (std::vector<std::string>{"A: 1", "B: 2"}));
}

class CurlHttpObjectTest : public ::testing::Test {
 protected:
  std::string Url(const std::string& query = "") {
    id_ = UniqueId();
    return server_.Url("/o?id=" + id_ + (query.empty() ? "" : "&" + query));
  }
  std::vector<RawRequest> Requests() { return server_.Requests(id_); }

  const TestServer& server_ = TestServer::Get();
  std::string id_;
};

TEST_F(CurlHttpObjectTest, AHeaderSetBeforeOpenHoldsForThatRequestOnly) {
  const HttpObjectRef object = CreateHttpObject();
  ASSERT_NE(object, nullptr);
  EXPECT_TRUE(object->SetRequestHeader(Text("X-Early"), Text("1")));
  object->Open(Text("GET"), Text(Url()), false);
  object->Send(Text());
  object->Open(Text("GET"), Text(server_.Url("/o?id=" + id_)), false);
  object->Send(Text());
  const auto requests = Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Header("X-Early"), "1");
  EXPECT_EQ(requests[1].HeaderCount("X-Early"), 0);
}

TEST_F(CurlHttpObjectTest, SmuggledLinesAreRefused) {
  const HttpObjectRef object = CreateHttpObject();
  ASSERT_NE(object, nullptr);
  object->Open(Text("GET"), Text(Url()), false);
  EXPECT_FALSE(object->SetRequestHeader(Text("X-A"), Text("1\r\nX-Smuggled: 1")));
  EXPECT_FALSE(object->SetRequestHeader(Text("X-A\r\nX-Smuggled"), Text("1")));
  EXPECT_FALSE(object->SetRequestHeader(Text("Two Words"), Text("1")));
  EXPECT_FALSE(object->SetRequestHeader(Text(), Text()));
  EXPECT_FALSE(object->Option(99, 1));
  object->Send(Text());
  EXPECT_EQ(object->Status(), 200);

  object->Open(Text("GET /o HTTP/1.1\r\nX-Smuggled: 1\r\n"), Text(server_.Url("/o?id=" + id_)), false);
  object->Send(Text());
  EXPECT_EQ(object->Status(), 0) << "a method that is not a token prepares no request";

  const auto requests = Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].HeaderCount("X-Smuggled"), 0);
  EXPECT_EQ(requests[0].HeaderCount("X-A"), 0);
}

TEST_F(CurlHttpObjectTest, ProxyCredentialsNeverGoToTheServerItself) {
  const HttpObjectRef object = CreateHttpObject();
  ASSERT_NE(object, nullptr);
  object->Open(Text("GET"), Text(Url()), false);
  EXPECT_TRUE(object->SetRequestHeader(Text("Proxy-Authorization"), Text("Basic dXNlcjpzZWNyZXQ=")));
  object->Send(Text());
  EXPECT_EQ(object->Status(), 200);
  const auto requests = Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].HeaderCount("Proxy-Authorization"), 0);
}

TEST_F(CurlHttpObjectTest, ObjectsShareConnectionsButNeverCookies) {
  WebRequestOptions first;
  WebRequest(Text(Url("cookie=session%3D1")), first);
  EXPECT_EQ(std::string(first.ReturnedCookies.view()), "session=1");
  WebRequestOptions second;
  WebRequest(Text(server_.Url("/o?id=" + id_)), second);

  const auto requests = Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].HeaderCount("Cookie"), 0) << "a new object starts without cookies";
  EXPECT_EQ(requests[0].connection, requests[1].connection) << "the second object reused the connection";

  curl::SetConnectionSharing(false);
  for (int i = 0; i < 2; ++i) {
    WebRequestOptions options;
    WebRequest(Text(server_.Url("/o?id=" + id_)), options);
  }
  curl::SetConnectionSharing(true);
  const auto unshared = Requests();
  ASSERT_EQ(unshared.size(), 4u);
  EXPECT_NE(unshared[2].connection, unshared[3].connection) << "without sharing each object connects anew";
}

}  // namespace
}  // namespace skinwall
