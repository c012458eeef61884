#include "PageServer.h"

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>
#include <stdexcept>

#include "LiveSession.h"
#include "PageActions.h"
#include "PageFiles.h"

namespace vexweb {

namespace {

constexpr const char* TokenHeader = "X-Vex-Token";
constexpr const char* TokenMark = "{{TOKEN}}";
// With its charset named, httplib leaves the answer uncompressed: on loopback, compressing costs
// more time than it saves.
constexpr const char* Json = "application/json; charset=utf-8";

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
bool SameSecret(const std::string& given, const std::string& secret) {
  if (given.size() != secret.size()) return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < secret.size(); ++i) difference |= static_cast<unsigned char>(given[i] ^ secret[i]);
  return difference == 0;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Whether a Content-Type names JSON, with or without parameters.
bool IsJson(const std::string& contentType) {
  const std::string type = Lower(contentType.substr(0, contentType.find(';')));
  const auto last = type.find_last_not_of(' ');
  return type.substr(0, last == std::string::npos ? 0 : last + 1) == "application/json";
}

std::string Dump(const nlohmann::json& json) { return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace); }

void SendJson(httplib::Response& res, int status, const nlohmann::json& json) {
  res.status = status;
  res.set_content(Dump(json), Json);
}

void SendError(httplib::Response& res, int status, const std::string& message) {
  SendJson(res, status, {{"error", message}});
}

void SetSafetyHeaders(httplib::Response& res) {
  res.set_header("Cache-Control", "no-store");
  res.set_header("X-Content-Type-Options", "nosniff");
  res.set_header("X-Frame-Options", "DENY");
  res.set_header("Referrer-Policy", "no-referrer");
  res.set_header("Content-Security-Policy",
                 "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; img-src 'self' data:; "
                 "base-uri 'none'; form-action 'none'; frame-ancestors 'none'");
}

// The body as JSON; throws BadRequest for anything else.
nlohmann::json BodyJson(const httplib::Request& req) {
  nlohmann::json body = nlohmann::json::parse(req.body, nullptr, false);
  if (body.is_discarded()) throw BadRequest(400, "the body is not well-formed JSON in UTF-8");
  return body;
}

// Runs a handler, answering BadRequest with its status and message.
template <class Handler>
void Answer(httplib::Response& res, Handler&& handler) {
  try {
    handler();
  } catch (const BadRequest& bad) {
    SendError(res, bad.Status(), bad.what());
  }
}

std::string DefaultMessage(int status) {
  switch (status) {
    case 400: return "the request is malformed";
    case 404: return "there is no such page here";
    case 413: return "the request body is larger than " + std::to_string(LargestBody) + " bytes";
    case 414: return "the address is too long";
    default: return "the request cannot be answered (HTTP " + std::to_string(status) + ")";
  }
}

// The regular expression that matches exactly the path.
std::string Pattern(std::string_view path) {
  std::string pattern;
  for (char c : path) {
    if (c == '.') pattern += '\\';
    pattern += c;
  }
  return pattern;
}

std::string Index(const std::string& token) {
  std::string page(PageFiles().front().Bytes);
  const std::size_t mark = page.find(TokenMark);
  if (mark != std::string::npos) page.replace(mark, std::string(TokenMark).size(), token);
  return page;
}

}  // namespace

bool IsLoopback(const std::string& address) {
  return address == "localhost" || address == "::1" || address.rfind("127.", 0) == 0;
}

PageServer::PageServer(LiveSession& live, std::string address)
    : _Live(live), _Address(std::move(address)), _Token(NewToken()), _Server(std::make_unique<httplib::Server>()) {
  _Server->set_payload_max_length(LargestBody);
  _Server->set_read_timeout(5, 0);
  _Server->set_write_timeout(5, 0);
  _Server->set_keep_alive_timeout(5);
  // Small answers go out at once rather than wait for the acknowledgement of the last write.
  _Server->set_tcp_nodelay(true);
  // Without SO_REUSEPORT, which httplib would set: a port in use is refused, not shared with
  // whatever listens there already.
  _Server->set_socket_options([](int socket) {
    const int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  });
  Route();
}

PageServer::~PageServer() = default;

