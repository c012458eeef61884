#include "HttpAnswers.h"

namespace vexweb {

Answer MakeAnswer(int status, std::string body, std::string_view type) {
  Answer answer{static_cast<http::status>(status), 11};
  answer.set(http::field::content_type, type);
  answer.body() = std::move(body);
  return answer;
}

Answer JsonAnswer(int status, const nlohmann::json& json) { return MakeAnswer(status, Dump(json), JsonType); }

Answer ErrorAnswer(int status, const std::string& message) { return JsonAnswer(status, {{"error", message}}); }

std::string Dump(const nlohmann::json& json) {
  return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void SetSafetyHeaders(http::fields& fields) {
  fields.set(http::field::cache_control, "no-store");
  fields.set("X-Content-Type-Options", "nosniff");
  fields.set("X-Frame-Options", "DENY");
  fields.set("Referrer-Policy", "no-referrer");
  fields.set("Content-Security-Policy",
             "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; img-src 'self' data:; "
             "base-uri 'none'; form-action 'none'; frame-ancestors 'none'");
}

}  // namespace vexweb
