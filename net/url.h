// `c_Url`: a URL split into scheme, user info, domain, port, path, query and
// fragment, with defaults for a missing scheme and port. The domain of a
// bracketed IPv6 address ("[::1]") is the address without its brackets. Pure
// text work on runtime/ strings; any input gives a defined result.
#pragma once

#include "runtime/gc.h"
#include "runtime/string.h"

// The port of a URL whose ":port" is not a number from 1 to kSocketPortMax:
// a request to it fails instead of reaching the port the number wrapped to.
constexpr int kUrlNoPort = 0;
// The port of an "https" URL that names none.
constexpr int kUrlHttpsPort = 443;

// True when `scheme` is `name` (lower case) in any case: "HTTPS" is "https".
bool vx_url_SchemeIs(const String& scheme, const char* name);

class c_Url : public Object {
 public:
  String m_defaultScheme;
  int m_defaultPort = 0;
  String m_url;
  String m_scheme;
  String m_username;
  String m_password;
  String m_domain;
  int m_port = 0;
  String m_path;
  String m_query;
  String m_fragment;

  c_Url* m_new(const String& url, const String& defaultScheme, int defaultPort);
  void p_Set2(const String& url);
  String p_Domain() { return m_domain; }
  // The port named after the domain, else the default (kUrlHttpsPort for
  // "https"); kUrlNoPort when the named one is out of range or not a plain
  // decimal number.
  int p_Port() { return m_port; }
  // The path with "?query" and "#fragment" appended when they are non-empty.
  String p_FullPath();
};
