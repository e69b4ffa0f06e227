// URL parsing: the address part ends at the first "?" or "#" (a "?" after the
// "#" belongs to the fragment); inside it come an optional "scheme://", an
// optional "user[:password]@", the domain, an optional ":port" and the path.
// A port outside 1..65535 is refused (kUrlNoPort), never wrapped.
#include "net/url.h"

#include "net/socket.h"

namespace {

constexpr int kDecimalBase = 10;

// The port as written after the colon: decimal digits only, 1..kSocketPortMax;
// anything else is kUrlNoPort, so no wrapped or signed number reaches a socket.
int parsePort(const String& text) {
  if (text.Length() == 0) return kUrlNoPort;
  int port = 0;
  for (int i = 0; i < text.Length(); ++i) {
    Char c = text[i];
    if (c < u'0' || c > u'9') return kUrlNoPort;
    port = port * kDecimalBase + (c - u'0');
    if (port > kSocketPortMax) return kUrlNoPort;
  }
  return port == 0 ? kUrlNoPort : port;
}

}  // namespace

c_Url* c_Url::m_new(const String& url, const String& defaultScheme, int defaultPort) {
  m_defaultScheme = defaultScheme;
  m_defaultPort = defaultPort;
  p_Set2(url);
  return this;
}

void c_Url::p_Set2(const String& url) {
  m_url = url;
  m_scheme = m_defaultScheme;
  m_username = String();
  m_password = String();
  m_domain = String();
  m_port = m_defaultPort;
  m_path = String("/");
  m_query = String();
  m_fragment = String();

  int q = url.Find(String("?"));
  int h = url.Find(String("#"));
  if (q >= 0 && h >= 0 && q > h) q = -1;
  int end = url.Length();
  if (q >= 0) end = q;
  else if (h >= 0) end = h;

  int start = 0;
  int schemeEnd = url.Find(String("://"));
  if (schemeEnd >= 0 && schemeEnd < end) {
    m_scheme = url.Slice(0, schemeEnd);
    start = schemeEnd + 3;
  }

  int at = url.Find(String("@"), start);
  if (at >= 0 && at < end) {
    String user = url.Slice(start, at);
    int colon = user.Find(String(":"));
    if (colon >= 0) {
      m_username = user.Slice(0, colon);
      m_password = user.Slice(colon + 1);
    } else {
      m_username = user;
    }
    start = at + 1;
  }

  int c = url.Find(String(":"), start);
  if (c >= end) c = -1;
  int s = url.Find(String("/"), start);
  if (s >= end) s = -1;
  if (s >= 0) {
    if (c >= 0 && c < s) {
      m_domain = url.Slice(start, c);
      m_port = parsePort(url.Slice(c + 1, s));
    } else {
      m_domain = url.Slice(start, s);
    }
    m_path = url.Slice(s, end);
  } else if (c >= 0) {
    m_domain = url.Slice(start, c);
    m_port = parsePort(url.Slice(c + 1, end));
  } else {
    m_domain = url.Slice(start, end);
  }

  if (q >= 0 && h >= 0) {
    m_query = url.Slice(q + 1, h);
    m_fragment = url.Slice(h + 1);
  } else if (q >= 0) {
    m_query = url.Slice(q + 1);
  } else if (h >= 0) {
    m_fragment = url.Slice(h + 1);
  }
}

String c_Url::p_FullPath() {
  String full = m_path;
  if (m_query.Length() > 0) full = full + String("?") + m_query;
  if (m_fragment.Length() > 0) full = full + String("#") + m_fragment;
  return full;
}
