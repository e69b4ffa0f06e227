// The text rules of an HTTP request and answer that every platform's client
// shares: the request target made safe for the wire (controls refused,
// everything outside printable ASCII percent-encoded as UTF-8), header text
// checked before anything is sent, user information as Basic authorization,
// and an answer's body decoded as UTF-8, characters beyond 16 bits included.
#pragma once

#include <string>

#include "net/url.h"
#include "runtime/string.h"

// The path and query of `url` as they go after the method: no fragment, one
// leading slash. False (with `refusal` naming why) when the URL holds a
// control character or half of a surrogate pair.
bool vx_http_RequestTarget(c_Url* url, String* target, String* refusal);
// The host as a Host line and a URL name it: a bracketed IPv6 address keeps
// its brackets. False (with `refusal`) for a host with characters a host
// name never has, which would otherwise reach the header.
bool vx_http_HostText(c_Url* url, String* host, String* refusal);
// True when `line` may stand in a request header: printable ASCII and tabs.
bool vx_http_IsHeaderText(const String& line);
// True when `method` is an HTTP token (letters, digits and !#$%&'*+-.^_`|~).
bool vx_http_IsToken(const String& method);
// The Authorization line for `user` and `password` as written in a URL
// (percent-escapes decoded, then UTF-8).
String vx_http_BasicAuthorization(const String& user, const String& password);
// `length` bytes decoded as UTF-8: four-byte sequences become surrogate
// pairs; each byte of a malformed sequence becomes U+FFFD, so one bad byte
// costs one character and never the rest of the text.
String vx_http_DecodeBody(const unsigned char* bytes, int length);
