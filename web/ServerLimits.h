// The bounds the page server holds every client to, whatever way its requests arrive. A request
// past one of them is refused with its status (413, 414, 431, 408, 503) and leaves the session
// as it was.
#pragma once

#include <chrono>
#include <cstddef>

namespace vexweb {

struct ServerLimits {
  // The header fields together, in bytes (431); and the request line, which is refused sooner
  // by LongestTarget (414).
  std::size_t LargestHeader = 16 * 1024;
  // Header fields, chunked trailers included (431).
  std::size_t MostHeaderFields = 100;
  // The request target, in bytes (414).
  std::size_t LongestTarget = 8 * 1024;
  // The body however it is sent, declared by Content-Length or chunked (413).
  std::size_t LargestBody = 16 * 1024;
  // The time a client has to send one whole request, from when the server starts waiting for it
  // (an idle kept-alive connection too): not reset by each read, so a client that trickles bytes
  // is cut off as surely as a silent one. A partly sent request is answered 408.
  std::chrono::milliseconds RequestDeadline{10'000};
  // The time an answer may take to be written to a client that does not read it.
  std::chrono::milliseconds WriteDeadline{10'000};
  // Open connections; one more is answered 503 and closed.
  std::size_t MostConnections = 512;
  // Open event streams (GET /api/events); one more is answered 503.
  std::size_t MostEventStreams = 32;
  // How often an event stream gets a comment line, so that a client that went away is noticed
  // and one that stopped reading is closed.
  std::chrono::milliseconds EventKeepAlive{15'000};
  // How long a stop waits for an action that is running to end.
  std::chrono::milliseconds StopWait{700};
};

}  // namespace vexweb
