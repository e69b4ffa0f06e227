// Output and the stop protocol, run in child processes with scripted
// standard input: exit codes, repeated reports, the echo of unknown
// commands, and `@` answering only for live objects.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "runtime/errors.h"

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

std::string slurp(int fd) {
  std::string s;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, n);
  return s;
}

// Runs `body` in a child with `input` on its standard input.
Outcome runChild(const std::string& input, const std::function<void()>& body) {
  char inPath[] = "/tmp/tarvik-stdin-XXXXXX";
  int inFd = mkstemp(inPath);
  write(inFd, input.data(), input.size());
  lseek(inFd, 0, SEEK_SET);
  int outPipe[2], errPipe[2];
  pipe(outPipe);
  pipe(errPipe);
  fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(inFd, 0);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    body();
    _exit(42);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  Outcome o;
  o.out = slurp(outPipe[0]);
  o.err = slurp(errPipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
  close(inFd);
  unlink(inPath);
  return o;
}

constexpr int kExitMinusOne = 255;

TEST(Output, PrintWritesUtf8Lines) {
  Outcome o = runChild("", [] { vxPrint(String::FromChar(0xE9)); std::exit(0); });
  EXPECT_EQ(o.out, "\xC3\xA9\n");
}

// A person who started the program from a terminal is not a tool speaking
// the protocol: the error is printed and the process ends at once.
TEST(StopProtocol, WithATerminalOnStandardInputAnErrorEndsAtOnceWithMinusOne) {
  constexpr unsigned kDeadlineSeconds = 30;
  Outcome o = runChild("", [] {
    int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0) _exit(43);
    int side = open(ptsname(terminal), O_RDWR | O_NOCTTY);
    if (side < 0) _exit(44);
    dup2(side, STDIN_FILENO);
    alarm(kDeadlineSeconds);
    vxError(String("boom"));
  });
  EXPECT_EQ(o.status, kExitMinusOne);
  EXPECT_NE(o.out.find("Tarvik Runtime Error : boom"), std::string::npos) << o.out;
  EXPECT_EQ(o.err.find("{{~~"), std::string::npos) << o.err;
}

// A program that has used every file descriptor (a socket it opens fails)
// still ends cleanly: what runs during the exit (static destructors, exit
// handlers, a sanitizer's own checks) finds descriptors to work with.
TEST(StopProtocol, AnErrorWithEveryDescriptorInUseEndsCleanly) {
  constexpr rlim_t kFewDescriptors = 32;
  Outcome o = runChild("", [] {
    rlimit few{kFewDescriptors, kFewDescriptors};
    if (setrlimit(RLIMIT_NOFILE, &few) != 0) _exit(43);
    while (open("/dev/null", O_RDONLY) >= 0) {
    }
    vxError(String("Socket open failed"));
  });
  EXPECT_EQ(o.status, kExitMinusOne) << o.err;
  EXPECT_EQ(o.out, "Tarvik Runtime Error : Socket open failed\n\n");
  EXPECT_EQ(o.err, "{{~~~~}}\n\n") << "nothing but the stop banner on standard error";
}

TEST(StopProtocol, EmptyErrorIsAnOrderlyQuit) {
  Outcome o = runChild("", [] { vxError(String()); });
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "");
}

TEST(StopProtocol, ErrorAtEndOfInputReportsAndExitsMinusOne) {
  Outcome o = runChild("", [] { vxError(String("Bad thing: f\xC3\xBCr \xF0\x9F\x98\x80")); });
  EXPECT_EQ(o.status, kExitMinusOne);
  EXPECT_EQ(o.out, "Tarvik Runtime Error : Bad thing: f\xC3\xBCr \xF0\x9F\x98\x80\n\n") << "non-ASCII text as it was given";
  EXPECT_EQ(o.err, "{{~~~~}}\n\n");
}

TEST(StopProtocol, RunRepeatsTheReportAndQuitEndsWithZero) {
  Outcome o = runChild("?\nr\nq\n", [] { vxError(String("Again")); });
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "Tarvik Runtime Error : Again\n\nTarvik Runtime Error : Again\n\n");
}

TEST(StopProtocol, UnknownCommandIsEchoedAndEndsWithMinusOne) {
  Outcome o = runChild("x\n", [] { vxError(String("E")); });
  EXPECT_EQ(o.status, kExitMinusOne);
  EXPECT_NE(o.out.find("????? x ?????"), std::string::npos);
}

TEST(StopProtocol, LineWithoutLineFeedEndsWithMinusOne) {
  Outcome o = runChild("q", [] { vxError(String("E")); });
  EXPECT_EQ(o.status, kExitMinusOne);
}

TEST(StopProtocol, AtAnswersOnlyForLiveObjects) {
  gc_init();
  Object* live = gc_new<Object>();
  char cmd[128];
  std::snprintf(cmd, sizeof cmd, "@%p\n@0x10\n@%p\nq\n", static_cast<void*>(live),
                static_cast<void*>(cmd));
  Outcome o = runChild(cmd, [] { vxError(String("E")); });
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "{{~~~~}}\n\n+Object\n");
}

TEST(Signals, FatalSignalsReportTheirName) {
  Outcome o = runChild("", [] {
    vxInstallSignalHandlers();
    raise(SIGFPE);
  });
  EXPECT_EQ(o.status, kExitMinusOne);
  EXPECT_EQ(o.out, "Tarvik Runtime Error : Floating point exception\n\n");
}

}  // namespace
