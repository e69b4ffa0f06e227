// The HTTP client over TLS against Python's ssl module serving certificates
// made at test time with openssl (tls_certificates.sh, tls_server.py), both
// started as Linux programs: on Linux, and from the Windows build under wine,
// whose Schannel then meets the same servers and the same bad certificates.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/net/fetch.h"
#include "tests/net/loopback.h"
#include "tests/net/process.h"

using namespace nettest;

namespace {

const std::string kTestDir = TARVIK_NET_TEST_DIR;
// A body that takes several TLS records (a record holds at most 16 KiB).
constexpr int kManyRecordsBytes = 100000;

// tls_server.py serving one certificate in one manner, on the IPv4 or IPv6
// loopback, from `dir`; stopped with the object.
class TlsServer {
 public:
  TlsServer(const std::filesystem::path& dir, const std::string& cert, const std::string& manner,
            const std::string& family = "4")
      : portFile_(dir / (cert + "-" + manner + "-" + family + ".port")),
        program_({"python3", kTestDir + "/tls_server.py", linuxPath(portFile_), linuxPath(dir / (cert + ".pem")),
                  linuxPath(dir / (cert + ".key")), manner, family}) {}
  // Its port file gone, the server stops.
  ~TlsServer() {
    std::error_code ignored;
    std::filesystem::remove(portFile_, ignored);
  }
  // The port, once the server listens; 0 when it never does.
  int port() {
    if (port_ == 0 && program_.started() && waitUntil([&] { return std::filesystem::exists(portFile_); }))
      std::ifstream(portFile_) >> port_;
    return port_;
  }

 private:
  std::filesystem::path portFile_;
  LinuxProgram program_;
  int port_ = 0;
};

// Runs an https GET of `url` trusting `caFile` too; returns what it printed.
std::string fetchTls(const std::string& url, const std::string& caFile, Completion** done) {
  *done = gc_new<Completion>();
  c_HttpRequest* request = gc_new<c_HttpRequest>()->m_new2(String("GET"), String(url.c_str()), *done);
  request->p_SetCaFile(String::FromUtf8(caFile.data(), static_cast<int>(caFile.size())));
  testing::internal::CaptureStdout();
  request->p_Send();
  pumpUntil([&] { return (*done)->calls > 0; });
  return testing::internal::GetCapturedStdout();
}

// A good certificate from the test CA succeeds by name (SNI and host name
// checked), by IPv4 and by IPv6 address, and carries 5 MB whole; every bad
// case fails with -1 and one line naming its reason. Nothing is ever taken
// for a success that was not one: not a plain-text server, not an answer cut
// short.
TEST(HttpsLoopback, VerifiesTheServerAndFailsEachBadCaseWithItsReason) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tarvik-tls-" + std::to_string(getpid()));
  if (linuxPath(std::filesystem::temp_directory_path()).empty())
    GTEST_SKIP() << "no Linux beneath to run the test servers";
  std::filesystem::create_directories(dir);
  LinuxProgram makeCertificates({"sh", kTestDir + "/tls_certificates.sh", linuxPath(dir)});
  ASSERT_TRUE(makeCertificates.started());
  ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(dir / "made"); })) << "the certificates were made";
  const std::string ca = (dir / "ca.pem").string();
  {
    TlsServer good(dir, "good", "ok"), good6(dir, "good", "ok", "6"), wrongHost(dir, "wronghost", "ok"),
        expired(dir, "expired", "ok"), stranger(dir, "stranger", "ok"), old(dir, "good", "tls10"),
        plain(dir, "good", "plain"), cut(dir, "good", "cut");
    auto url = [](TlsServer& server, const char* host, const char* path) {
      return std::string("https://") + host + ":" + std::to_string(server.port()) + path;
    };
    ASSERT_NE(good.port(), 0);
    Completion* done = nullptr;
    for (const char* host : {"localhost", "127.0.0.1"}) {
      EXPECT_EQ(fetchTls(url(good, host, "/"), ca, &done), "") << host;
      EXPECT_EQ(done->status, 200) << host;
      EXPECT_EQ(done->text, "hello over tls") << host;
    }
    fetchTls(url(good, "localhost", "/big"), ca, &done);
    EXPECT_EQ(done->status, 200);
    EXPECT_EQ(done->text, std::string(5 * 1024 * 1024, 'x'));
    // A body of many TLS records goes out whole.
    Completion* counted = gc_new<Completion>();
    c_HttpRequest* post =
        gc_new<c_HttpRequest>()->m_new2(String("POST"), String(url(good, "localhost", "/count").c_str()), counted);
    post->p_SetCaFile(String::FromUtf8(ca.data(), static_cast<int>(ca.size())));
    post->p_Send2(String(std::string(kManyRecordsBytes, 'z').c_str()), String("text/plain"), String("utf8"));
    pumpUntil([&] { return counted->calls > 0; });
    EXPECT_EQ(counted->status, 200);
    EXPECT_EQ(counted->text, std::to_string(kManyRecordsBytes));
    if (good6.port() != 0) {
      fetchTls(url(good6, "[::1]", "/"), ca, &done);
      EXPECT_EQ(done->text, "hello over tls");
    }

    struct Bad {
      std::string url;
      std::string caFile;
      std::string reason;  // a part of the printed reason
    };
    const Bad bads[] = {
        {url(good, "localhost", "/"), "", "unable to get local issuer certificate"},
        {url(stranger, "localhost", "/"), ca, "unable to get local issuer certificate"},
        {url(wrongHost, "localhost", "/"), ca, "hostname mismatch"},
        {url(wrongHost, "127.0.0.1", "/"), ca, "address mismatch"},
        {url(expired, "localhost", "/"), ca, "certificate has expired"},
        {url(old, "localhost", "/"), ca, "protocol"},
        {url(plain, "localhost", "/"), ca, ""},
        {url(cut, "localhost", "/"), ca, ""},
        {url(good, "localhost", "/"), (dir / "absent.pem").string(), "could not be read"},
    };
    for (const Bad& bad : bads) {
      std::string out = fetchTls(bad.url, bad.caFile, &done);
      EXPECT_EQ(done->calls, 1) << bad.url;
      EXPECT_EQ(done->status, -1) << bad.url;
      EXPECT_EQ(done->text, "") << bad.url;
      EXPECT_EQ(out.rfind("HTTPS request failed: ", 0), 0u) << bad.url << ": " << out;
      EXPECT_NE(out.find(bad.reason), std::string::npos) << bad.url << ": " << out;
      EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
      std::printf("%s -> %s", bad.url.c_str(), out.c_str());
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
