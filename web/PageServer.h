// The page server: the page and its JSON interface on one address, loopback by default.
// Every request is treated as hostile: the Host header must name the address served on (so a
// page of another site cannot reach this one through DNS rebinding), the interface asks for the
// page's session token and JSON actions by POST, bodies are bounded, and a bad request gets a
// clear 4xx without touching the session. Nothing on the disk is served.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace httplib {
class Server;
}

namespace vexweb {

class LiveSession;

// The largest request body read, in bytes.
inline constexpr std::size_t LargestBody = 16 * 1024;

class PageServer {
 public:
  PageServer(LiveSession& live, std::string address);
  ~PageServer();
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  // Binds the address and port (0: any free port). Returns the port; throws std::runtime_error
  // when it cannot be had.
  int Bind(int port);
  // Serves until Stop is called (from another thread).
  void Listen();
  void Stop();
  std::string Url() const;

 private:
  void Route();
  bool HostAllowed(const std::string& host) const;
  bool OriginAllowed(const std::string& origin) const;

  LiveSession& _Live;
  std::string _Address;
  int _Port = 0;
  std::string _Token;                 // asked of every call of the interface
  std::vector<std::string> _Hosts;    // the Host headers that name this server
  std::unique_ptr<httplib::Server> _Server;
};

// Whether the address is a loopback address (127.0.0.0/8, ::1) or "localhost".
bool IsLoopback(const std::string& address);

}  // namespace vexweb
