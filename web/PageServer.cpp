#include "PageServer.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>
#include <stdexcept>

#include "LiveSession.h"
#include "PageActions.h"

namespace vexweb {

namespace net = boost::asio;
using tcp = net::ip::tcp;
using boost::system::error_code;

namespace {

// Connections past the limit that are still told why (503); past these too, a connection is
// closed unanswered.
constexpr std::size_t AnsweredWhenFull = 64;
// How long accepting pauses when the process is out of descriptors, rather than spin.
constexpr std::chrono::milliseconds AcceptPause{100};

// The body as JSON; throws BadRequest for anything else.
nlohmann::json BodyJson(const Request& request) {
  nlohmann::json body = nlohmann::json::parse(request.body(), nullptr, false);
  if (body.is_discarded()) throw BadRequest(400, "the body is not well-formed JSON in UTF-8");
  return body;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

PageServer::PageServer(LiveSession& live, std::string address, ServerLimits limits)
    : _Live(live), _Address(std::move(address)), _Limits(limits) {}

PageServer::~PageServer() { Stop(); }

int PageServer::Bind(int port) {
  error_code error;
  tcp::resolver resolver(_Network);
  const auto endpoints = resolver.resolve(_Address, std::to_string(port), tcp::resolver::numeric_service, error);
  for (const auto& entry : endpoints) {
    // Without SO_REUSEPORT: a port in use is refused, not shared with whatever listens there.
    _Acceptor.open(entry.endpoint().protocol(), error);
    if (!error) _Acceptor.set_option(tcp::acceptor::reuse_address(true), error);
    if (!error) _Acceptor.bind(entry.endpoint(), error);
    if (!error) _Acceptor.listen(net::socket_base::max_listen_connections, error);
    if (!error) break;
    error_code ignored;
    _Acceptor.close(ignored);
  }
  if (!_Acceptor.is_open()) {
    throw std::runtime_error("cannot listen on " + _Address + " port " + std::to_string(port) +
                             " (in use? --port 0 takes any free port)");
  }
  _Port = _Acceptor.local_endpoint().port();
  const std::string suffix = ":" + std::to_string(_Port);
  const std::string named = _Address.find(':') != std::string::npos ? "[" + _Address + "]" : _Address;
  std::vector<std::string> hosts{Lower(named) + suffix};
  if (IsLoopback(_Address)) hosts.push_back("localhost" + suffix);
  // "localhost" is bound as one of the loopback addresses, and a browser may name either.
  if (_Address == "localhost") hosts.insert(hosts.end(), {"127.0.0.1" + suffix, "[::1]" + suffix});
  _Routes.SetHosts(std::move(hosts));
  return _Port;
}

std::string PageServer::Url() const { return "http://" + _Routes.Hosts().front() + "/"; }

void PageServer::Start() {
  _Started = true;
  _Announced = _Live.Version();
  Accept();
  _NetworkThread = std::thread([this] { _Network.run(); });
  std::promise<void> ended;
  _SessionEnded = ended.get_future();
  _SessionThread = std::thread([this, ended = std::move(ended)]() mutable {
    const auto work = net::make_work_guard(_Sessions);
    _Sessions.run();
    ended.set_value();
  });
}

bool PageServer::Stop() {
  if (!_Started || _Stopped) return true;
  _Stopped = true;
  _Live.StopActions();
  _Sessions.stop();  // actions queued are not run; the one under way ends
  net::post(_Network, [this] {
    CloseAll();
    _Network.stop();
  });
  _NetworkThread.join();
  if (_SessionEnded.wait_for(_Limits.StopWait) != std::future_status::ready) {
    _SessionThread.detach();
    return false;
  }
  _SessionThread.join();
  return true;
}

void PageServer::CloseAll() {
  error_code ignored;
  _Acceptor.close(ignored);
  _AcceptPause.cancel();
  const std::vector<Connection*> open(_Connections.begin(), _Connections.end());
  for (Connection* connection : open) connection->Close();
}

void PageServer::Accept() {
  _Acceptor.async_accept([this](error_code error, tcp::socket socket) {
    if (error == net::error::operation_aborted || !_Acceptor.is_open()) return;
    if (error) {
      _AcceptPause.expires_after(AcceptPause);
      _AcceptPause.async_wait([this](error_code waited) {
        if (!waited) Accept();
      });
      return;
    }
    Admit(std::move(socket));
    Accept();
  });
}

void PageServer::Admit(tcp::socket socket) {
  error_code ignored;
  // Small answers go out at once rather than wait for the acknowledgement of the last write.
  socket.set_option(tcp::no_delay(true), ignored);
  if (_Connections.size() >= _Limits.MostConnections + AnsweredWhenFull) return;  // the socket closes here
  ConnectionOwner& owner = *this;
  auto connection = std::make_shared<Connection>(std::move(socket), owner);
  _Connections.insert(connection.get());
  if (_Connections.size() > _Limits.MostConnections) {
    return connection->Turn(ErrorAnswer(
        503, "the server has " + std::to_string(_Limits.MostConnections) + " connections open: try again later"));
  }
  connection->Start();
}

std::optional<Answer> PageServer::Screen(const Request& header) {
  auto checked = _Routes.Check(header);
  if (auto* refusal = std::get_if<Answer>(&checked)) return std::move(*refusal);
  return std::nullopt;
}

void PageServer::Forget(Connection& connection) {
  if (_Connections.erase(&connection) > 0 && connection.Streaming()) --_EventStreams;
}

void PageServer::Dispatch(const std::shared_ptr<Connection>& connection, Request request) {
  // Checked again whole: trailers of a chunked body are header fields too.
  auto checked = _Routes.Check(request);
  if (auto* refusal = std::get_if<Answer>(&checked)) return connection->Reply(std::move(*refusal));
  const Routed routed = std::get<Routed>(checked);
  if (routed.What == Resource::PageFile) {
    const PageFile& file = *routed.File;
    return connection->Reply(
        MakeAnswer(200, file.Path == "/" ? _Routes.Index() : std::string(file.Bytes), file.ContentType));
  }
  if (routed.What == Resource::Events) return OpenEvents(connection);
  net::post(_Sessions, [this, connection, what = routed.What, request = std::move(request)]() mutable {
    Answer answer = SessionAnswer(what, request);
    net::post(_Network, [this, connection, answer = std::move(answer)]() mutable {
      connection->Reply(std::move(answer));
      Announce();
    });
  });
}

void PageServer::OpenEvents(const std::shared_ptr<Connection>& connection) {
  if (_EventStreams >= _Limits.MostEventStreams) {
    return connection->Reply(ErrorAnswer(503, "the server has " + std::to_string(_Limits.MostEventStreams) +
                                                  " event streams open: ask GET /api/view instead"));
  }
  ++_EventStreams;
  connection->StartEvents(_Live.Version());
}

void PageServer::Announce() {
  const std::uint64_t version = _Live.Version();
  if (version == _Announced) return;
  _Announced = version;
  for (Connection* connection : _Connections) {
    if (connection->Streaming()) connection->SendEvent(version);
  }
}

Answer PageServer::SessionAnswer(Resource what, const Request& request) {
  try {
    switch (what) {
      case Resource::View:
        return JsonAnswer(200, _Live.View());
      case Resource::Script: {
        Answer answer = MakeAnswer(200, _Live.Script(), "text/plain; charset=utf-8");
        answer.set(http::field::content_disposition, "attachment; filename=\"session.vex\"");
        return answer;
      }
      case Resource::Act: {
        ActOutcome outcome = _Live.Act(ActionFor(BodyJson(request), _Live.ModuleProfile()));
        nlohmann::json answer{{"line", outcome.Line}, {"output", outcome.Output}};
        if (!outcome.Refusal.empty()) answer["refused"] = outcome.Refusal;
        if (outcome.Offer) answer["offer"] = *outcome.Offer;
        answer["view"] = std::move(outcome.View);
        // A refusal is an answer to a person, not a failed request: it says why in "refused".
        return JsonAnswer(200, answer);
      }
      case Resource::Session:
        return JsonAnswer(200, {{"view", _Live.Restart(FaultsFor(BodyJson(request)))}});
      case Resource::PageFile:
      case Resource::Events:
        break;
    }
    return ErrorAnswer(500, "the server failed: a request reached the session that it does not serve");
  } catch (const BadRequest& bad) {
    return ErrorAnswer(bad.Status(), bad.what());
  } catch (const Stopping& stopping) {
    return ErrorAnswer(503, stopping.what());
  } catch (const std::exception& error) {
    return ErrorAnswer(500, std::string("the server failed: ") + error.what());
  }
}

}  // namespace vexweb
