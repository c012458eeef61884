// Requests and answers of the page server, and how an answer is made: JSON with a message for
// every refusal, and the safety headers on every answer, whatever produced it.
#pragma once

#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace vexweb {

namespace http = boost::beast::http;

using Request = http::request<http::string_body>;
using Answer = http::response<http::string_body>;

// With its charset named: the answer is sent as it is, never compressed.
inline constexpr std::string_view JsonType = "application/json; charset=utf-8";

Answer MakeAnswer(int status, std::string body, std::string_view type);
Answer JsonAnswer(int status, const nlohmann::json& json);
// {"error": MESSAGE}
Answer ErrorAnswer(int status, const std::string& message);
// JSON as UTF-8 text, with anything that is not UTF-8 replaced rather than thrown on.
std::string Dump(const nlohmann::json& json);

// No caching, no sniffing of types, no framing, no referrer, and a content security policy that
// lets the page load only its own script and style. Set on every answer as it is sent.
void SetSafetyHeaders(http::fields& fields);

}  // namespace vexweb
