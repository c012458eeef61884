// The journal of boundary calls.
#include "vexhost/Journal.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace vexhost {

std::string JournalEntry::Text() const {
  std::string text = Op + "(" + On;
  for (std::size_t i = 0; i < Args.size(); ++i) text += (i == 0 ? (On.empty() ? "" : "; ") : ", ") + Args[i];
  text += ")";
  if (!Result.empty()) text += " -> " + Result;
  return text;
}

std::vector<std::string> Journal::Excerpt(std::initializer_list<std::string_view> ops) const {
  return Excerpt(std::vector<std::string>(ops.begin(), ops.end()));
}

std::vector<std::string> Journal::Excerpt(const std::vector<std::string>& ops) const {
  std::vector<std::string> lines;
  for (const auto& entry : _Entries) {
    if (std::find(ops.begin(), ops.end(), entry.Op) != ops.end()) lines.push_back(entry.Text());
  }
  return lines;
}

int Journal::Count(std::string_view op, std::string_view on) const {
  return static_cast<int>(std::count_if(_Entries.begin(), _Entries.end(), [&](const JournalEntry& entry) {
    return entry.Op == op && (on.empty() || entry.On == on);
  }));
}

std::string Journal::ToJsonLines(std::size_t from) const {
  std::string out;
  for (std::size_t i = from; i < _Entries.size(); ++i) {
    const auto& entry = _Entries[i];
    nlohmann::ordered_json line{{"op", entry.Op}, {"on", entry.On}, {"args", entry.Args}, {"dir", entry.Dir}};
    if (!entry.Result.empty()) line["result"] = entry.Result;
    out += line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  }
  return out;
}

std::size_t Journal::Append(JournalEntry entry) {
  _Entries.push_back(std::move(entry));
  return _Entries.size() - 1;
}

void Journal::SetResult(std::size_t index, std::string result) {
  if (index < _Entries.size()) _Entries[index].Result = std::move(result);
}

}  // namespace vexhost
