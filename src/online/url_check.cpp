#include "online/url_check.h"

namespace brindle {

namespace {

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

}  // namespace

UrlScheme SchemeOf(std::string_view url) {
  // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":"
  if (url.empty() || !IsAlpha(url[0])) return UrlScheme::kNone;
  size_t i = 1;
  while (i < url.size() &&
         (IsAlpha(url[i]) || IsDigit(url[i]) || url[i] == '+' || url[i] == '-' || url[i] == '.'))
    ++i;
  if (i >= url.size() || url[i] != ':') return UrlScheme::kNone;
  const std::string_view scheme = url.substr(0, i);
  // "host:port" followed by the end, a path, a query or a fragment.
  size_t j = i + 1;
  while (j < url.size() && IsDigit(url[j])) ++j;
  if (j > i + 1 && (j == url.size() || url[j] == '/' || url[j] == '?' || url[j] == '#'))
    return UrlScheme::kNone;
  if (EqualsIgnoringCase(scheme, "http")) return UrlScheme::kHttp;
  if (EqualsIgnoringCase(scheme, "https")) return UrlScheme::kHttps;
  return UrlScheme::kOther;
}

bool RedirectAllowed(std::string_view from, std::string_view to) {
  const UrlScheme next = SchemeOf(to);
  if (next == UrlScheme::kHttps) return true;
  return next == UrlScheme::kHttp && SchemeOf(from) != UrlScheme::kHttps;
}

}  // namespace brindle
