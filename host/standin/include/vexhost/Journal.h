// The journal: every call that crosses the boundary between the host and the module, in order.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vexhost {

inline constexpr std::string_view ModuleToHost = "module->host";
inline constexpr std::string_view HostToModule = "host->module";

struct JournalEntry {
  std::string Op;                 // the operation
  std::string On;                 // the receiving object's name ("" for a static operation)
  std::vector<std::string> Args;  // the arguments, as text
  std::string Dir;                // ModuleToHost or HostToModule
  std::string Result;             // for calls into the module: what they returned
  std::string Text() const;       // "Op(on; a, b) -> result", for test messages
};

class Journal {
 public:
  const std::vector<JournalEntry>& Entries() const { return _Entries; }
  std::size_t Size() const { return _Entries.size(); }
  void Clear() { _Entries.clear(); }

  // The entries whose operation is one of `ops`, in order, as Text().
  std::vector<std::string> Excerpt(std::initializer_list<std::string_view> ops) const;
  std::vector<std::string> Excerpt(const std::vector<std::string>& ops) const;
  // How many entries have that operation (and, when given, that receiver).
  int Count(std::string_view op, std::string_view on = {}) const;
  // One JSON object a line: "op", "on", "args", "dir" and, where there is one, "result".
  std::string ToJsonLines(std::size_t from = 0) const;

  std::size_t Append(JournalEntry entry);
  void SetResult(std::size_t index, std::string result);

 private:
  std::vector<JournalEntry> _Entries;
};

}  // namespace vexhost
