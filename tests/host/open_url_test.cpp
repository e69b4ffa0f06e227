// Opening a URL: the desktop opener receives the URL as its one argument,
// with shell metacharacters passed through untouched and never run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "host/game.h"

namespace {

TEST(OpenUrlTest, OpenerGetsTheUrlAsOneArgumentAndNoShellRunsIt) {
  char dir[] = "/tmp/open_url_testXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string folder = dir;
  std::string record = folder + "/args";
  {
    std::ofstream opener(folder + "/xdg-open");
    opener << "#!/bin/sh\nprintf '%s\\n%s' \"$#\" \"$1\" > \"" << record << ".tmp\"\nmv \"" << record
           << ".tmp\" \"" << record << "\"\n";
  }
  chmod((folder + "/xdg-open").c_str(), 0755);
  std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (folder + ":" + oldPath).c_str(), 1);

  std::string url = "http://example.test/a b?x=1&y=$(touch " + folder + "/ran);z`touch " + folder + "/ran2`";
  VXGlfwGame host;
  host.OpenUrl(String(url.c_str()));
  setenv("PATH", oldPath.c_str(), 1);

  std::string text;
  for (int i = 0; i < 200 && text.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(record);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  EXPECT_EQ(text, "1\n" + url);
  EXPECT_NE(access((folder + "/ran").c_str(), F_OK), 0);
  EXPECT_NE(access((folder + "/ran2").c_str(), F_OK), 0);
  std::system(("rm -rf " + folder).c_str());
}

}  // namespace
