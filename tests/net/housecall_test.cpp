// The game's housecall switched on against loopback servers: the request on
// the wire, the printed lines, and what the reply (or its absence) leaves in
// the game's fields and module flags.
#include <gtest/gtest.h>

#include <string>

#include "game/app.h"
#include "tests/net/loopback.h"

using namespace nettest;

namespace {

const char kQuery[] = "hello=1&gameID=450";

class Housecall : public testing::Test {
 protected:
  void SetUp() override {
    vx_Velmar_Quen_On_Allow = 1;
    vx_Velmar_Quen_On_Able = 0;
    app = gc_new<c_MyApp>();
  }
  void TearDown() override {
    vx_Velmar_Quen_On_Allow = 0;
    vx_Velmar_Quen_On_Able = 0;
  }
  // Calls the housecall on `url` and pumps until it has completed; returns stdout.
  std::string call(const std::string& url) {
    testing::internal::CaptureStdout();
    app->p_GetURL(String(url.c_str()), String(kQuery));
    EXPECT_EQ(app->m_httpDone, 0);
    EXPECT_EQ(app->m_httpResult.ToUtf8(), "N/A");
    pumpUntil([&] { return app->m_httpDone == 1; });
    return testing::internal::GetCapturedStdout();
  }

  c_MyApp* app = nullptr;
};

TEST_F(Housecall, AnnouncesTheGameAndKeepsANonEmptyReply) {
  LoopbackServer server({.pieces = {"HTTP/1.0 200 OK\r\n\r\nwelcome"}});
  std::string out = call("http://127.0.0.1:" + std::to_string(server.port()) + "/housecall.php");
  EXPECT_EQ(server.request(), "GET /housecall.php?hello=1&gameID=450 HTTP/1.0\r\nHost: 127.0.0.1:" +
                                  std::to_string(server.port()) + "\r\n\r\n");
  EXPECT_EQ(out, "Requesting URL\nHttp GET complete! 200\n");
  EXPECT_EQ(app->m_httpDone, 1);
  EXPECT_EQ(app->m_httpResult.ToUtf8(), "welcome");
  EXPECT_EQ(vx_Velmar_Quen_On_Able, 1);
}

TEST_F(Housecall, AnEmptyReplyLeavesTheFlagClear) {
  LoopbackServer server({.pieces = {"HTTP/1.0 204 No Content\r\n\r\n"}});
  std::string out = call("http://127.0.0.1:" + std::to_string(server.port()) + "/housecall.php");
  EXPECT_EQ(out, "Requesting URL\nHttp GET complete! 204\n");
  EXPECT_EQ(app->m_httpResult.ToUtf8(), "");
  EXPECT_EQ(vx_Velmar_Quen_On_Able, 0);
}

TEST_F(Housecall, AnUnreachableEndpointCompletesWithMinusOne) {
  std::string out = call("http://127.0.0.1:" + std::to_string(closedLoopbackPort()) + "/housecall.php");
  EXPECT_EQ(out, "Requesting URL\nHttp GET complete! -1\n");
  EXPECT_EQ(app->m_httpDone, 1);
  EXPECT_EQ(app->m_httpResult.ToUtf8(), "");
  EXPECT_EQ(vx_Velmar_Quen_On_Able, 0);
}

TEST_F(Housecall, IgnoresCompletionsOfOtherRequests) {
  c_HttpRequest* stranger = gc_new<c_HttpRequest>()->m_new2(String("GET"), String("http://x/"), app);
  testing::internal::CaptureStdout();
  app->p_OnHttpRequestComplete(stranger);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(app->m_httpDone, 0);
  EXPECT_EQ(vx_Velmar_Quen_On_Able, 0);
}

TEST(HousecallSettings, TheGameModuleStartsWithTheHousecallOff) {
  vx_Velmar_Quen_On_Allow = 1;
  vx_Velmar_Quen_On_Able = 1;
  vxInitGameModule();
  EXPECT_EQ(vx_Velmar_Quen_On_Allow, 0);
  EXPECT_EQ(vx_Velmar_Quen_On_Able, 0);
  EXPECT_EQ(vx_Velmar_GameNum, 450);
}

}  // namespace
