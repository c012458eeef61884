// One client's connection to the page server: it reads requests within the server's limits and a
// deadline for each whole request, hands each to its owner, writes the answers, and, for an event
// stream, sends the view's version whenever it changes. Everything here runs on the server's
// network thread.
#pragma once

#include <array>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/parser.hpp>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "HttpAnswers.h"
#include "ServerLimits.h"

namespace vexweb {

class Connection;

// What a connection asks of the server it belongs to.
class ConnectionOwner {
 public:
  virtual ~ConnectionOwner() = default;
  virtual const ServerLimits& Limits() const = 0;
  // A request whose header has been read: the answer that refuses it, or nothing to read its body.
  virtual std::optional<Answer> Screen(const Request& header) = 0;
  // A whole request: the owner answers it through the connection, now or later.
  virtual void Dispatch(const std::shared_ptr<Connection>& connection, Request request) = 0;
  // The connection is closed and about to go.
  virtual void Forget(Connection& connection) = 0;
};

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(boost::asio::ip::tcp::socket socket, ConnectionOwner& owner);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Reads the first request.
  void Start();
  // Answers the request read last; then reads the next one, unless the answer or the request
  // ends the connection.
  void Reply(Answer answer);
  // Answers at once and closes, reading nothing more: for a connection past the server's limit.
  void Turn(Answer answer);
  // Turns the connection into an event stream that starts with this version.
  void StartEvents(std::uint64_t version);
  bool Streaming() const { return _Streaming; }
  // Sends the version on an event stream; a version not yet sent is replaced by a newer one.
  void SendEvent(std::uint64_t version);
  // Closes at once (the server stops): an event stream sees its end.
  void Close();

 private:
  void ReadRequest();
  void OnHeader(boost::system::error_code error);
  void ReadBody();
  void OnBody(boost::system::error_code error);
  void ReadFailed(boost::system::error_code error, bool inHeader);
  bool RequestLineTooLong() const;  // of a request past the header's bound
  void Write(Answer answer, bool last);
  void OnWritten(boost::system::error_code error, bool last);
  void Linger();
  void DrainUntilClosed(std::size_t left);
  void WriteEvent(std::string text);
  void AwaitClose();
  void KeepStreamAlive();
  void Arm(std::chrono::milliseconds within);
  void Disarm();

  boost::asio::ip::tcp::socket _Socket;
  boost::asio::steady_timer _Timer;  // the deadline of what is under way, or an event stream's keep-alive
  ConnectionOwner& _Owner;
  boost::beast::flat_buffer _Buffer;
  std::optional<http::request_parser<http::string_body>> _Parser;
  std::optional<Answer> _Answer;  // being written
  bool _KeepAlive = false;        // what the request last read asked for
  bool _Head = false;             // the request last read asked for the header alone
  bool _TimedOut = false;
  bool _Closed = false;
  bool _Streaming = false;
  bool _EventWriting = false;
  std::optional<std::uint64_t> _EventWaiting;  // a version to send when the write under way ends
  std::string _EventText;                      // being written
  std::array<char, 512> _Sink{};               // what a client sends after its request, discarded
};

}  // namespace vexweb
