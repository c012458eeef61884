// The journal: every call that crosses the boundary between the host and the module, in order.
// A session keeps a window of the latest entries in memory (all of them when asked) and can
// stream every entry to a file as the run goes.
#pragma once

#include <deque>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace vexhost {

inline constexpr std::string_view ModuleToHost = "module->host";
inline constexpr std::string_view HostToModule = "host->module";

struct JournalEntry {
  std::string Op;                    // the operation
  std::string On;                    // the receiving object's name ("" for a static operation)
  std::vector<std::string> Args;     // the arguments as text; output arguments as "name=value on entry"
  std::string Dir;                   // ModuleToHost or HostToModule
  std::string Result;                // what the call returned, where that is recorded
  std::vector<std::string> Outputs;  // output arguments on return, "name=value"
  bool Complete = true;              // false while the call is still under way
  // "Op(on; a, b) -> result [out=value]", for test messages.
  std::string Text() const;
};

class Journal {
 public:
  // `window`: how many of the latest entries are kept in memory; 0 keeps every entry.
  explicit Journal(std::size_t window = 0);
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;
  ~Journal();

  // The entries kept, oldest first; the first of them has the index FirstIndex().
  const std::deque<JournalEntry>& Entries() const { return _Entries; }
  std::size_t FirstIndex() const { return _First; }
  // How many entries were recorded since the journal began.
  std::size_t Size() const { return _First + _Entries.size(); }
  std::size_t Window() const { return _Window; }
  void SetWindow(std::size_t window);
  // Forgets the entries kept (the count of entries goes on).
  void Clear();

  // The kept entries whose operation is one of `ops`, in order, as Text().
  std::vector<std::string> Excerpt(std::initializer_list<std::string_view> ops) const;
  std::vector<std::string> Excerpt(const std::vector<std::string>& ops) const;
  // How many kept entries have that operation (and, when given, that receiver).
  int Count(std::string_view op, std::string_view on = {}) const;
  // One JSON object a line, from the entry with index `from` (or the oldest kept): "op", "on",
  // "args", "dir" and, where there are, "result" and "out".
  std::string ToJsonLines(std::size_t from = 0) const;
  static std::string JsonLine(const JournalEntry& entry);

  // Writes each entry, as one JSON line, to `out` once it and every entry before it are complete;
  // null stops. Entries recorded before the call are written at once.
  void StreamTo(std::ostream* out);
  // Writes what is still waiting, complete or not (at the end of a run).
  void Flush();

  // Records an entry; returns its index.
  std::size_t Append(JournalEntry entry);
  // Completes the entry with that index: its result and its outputs on return.
  void Complete(std::size_t index, std::string result, std::vector<std::string> outputs = {});
  void SetResult(std::size_t index, std::string result) { Complete(index, std::move(result)); }
  // The entry with that index, or null when it is no longer kept.
  JournalEntry* At(std::size_t index);

 private:
  void WriteCompleted();
  void Trim();

  std::deque<JournalEntry> _Entries;
  std::size_t _First = 0;  // index of _Entries.front()
  std::size_t _Window;
  std::ostream* _Stream = nullptr;
  std::size_t _Written = 0;  // entries before this index have been streamed
};

}  // namespace vexhost