int PageServer::Bind(int port) {
  _Port = port == 0 ? _Server->bind_to_any_port(_Address) : (_Server->bind_to_port(_Address, port) ? port : -1);
  if (_Port <= 0) {
    throw std::runtime_error("cannot listen on " + _Address + " port " + std::to_string(port) +
                             " (in use? --port 0 takes any free port)");
  }
  const std::string suffix = ":" + std::to_string(_Port);
  const std::string named = _Address.find(':') != std::string::npos ? "[" + _Address + "]" : _Address;
  _Hosts = {Lower(named) + suffix};
  if (IsLoopback(_Address)) _Hosts.push_back("localhost" + suffix);
  // "localhost" is bound as one of the loopback addresses, and a browser may name either.
  if (_Address == "localhost") _Hosts.insert(_Hosts.end(), {"127.0.0.1" + suffix, "[::1]" + suffix});
  return _Port;
}

void PageServer::Listen() { _Server->listen_after_bind(); }

void PageServer::Stop() { _Server->stop(); }

std::string PageServer::Url() const { return "http://" + _Hosts.front() + "/"; }

bool PageServer::HostAllowed(const std::string& host) const {
  return std::find(_Hosts.begin(), _Hosts.end(), Lower(host)) != _Hosts.end();
}

bool PageServer::OriginAllowed(const std::string& origin) const {
  const std::string prefix = "http://";
  return origin.rfind(prefix, 0) == 0 && HostAllowed(origin.substr(prefix.size()));
}

void PageServer::Route() {
  httplib::Server& server = *_Server;
  server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    SetSafetyHeaders(res);
    if (!HostAllowed(req.get_header_value("Host"))) {
      SendError(res, 403, "the Host header must name this server's address (" + _Hosts.front() + ")");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (req.path.rfind("/api/", 0) != 0) return httplib::Server::HandlerResponse::Unhandled;
    if (!SameSecret(req.get_header_value(TokenHeader), _Token)) {
      SendError(res, 403, "the request does not carry this page's session token");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (req.has_header("Origin") && !OriginAllowed(req.get_header_value("Origin"))) {
      SendError(res, 403, "the request comes from another site's page");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (req.method == "POST" && !IsJson(req.get_header_value("Content-Type"))) {
      SendError(res, 415, "an action is sent as application/json");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (res.body.empty()) SendError(res, res.status, DefaultMessage(res.status));
  });
  server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr error) {
    std::string what = "unknown";
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& caught) {
      what = caught.what();
    } catch (...) {
    }
    SendError(res, 500, "the server failed: " + what);
  });

  for (const PageFile& file : PageFiles()) {
    server.Get(Pattern(file.Path), [this, &file](const httplib::Request&, httplib::Response& res) {
      res.set_content(file.Path == "/" ? Index(_Token) : std::string(file.Bytes), std::string(file.ContentType));
    });
  }
  server.Get("/api/view", [this](const httplib::Request&, httplib::Response& res) { SendJson(res, 200, _Live.View()); });
  server.Get("/api/script", [this](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Disposition", "attachment; filename=\"session.vex\"");
    res.set_content(_Live.Script(), "text/plain; charset=utf-8");
  });
  server.Post("/api/act", [this](const httplib::Request& req, httplib::Response& res) {
    Answer(res, [&] {
      const std::string line = ScriptLineFor(BodyJson(req));
      const ActOutcome outcome = _Live.Act(line);
      nlohmann::json answer{{"line", outcome.Line}, {"output", outcome.Output}};
      if (!outcome.Refusal.empty()) answer["refused"] = outcome.Refusal;
      if (outcome.Offer) answer["offer"] = *outcome.Offer;
      answer["view"] = _Live.View();
      SendJson(res, outcome.Refusal.empty() ? 200 : 409, answer);
    });
  });
  server.Post("/api/session", [this](const httplib::Request& req, httplib::Response& res) {
    Answer(res, [&] {
      _Live.Restart(FaultsFor(BodyJson(req)));
      SendJson(res, 200, {{"view", _Live.View()}});
    });
  });
  // The interface's other methods: named, so that a wrong one is told what is allowed.
  for (const char* path : {"/api/act", "/api/session"}) {
    server.Get(path, [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Allow", "POST");
      SendError(res, 405, "this is asked for with POST");
    });
  }
  for (const char* path : {"/api/view", "/api/script"}) {
    server.Post(path, [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Allow", "GET");
      SendError(res, 405, "this is asked for with GET");
    });
  }
}

}  // namespace vexweb
