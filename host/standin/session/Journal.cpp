// The journal of boundary calls.
#include "vexhost/Journal.h"

#include <algorithm>
#include <ostream>

#include <nlohmann/json.hpp>

namespace vexhost {

std::string JournalEntry::Text() const {
  std::string text = Op + "(" + On;
  for (std::size_t i = 0; i < Args.size(); ++i) text += (i == 0 ? (On.empty() ? "" : "; ") : ", ") + Args[i];
  text += ")";
  if (!Result.empty()) text += " -> " + Result;
  if (!Outputs.empty()) {
    text += " [";
    for (std::size_t i = 0; i < Outputs.size(); ++i) text += (i == 0 ? "" : ", ") + Outputs[i];
    text += "]";
  }
  return text;
}

Journal::Journal(std::size_t window) : _Window(window) {}

Journal::~Journal() { Flush(); }

void Journal::SetWindow(std::size_t window) {
  _Window = window;
  Trim();
}

void Journal::Clear() {
  WriteCompleted();
  // Entries still under way stay, so that their calls can complete them.
  while (!_Entries.empty() && _Entries.front().Complete && (_Stream == nullptr || _First < _Written)) {
    _Entries.pop_front();
    ++_First;
  }
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

std::string Journal::JsonLine(const JournalEntry& entry) {
  nlohmann::ordered_json line{{"op", entry.Op}, {"on", entry.On}, {"args", entry.Args}, {"dir", entry.Dir}};
  if (!entry.Result.empty()) line["result"] = entry.Result;
  if (!entry.Outputs.empty()) line["out"] = entry.Outputs;
  return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string Journal::ToJsonLines(std::size_t from) const {
  std::string out;
  for (std::size_t i = std::max(from, _First); i < Size(); ++i) out += JsonLine(_Entries[i - _First]);
  return out;
}

void Journal::StreamTo(std::ostream* out) {
  _Stream = out;
  _Written = std::max(_Written, _First);
  WriteCompleted();
}

void Journal::Flush() {
  if (_Stream == nullptr) return;
  for (; _Written < Size(); ++_Written) *_Stream << JsonLine(_Entries[_Written - _First]);
  _Stream->flush();
  Trim();
}

std::size_t Journal::Append(JournalEntry entry) {
  _Entries.push_back(std::move(entry));
  const std::size_t index = Size() - 1;
  WriteCompleted();
  Trim();
  return index;
}

void Journal::Complete(std::size_t index, std::string result, std::vector<std::string> outputs) {
  if (JournalEntry* entry = At(index)) {
    entry->Result = std::move(result);
    entry->Outputs = std::move(outputs);
    entry->Complete = true;
  }
  WriteCompleted();
  Trim();
}

JournalEntry* Journal::At(std::size_t index) {
  if (index < _First || index >= Size()) return nullptr;
  return &_Entries[index - _First];
}

void Journal::WriteCompleted() {
  if (_Stream == nullptr) return;
  while (_Written < Size() && _Entries[_Written - _First].Complete) *_Stream << JsonLine(_Entries[_Written++ - _First]);
}

void Journal::Trim() {
  if (_Window == 0) return;
  // An entry under way stays until its call completes it, and an entry not yet streamed until it is.
  while (_Entries.size() > _Window && _Entries.front().Complete && (_Stream == nullptr || _First < _Written)) {
    _Entries.pop_front();
    ++_First;
  }
}

}  // namespace vexhost
