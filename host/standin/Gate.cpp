// The one gate for every boundary call: the journal and the fault plan.
#include <cstdio>

#include "HostState.h"

namespace vexhost::detail {

HostState& Host() {
  static HostState* host = new HostState();  // lives as long as the process: modules may outlive sessions
  return *host;
}

void SetObjectName(const VexBaseUnknown* object, const std::string& name) { Host().Objects.SetName(object, name); }

std::string Describe(const VexBaseUnknown* object) {
  if (object == nullptr) return "null";
  std::string name = Host().Objects.NameOf(object);
  return name.empty() ? "(unnamed)" : name;
}

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

std::string Code(long long value) { return std::to_string(value); }

void Boundary(const char* op, const VexBaseUnknown* on, std::vector<std::string> args) {
  HostState& host = Host();
  if (host.InternalDepth > 0) return;
  const std::string receiver = on != nullptr ? Describe(on) : std::string();
  host.TheJournal.Append({op, receiver, std::move(args), std::string(ModuleToHost), {}});
  if (auto kind = host.Faults.ShouldRaise(op, receiver)) {
    RaiseHostError(*kind, std::string("host error raised by the fault plan at ") + op);
  }
}

void BoundaryConstruct(const char* op, const VexBaseUnknown* object, std::vector<std::string> args) {
  HostState& host = Host();
  if (host.InternalDepth > 0) return;
  host.ConstructedObject = object;
  host.ConstructionEntry = host.TheJournal.Size();
  Boundary(op, object, std::move(args));
}

void ConstructedAs(const VexBaseUnknown* object, const char* hostClass, std::vector<std::string> args) {
  HostState& host = Host();
  if (host.InternalDepth > 0 || host.ConstructedObject != object) return;
  auto& entries = const_cast<std::vector<JournalEntry>&>(host.TheJournal.Entries());
  if (host.ConstructionEntry >= entries.size()) return;
  entries[host.ConstructionEntry].Op = hostClass;
  if (!args.empty()) entries[host.ConstructionEntry].Args = std::move(args);
  // Each level of a construction can be made to fail under its own class name.
  if (auto kind = host.Faults.ShouldRaise(hostClass, Describe(object))) {
    RaiseHostError(*kind, std::string("host error raised by the fault plan at ") + hostClass);
  }
}

void JournalOnly(const char* op, const VexBaseUnknown* on, std::vector<std::string> args) {
  HostState& host = Host();
  if (host.InternalDepth > 0) return;
  host.TheJournal.Append({op, on != nullptr ? Describe(on) : std::string(), std::move(args), std::string(ModuleToHost), {}});
}

void Boundary(const char* op, std::vector<std::string> args) { Boundary(op, nullptr, std::move(args)); }

std::size_t IntoModule(const char* op, const VexBaseUnknown* on, std::vector<std::string> args) {
  return Host().TheJournal.Append({op, on != nullptr ? Describe(on) : std::string(), std::move(args),
                                   std::string(HostToModule), {}});
}

}  // namespace vexhost::detail
