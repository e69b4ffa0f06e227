// URL parsing: the address part ends at the first "?" or "#" (a "?" after the
// "#" belongs to the fragment); inside it come an optional "scheme://" and
// the authority, which ends at the first "/": an optional "user[:password]@",
// the host (a name, an IPv4 address or a bracketed IPv6 address) and an
// optional ":port". The path follows. A port outside 1..65535 is refused
// (kUrlNoPort), never wrapped; "https" without a port means port 443.
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

// The last occurrence of `unit` in [from, to), or -1: a password may hold an
// "@" of its own, the host never does.
int lastIn(const String& text, Char unit, int from, int to) {
  for (int i = to - 1; i >= from; --i)
    if (text[i] == unit) return i;
  return -1;
}

int firstIn(const String& text, Char unit, int from, int to) {
  for (int i = from; i < to; ++i)
    if (text[i] == unit) return i;
  return -1;
}

}  // namespace

bool vx_url_SchemeIs(const String& scheme, const char* name) {
  int i = 0;
  for (; i < scheme.Length() && name[i]; ++i) {
    Char c = scheme[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<Char>(c - u'A' + u'a');
    if (c != static_cast<Char>(name[i])) return false;
  }
  return i == scheme.Length() && !name[i];
}

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

  int slash = firstIn(url, u'/', start, end);
  int authorityEnd = slash >= 0 ? slash : end;
  if (slash >= 0) m_path = url.Slice(slash, end);

  int at = lastIn(url, u'@', start, authorityEnd);
  if (at >= 0) {
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

  // A bracketed IPv6 address holds colons of its own: the port's colon
  // follows the closing bracket, and anything else there spoils the port.
  bool portGiven = false;
  int close = start < authorityEnd && url[start] == u'[' ? firstIn(url, u']', start, authorityEnd) : -1;
  if (close >= 0) {
    m_domain = url.Slice(start + 1, close);
    if (close + 1 < authorityEnd) {
      portGiven = true;
      m_port = url[close + 1] == u':' ? parsePort(url.Slice(close + 2, authorityEnd)) : kUrlNoPort;
    }
  } else {
    int c = firstIn(url, u':', start, authorityEnd);
    if (c >= 0) {
      m_domain = url.Slice(start, c);
      m_port = parsePort(url.Slice(c + 1, authorityEnd));
      portGiven = true;
    } else {
      m_domain = url.Slice(start, authorityEnd);
    }
  }
  if (!portGiven && vx_url_SchemeIs(m_scheme, "https")) m_port = kUrlHttpsPort;

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
