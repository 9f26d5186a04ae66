#pragma once
// Which URLs the downloader may fetch. The scheme is judged first, before a
// URL is parsed, completed or used, so that a "file:" or "ftp:" address is
// never turned into something else, and a secure transfer never continues
// over plain HTTP.
#include <string_view>

namespace brindle {

enum class UrlScheme {
  kNone,  // no scheme given ("host/path", "host:8080/path")
  kHttp,
  kHttps,
  kOther,  // any other scheme ("file:", "ftp:", "gopher:", ...)
};

// The scheme a URL text names, letter case ignored. A name followed by a
// colon and a port number ("host:8080/x") is a host, not a scheme.
UrlScheme SchemeOf(std::string_view url);

// Whether a transfer at from may continue at to (a redirect): only to an
// http or https URL, and from https only to https.
bool RedirectAllowed(std::string_view from, std::string_view to);

}  // namespace brindle
