// URL parsing: the address part ends at the first "?" or "#" (a "?" after the
// "#" belongs to the fragment); inside it come an optional "scheme://", an
// optional "user[:password]@", the domain, an optional ":port" and the path.
#include "net/url.h"

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
      m_port = url.Slice(c + 1, s).ParseInt();
    } else {
      m_domain = url.Slice(start, s);
    }
    m_path = url.Slice(s, end);
  } else if (c >= 0) {
    m_domain = url.Slice(start, c);
    m_port = url.Slice(c + 1, end).ParseInt();
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
