// The page server: the page and its JSON interface on one address, loopback by default, built on
// Boost.Beast and Asio. One network thread serves every connection with asynchronous reads and
// writes, so a slow or silent client holds nothing but its own connection; one session thread
// runs the actions, one at a time, each answered with the view taken under the same hold. Every
// request is bounded (ServerLimits) and screened (PageRoutes) before the session sees it; every
// answer carries the safety headers.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>

#include "Connection.h"
#include "PageRoutes.h"
#include "ServerLimits.h"

namespace vexweb {

class LiveSession;

class PageServer final : private ConnectionOwner {
 public:
  PageServer(LiveSession& live, std::string address, ServerLimits limits = {});
  ~PageServer() override;
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  // Binds the address and port (0: any free port). Returns the port; throws std::runtime_error
  // when it cannot be had.
  int Bind(int port);
  // Serves on the server's own threads until Stop.
  void Start();
  // Takes no more actions, closes every connection (an event stream sees its end) and ends the
  // threads. Returns false when an action under way did not end within the limits' StopWait:
  // the session is then still in its hands, and the process must end without touching it.
  bool Stop();
  std::string Url() const;
  // The session token the page carries, asked of every call of the interface.
  const std::string& Token() const { return _Routes.Token(); }

 private:
  const ServerLimits& Limits() const override { return _Limits; }
  std::optional<Answer> Screen(const Request& header) override;
  void Dispatch(const std::shared_ptr<Connection>& connection, Request request) override;
  void Forget(Connection& connection) override;

  void Accept();
  void Admit(boost::asio::ip::tcp::socket socket);
  void OpenEvents(const std::shared_ptr<Connection>& connection);
  Answer SessionAnswer(Resource what, const Request& request);
  void Announce();
  void CloseAll();

  LiveSession& _Live;
  const std::string _Address;
  const ServerLimits _Limits;
  PageRoutes _Routes;
  int _Port = 0;
  // Declared before the contexts: a connection still held by a handler they drop on destruction
  // forgets itself here.
  std::unordered_set<Connection*> _Connections;
  std::size_t _EventStreams = 0;
  std::uint64_t _Announced = 0;  // the version the event streams were last sent
  boost::asio::io_context _Network{1};
  boost::asio::ip::tcp::acceptor _Acceptor{_Network};
  boost::asio::steady_timer _AcceptPause{_Network};
  boost::asio::io_context _Sessions{1};
  std::thread _NetworkThread;
  std::thread _SessionThread;
  std::future<void> _SessionEnded;
  bool _Started = false;
  bool _Stopped = false;
};

}  // namespace vexweb
