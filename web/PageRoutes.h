// What a request to the page server may ask for, judged from its header alone, so that a refused
// request's body is never read and the session never sees it. The Host header must name the
// address served on (so that a page of another site cannot reach this one through DNS
// rebinding); the interface (/api/...) asks for the page's session token and turns away another
// site's page; actions are JSON sent by POST; every other method is answered 405 with what is
// allowed. Nothing on the disk is served.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "HttpAnswers.h"
#include "PageFiles.h"

namespace vexweb {

enum class Resource {
  PageFile,  // the page and its script and style (GET, HEAD)
  View,      // GET /api/view: what the page shows
  Script,    // GET /api/script: the recorded session
  Act,       // POST /api/act: one action
  Session,   // POST /api/session: a new session with a fault plan
  Events,    // GET /api/events: the view's version whenever it changes, as server-sent events
};

struct Routed {
  Resource What = Resource::PageFile;
  const PageFile* File = nullptr;  // for PageFile
};

inline constexpr const char* TokenHeader = "X-Vex-Token";

class PageRoutes {
 public:
  PageRoutes();

  // The names this server answers to in the Host header ("127.0.0.1:8765", ...), the first
  // being the one its address is given with.
  void SetHosts(std::vector<std::string> hosts) { _Hosts = std::move(hosts); }
  const std::vector<std::string>& Hosts() const { return _Hosts; }
  const std::string& Token() const { return _Token; }

  // What the request asks for, or the answer that refuses it.
  std::variant<Routed, Answer> Check(const Request& header) const;

  // The page with its session token in place.
  std::string Index() const;

 private:
  bool HostAllowed(std::string_view host) const;
  bool OriginAllowed(std::string_view origin) const;
  bool TokenGiven(const Request& header, Resource what) const;

  std::string _Token;  // asked of every call of the interface
  std::vector<std::string> _Hosts;
};

// Whether the address is a loopback address (127.0.0.0/8, ::1) or "localhost".
bool IsLoopback(const std::string& address);

}  // namespace vexweb
