#include "Connection.h"

#include <boost/asio/write.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

namespace vexweb {

namespace net = boost::asio;
using boost::system::error_code;

namespace {

// How long a refused client is given to finish sending what it had started, after its answer,
// and how much of it is read: closing with unread data would reset the connection and could take
// the answer with it.
constexpr std::chrono::milliseconds LingerTime{1000};
constexpr std::size_t LingerBytes = 256 * 1024;
constexpr std::string_view Continue = "HTTP/1.1 100 Continue\r\n\r\n";

std::size_t FieldCount(const Request& request) {
  return static_cast<std::size_t>(std::distance(request.begin(), request.end()));
}

bool AsksToContinue(const Request& header) {
  return boost::beast::iequals(header[http::field::expect], "100-continue");
}

bool PeerWentAway(const error_code& error) {
  return error == http::error::end_of_stream || error == net::error::eof || error == net::error::connection_reset ||
         error == net::error::broken_pipe || error == net::error::operation_aborted;
}

}  // namespace

Connection::Connection(net::ip::tcp::socket socket, ConnectionOwner& owner)
    : _Socket(std::move(socket)),
      _Timer(_Socket.get_executor()),
      _Owner(owner),
      // Room for a whole header and a chunk's framing (its size line, extensions or trailers)
      // as long again; a body is moved out of it as it is read.
      _Buffer(2 * owner.Limits().LargestHeader) {}

Connection::~Connection() {
  if (!_Closed) _Owner.Forget(*this);
}

void Connection::Start() { ReadRequest(); }

void Connection::Arm(std::chrono::milliseconds within) {
  _Timer.expires_after(within);
  _Timer.async_wait([self = shared_from_this()](error_code error) {
    // A wait replaced by a later one, or the connection gone, ends quietly.
    if (error || self->_Closed || self->_Timer.expiry() > net::steady_timer::clock_type::now()) return;
    if (self->_Streaming) return self->KeepStreamAlive();
    self->_TimedOut = true;
    error_code ignored;
    self->_Socket.cancel(ignored);  // what is under way ends with operation_aborted
  });
}

void Connection::Disarm() { _Timer.expires_at(net::steady_timer::time_point::max()); }

void Connection::ReadRequest() {
  const ServerLimits& limits = _Owner.Limits();
  _Parser.emplace();
  _Parser->header_limit(static_cast<std::uint32_t>(limits.LargestHeader));
  _Parser->body_limit(limits.LargestBody);
  _TimedOut = false;
  _KeepAlive = false;
  _Head = false;
  // One deadline for the whole request, header and body: each read does not set it again.
  Arm(limits.RequestDeadline);
  http::async_read_header(_Socket, _Buffer, *_Parser,
                          [self = shared_from_this()](error_code error, std::size_t) { self->OnHeader(error); });
}

void Connection::OnHeader(error_code error) {
  if (_Closed) return;
  if (error || _TimedOut) return ReadFailed(_TimedOut ? net::error::timed_out : error, true);
  const Request& header = _Parser->get();
  _KeepAlive = header.keep_alive();
  _Head = header.method() == http::verb::head;
  const ServerLimits& limits = _Owner.Limits();
  if (FieldCount(header) > limits.MostHeaderFields) {
    return Write(
        ErrorAnswer(431, "the request has more than " + std::to_string(limits.MostHeaderFields) + " header fields"),
        true);
  }
  if (header.target().size() > limits.LongestTarget) {
    return Write(ErrorAnswer(414, "the address is longer than " + std::to_string(limits.LongestTarget) + " bytes"),
                 true);
  }
  if (std::optional<Answer> refusal = _Owner.Screen(header)) return Write(std::move(*refusal), true);
  if (_Parser->is_done() || !AsksToContinue(header)) return ReadBody();
  // The client waits to be told to send its body.
  net::async_write(_Socket, net::buffer(Continue.data(), Continue.size()),
                   [self = shared_from_this()](error_code written, std::size_t) {
                     if (written || self->_Closed) return self->Close();
                     self->ReadBody();
                   });
}

void Connection::ReadBody() {
  if (_Parser->is_done()) return OnBody({});
  http::async_read(_Socket, _Buffer, *_Parser,
                   [self = shared_from_this()](error_code error, std::size_t) { self->OnBody(error); });
}

void Connection::OnBody(error_code error) {
  if (_Closed) return;
  if (error || _TimedOut) return ReadFailed(_TimedOut ? net::error::timed_out : error, false);
  const ServerLimits& limits = _Owner.Limits();
  // Trailers of a chunked body are header fields too.
  if (FieldCount(_Parser->get()) > limits.MostHeaderFields) {
    return Write(
        ErrorAnswer(431, "the request has more than " + std::to_string(limits.MostHeaderFields) + " header fields"),
        true);
  }
  Disarm();
  _Owner.Dispatch(shared_from_this(), _Parser->release());
}

bool Connection::RequestLineTooLong() const {
  // The parser keeps the target once it has read the whole request line.
  return _Parser->get().target().empty();
}

void Connection::ReadFailed(error_code error, bool inHeader) {
  const ServerLimits& limits = _Owner.Limits();
  if (error == net::error::timed_out) {
    // A silent connection (an idle kept-alive one) just ends; a request cut off is told why.
    if (!_Parser->got_some() && _Buffer.size() == 0) return Close();
    return Write(ErrorAnswer(408, "the request was not sent whole within " +
                                      std::to_string(limits.RequestDeadline.count()) + " ms"),
                 true);
  }
  if (PeerWentAway(error)) return Close();
  const std::string largestHeader = std::to_string(limits.LargestHeader);
  const std::string largestBody = std::to_string(limits.LargestBody);
  if (error == http::error::header_limit || (inHeader && error == http::error::buffer_overflow)) {
    if (RequestLineTooLong()) {
      return Write(ErrorAnswer(414, "the address is longer than " + std::to_string(limits.LongestTarget) + " bytes"),
                   true);
    }
    return Write(ErrorAnswer(431, "the request's header is larger than " + largestHeader + " bytes"), true);
  }
  if (error == http::error::body_limit) {
    return Write(ErrorAnswer(413, "the request body is larger than " + largestBody + " bytes"), true);
  }
  if (error == http::error::buffer_overflow) {
    return Write(ErrorAnswer(413, "a chunk's framing in the request body is larger than " + largestHeader + " bytes"),
                 true);
  }
  Write(ErrorAnswer(400, "the request is malformed: " + error.message()), true);
}

void Connection::Reply(Answer answer) {
  if (_Closed) return;
  Write(std::move(answer), !_KeepAlive);
}

void Connection::Turn(Answer answer) { Write(std::move(answer), true); }

void Connection::Write(Answer answer, bool last) {
  if (_Closed) return;
  SetSafetyHeaders(answer);
  answer.keep_alive(!last);
  const std::size_t length = answer.body().size();
  answer.prepare_payload();
  if (_Head) {
    answer.body().clear();
    answer.content_length(length);
  }
  _Answer = std::move(answer);
  _TimedOut = false;
  Arm(_Owner.Limits().WriteDeadline);
  http::async_write(_Socket, *_Answer,
                    [self = shared_from_this(), last](error_code error, std::size_t) { self->OnWritten(error, last); });
}

void Connection::OnWritten(error_code error, bool last) {
  if (_Closed) return;
  _Answer.reset();
  if (error || _TimedOut) return Close();
  if (last) return Linger();
  ReadRequest();
}

void Connection::Linger() {
  error_code ignored;
  _Socket.shutdown(net::ip::tcp::socket::shutdown_send, ignored);
  _TimedOut = false;
  Arm(LingerTime);
  DrainUntilClosed(LingerBytes);
}

void Connection::DrainUntilClosed(std::size_t left) {
  _Socket.async_read_some(net::buffer(_Sink), [self = shared_from_this(), left](error_code error, std::size_t read) {
    if (self->_Closed) return;
    if (error || self->_TimedOut || read >= left) return self->Close();
    self->DrainUntilClosed(left - read);
  });
}

void Connection::StartEvents(std::uint64_t version) {
  if (_Closed) return;
  _Streaming = true;
  // No length: the stream lasts until either side closes it. The client waits 2 s before it
  // connects again after a stream ends.
  Answer answer = MakeAnswer(200, "retry: 2000\ndata: " + std::to_string(version) + "\n\n", "text/event-stream");
  SetSafetyHeaders(answer);
  answer.keep_alive(false);
  _Answer = std::move(answer);
  _EventWriting = true;
  Arm(_Owner.Limits().EventKeepAlive);
  http::async_write(_Socket, *_Answer, [self = shared_from_this()](error_code error, std::size_t) {
    if (self->_Closed) return;
    self->_Answer.reset();
    self->_EventWriting = false;
    if (error) return self->Close();
    self->AwaitClose();
    if (self->_EventWaiting) self->SendEvent(*std::exchange(self->_EventWaiting, std::nullopt));
  });
}

void Connection::SendEvent(std::uint64_t version) {
  if (_Closed || !_Streaming) return;
  if (_EventWriting) {
    _EventWaiting = version;
    return;
  }
  WriteEvent("data: " + std::to_string(version) + "\n\n");
}

void Connection::WriteEvent(std::string text) {
  _EventWriting = true;
  _EventText = std::move(text);
  net::async_write(_Socket, net::buffer(_EventText), [self = shared_from_this()](error_code error, std::size_t) {
    if (self->_Closed) return;
    self->_EventWriting = false;
    if (error) return self->Close();
    if (self->_EventWaiting) self->SendEvent(*std::exchange(self->_EventWaiting, std::nullopt));
  });
}

void Connection::KeepStreamAlive() {
  // A write still under way since the last keep-alive: the client has stopped reading.
  if (_EventWriting) return Close();
  WriteEvent(": keep-alive\n\n");
  Arm(_Owner.Limits().EventKeepAlive);
}

void Connection::AwaitClose() {
  // A client sends nothing more on an event stream; reading tells when it goes.
  _Socket.async_read_some(net::buffer(_Sink), [self = shared_from_this()](error_code error, std::size_t) {
    if (self->_Closed) return;
    if (error) return self->Close();
    self->AwaitClose();
  });
}

void Connection::Close() {
  if (_Closed) return;
  _Closed = true;
  error_code ignored;
  _Timer.cancel();
  _Socket.shutdown(net::ip::tcp::socket::shutdown_both, ignored);
  _Socket.close(ignored);
  _Owner.Forget(*this);
}

}  // namespace vexweb
