// URL parsing: every part of the address, the defaults, the "#...?" and
// user-info cases, and the full path the HTTP request line is built from.
#include <gtest/gtest.h>

#include "net/url.h"

namespace {

std::string narrow(const String& s) { return s.ToUtf8(); }

c_Url* parse(const char* text) { return gc_new<c_Url>()->m_new(String(text), String("http"), 80); }

TEST(Url, SplitsEveryPartOfAFullUrl) {
  c_Url* u = parse("http://server:8080/a/b?x=1#top");
  EXPECT_EQ(narrow(u->m_scheme), "http");
  EXPECT_EQ(narrow(u->m_domain), "server");
  EXPECT_EQ(u->m_port, 8080);
  EXPECT_EQ(narrow(u->m_path), "/a/b");
  EXPECT_EQ(narrow(u->m_query), "x=1");
  EXPECT_EQ(narrow(u->m_fragment), "top");
  EXPECT_EQ(narrow(u->p_FullPath()), "/a/b?x=1#top");
}

TEST(Url, ABareHostTakesTheDefaultsAndTheRootPath) {
  c_Url* u = gc_new<c_Url>()->m_new(String("server"), String("gopher"), 70);
  EXPECT_EQ(narrow(u->m_scheme), "gopher");
  EXPECT_EQ(narrow(u->p_Domain()), "server");
  EXPECT_EQ(u->p_Port(), 70);
  EXPECT_EQ(narrow(u->m_path), "/");
  EXPECT_EQ(narrow(u->p_FullPath()), "/");
}

TEST(Url, AQuestionMarkAfterTheHashBelongsToTheFragment) {
  c_Url* u = parse("host/p#frag?notquery");
  EXPECT_EQ(narrow(u->m_domain), "host");
  EXPECT_EQ(narrow(u->m_path), "/p");
  EXPECT_EQ(narrow(u->m_query), "");
  EXPECT_EQ(narrow(u->m_fragment), "frag?notquery");
  EXPECT_EQ(narrow(u->p_FullPath()), "/p#frag?notquery");
}

TEST(Url, UserInfoSplitsAtItsColonAndIsCutFromTheDomain) {
  c_Url* u = parse("bob:s3cret@host:81");
  EXPECT_EQ(narrow(u->m_username), "bob");
  EXPECT_EQ(narrow(u->m_password), "s3cret");
  EXPECT_EQ(narrow(u->m_domain), "host");
  EXPECT_EQ(u->m_port, 81);
  EXPECT_EQ(narrow(u->m_path), "/");

  u->p_Set2(String("ftp://bob@host/x"));
  EXPECT_EQ(narrow(u->m_scheme), "ftp");
  EXPECT_EQ(narrow(u->m_username), "bob");
  EXPECT_EQ(narrow(u->m_password), "");
  EXPECT_EQ(narrow(u->m_domain), "host");
  EXPECT_EQ(u->m_port, 80);
}

TEST(Url, SeparatorsAfterTheAddressPartDoNotSplitIt) {
  c_Url* u = parse("host?next=http://other:9/x@y");
  EXPECT_EQ(narrow(u->m_scheme), "http");
  EXPECT_EQ(narrow(u->m_domain), "host");
  EXPECT_EQ(u->m_port, 80);
  EXPECT_EQ(narrow(u->m_username), "");
  EXPECT_EQ(narrow(u->m_path), "/");
  EXPECT_EQ(narrow(u->m_query), "next=http://other:9/x@y");
}

// RFC 3986: the authority ends at the first "/", "?" or "#"; an "@" after it
// names no host. Brackets hold an IPv6 address and its colons; https without
// a port means 443.
TEST(Url, TheAuthorityEndsAtItsFirstSlashAndMayHoldABracketedIpv6Address) {
  c_Url* u = parse("http://127.0.0.1:18100/profile/@127.0.0.2:18121/x");
  EXPECT_EQ(narrow(u->m_domain), "127.0.0.1");
  EXPECT_EQ(u->m_port, 18100);
  EXPECT_EQ(narrow(u->m_username), "");
  EXPECT_EQ(narrow(u->m_path), "/profile/@127.0.0.2:18121/x");

  u->p_Set2(String("http://a@b@host/"));
  EXPECT_EQ(narrow(u->m_username), "a@b");
  EXPECT_EQ(narrow(u->m_domain), "host");

  u->p_Set2(String("http://[::1]:8080/x?y"));
  EXPECT_EQ(narrow(u->m_domain), "::1");
  EXPECT_EQ(u->m_port, 8080);
  EXPECT_EQ(narrow(u->m_path), "/x");
  u->p_Set2(String("http://[fe80::1:2]/"));
  EXPECT_EQ(narrow(u->m_domain), "fe80::1:2");
  EXPECT_EQ(u->m_port, 80);
  u->p_Set2(String("http://[::1]x/"));
  EXPECT_EQ(u->m_port, kUrlNoPort);

  EXPECT_EQ(parse("https://host/")->m_port, kUrlHttpsPort);
  EXPECT_EQ(parse("HTTPS://host")->m_port, kUrlHttpsPort);
  EXPECT_EQ(parse("https://host:8443/")->m_port, 8443);
  EXPECT_EQ(parse("https://[::1]/")->m_port, kUrlHttpsPort);
}

TEST(Url, AColonInThePathIsNotAPort) {
  c_Url* u = parse("http://host/a:b?q");
  EXPECT_EQ(narrow(u->m_domain), "host");
  EXPECT_EQ(u->m_port, 80);
  EXPECT_EQ(narrow(u->m_path), "/a:b");
  EXPECT_EQ(narrow(u->p_FullPath()), "/a:b?q");
}

TEST(Url, APortOutsideOneTo65535OrNotAPlainNumberIsRefused) {
  EXPECT_EQ(parse("http://host:65535/")->m_port, 65535);
  EXPECT_EQ(parse("http://host:1")->m_port, 1);
  EXPECT_EQ(parse("http://host:00080/")->m_port, 80);
  for (const char* url : {"http://host:102653/", "http://host:65536", "http://host:0/", "http://host:-1/",
                          "http://host:99999999999999/", "http://host:80x/", "http://host:+80/", "http://host:/"})
    EXPECT_EQ(parse(url)->m_port, kUrlNoPort) << url;
}

TEST(Url, ResettingForgetsThePreviousUrl) {
  c_Url* u = parse("http://a:b@one:99/p?q#f");
  u->p_Set2(String(""));
  EXPECT_EQ(narrow(u->m_url), "");
  EXPECT_EQ(narrow(u->m_username), "");
  EXPECT_EQ(narrow(u->m_password), "");
  EXPECT_EQ(narrow(u->m_domain), "");
  EXPECT_EQ(u->m_port, 80);
  EXPECT_EQ(narrow(u->p_FullPath()), "/");
}

}  // namespace
