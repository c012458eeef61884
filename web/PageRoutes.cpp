#include "PageRoutes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>

namespace vexweb {

namespace {

constexpr std::string_view TokenMark = "{{TOKEN}}";
constexpr std::string_view TokenParameter = "token=";

struct Route {
  std::string_view Path;
  Resource What;
  http::verb Method;
};

constexpr Route ApiRoutes[] = {
    {"/api/view", Resource::View, http::verb::get},        {"/api/script", Resource::Script, http::verb::get},
    {"/api/events", Resource::Events, http::verb::get},    {"/api/act", Resource::Act, http::verb::post},
    {"/api/session", Resource::Session, http::verb::post},
};

std::string NewToken() {
  std::random_device device;
  std::string token;
  for (int i = 0; i < 4; ++i) {
    char part[9];
    std::snprintf(part, sizeof part, "%08x", device());
    token += part;
  }
  return token;
}

// Compares in time that does not depend on where the texts differ.
bool SameSecret(std::string_view given, std::string_view secret) {
  if (given.size() != secret.size()) return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < secret.size(); ++i) difference |= static_cast<unsigned char>(given[i] ^ secret[i]);
  return difference == 0;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  return lower;
}

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Whether a Content-Type names JSON, with or without parameters.
bool IsJson(std::string_view contentType) {
  return Lower(Trimmed(contentType.substr(0, contentType.find(';')))) == "application/json";
}

std::string_view PathOf(std::string_view target) { return target.substr(0, target.find('?')); }

// The value of `token=` in the query, for the one resource that a browser asks for without
// headers of the page's own (an EventSource).
std::string_view QueryToken(std::string_view target) {
  const auto mark = target.find('?');
  if (mark == std::string_view::npos) return {};
  std::string_view query = target.substr(mark + 1);
  while (!query.empty()) {
    const std::string_view pair = query.substr(0, query.find('&'));
    if (pair.substr(0, TokenParameter.size()) == TokenParameter) return pair.substr(TokenParameter.size());
    query.remove_prefix(std::min(query.size(), pair.size() + 1));
  }
  return {};
}

Answer NotAllowed(std::string_view allowed) {
  Answer answer = ErrorAnswer(405, "this is asked for with " + std::string(allowed));
  answer.set(http::field::allow, allowed);
  return answer;
}

// A body the server could take for another request's start, or not find the end of.
bool AmbiguousFraming(const Request& header) {
  if (header.find(http::field::transfer_encoding) == header.end()) return false;
  return !header.chunked() || header.find(http::field::content_length) != header.end();
}

}  // namespace

bool IsLoopback(const std::string& address) {
  return address == "localhost" || address == "::1" || address.rfind("127.", 0) == 0;
}

PageRoutes::PageRoutes() : _Token(NewToken()) {}

std::string PageRoutes::Index() const {
  std::string page(PageFiles().front().Bytes);
  const std::size_t mark = page.find(TokenMark);
  if (mark != std::string::npos) page.replace(mark, TokenMark.size(), _Token);
  return page;
}

bool PageRoutes::HostAllowed(std::string_view host) const {
  return std::find(_Hosts.begin(), _Hosts.end(), Lower(host)) != _Hosts.end();
}

bool PageRoutes::OriginAllowed(std::string_view origin) const {
  constexpr std::string_view prefix = "http://";
  return origin.substr(0, prefix.size()) == prefix && HostAllowed(origin.substr(prefix.size()));
}

bool PageRoutes::TokenGiven(const Request& header, Resource what) const {
  const auto given = header.find(TokenHeader);
  if (given != header.end()) return SameSecret(given->value(), _Token);
  return what == Resource::Events && SameSecret(QueryToken(header.target()), _Token);
}

std::variant<Routed, Answer> PageRoutes::Check(const Request& header) const {
  const auto hosts = header.equal_range(http::field::host);
  if (std::distance(hosts.first, hosts.second) != 1) {
    return ErrorAnswer(400, "a request names the server in exactly one Host header");
  }
  if (!HostAllowed(hosts.first->value())) {
    return ErrorAnswer(403, "the Host header must name this server's address (" + _Hosts.front() + ")");
  }
  const std::string_view target = header.target();
  if (target.empty() || target.front() != '/') return ErrorAnswer(400, "the request target must be a path");
  if (AmbiguousFraming(header)) {
    return ErrorAnswer(400, "a body is sent with Content-Length or chunked, and with nothing else");
  }
  const std::string_view path = PathOf(target);
  if (path.substr(0, 5) != "/api/") {
    for (const PageFile& file : PageFiles()) {
      if (file.Path != path) continue;
      if (header.method() != http::verb::get && header.method() != http::verb::head) return NotAllowed("GET, HEAD");
      return Routed{Resource::PageFile, &file};
    }
    return ErrorAnswer(404, "there is no such page here");
  }
  const auto route =
      std::find_if(std::begin(ApiRoutes), std::end(ApiRoutes), [&](const Route& r) { return r.Path == path; });
  const Resource what = route == std::end(ApiRoutes) ? Resource::View : route->What;
  if (!TokenGiven(header, what)) return ErrorAnswer(403, "the request does not carry this page's session token");
  if (const auto origin = header.find(http::field::origin); origin != header.end() && !OriginAllowed(origin->value())) {
    return ErrorAnswer(403, "the request comes from another site's page");
  }
  if (route == std::end(ApiRoutes)) return ErrorAnswer(404, "there is no such page here");
  if (header.method() != route->Method) return NotAllowed(route->Method == http::verb::post ? "POST" : "GET");
  if (route->Method == http::verb::post && !IsJson(header[http::field::content_type])) {
    return ErrorAnswer(415, "an action is sent as application/json");
  }
  return Routed{route->What, nullptr};
}

}  // namespace vexweb
