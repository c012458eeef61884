// The stand-in host's internal state and the one gate every boundary call passes. Not part of
// the contracts and never included by the module.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "vex/Application.h"
#include "vex/Base.h"
#include "vex/Command.h"
#include "vex/Dialogs.h"
#include "vex/Dictionary.h"
#include "vex/ErrorBox.h"
#include "vex/ObjectClassFrame.h"
#include "vex/Products.h"
#include "vex/StateCommand.h"
#include "vexhost/Session.h"

namespace vexhost {

// Reaches the private state of host classes; only the stand-in uses it.
struct Inspect {
  static std::uint32_t& RefCount(VexBaseUnknown& object) { return object._RefCount; }
  static void LastRelease(VexBaseUnknown& object) { object.OnLastRelease(); }
  static auto& AnalyseCallbacks(VexCommand& command) { return command._AnalyseCallbacks; }

  // Dialogs
  static VexDialog*& Parent(VexDialog& dialog) { return dialog._Parent; }
  static VexDialog* Parent(const VexDialog& dialog) { return dialog._Parent; }
  static auto& Children(VexDialog& dialog) { return dialog._Children; }
  static const auto& Children(const VexDialog& dialog) { return dialog._Children; }
  static const auto& Attachments(const VexDialog& dialog) { return dialog._Attachments; }
  static unsigned& Visibility(VexDialog& dialog) { return dialog._Visibility; }
  static unsigned Visibility(const VexDialog& dialog) { return dialog._Visibility; }
  static unsigned Sensitivity(const VexDialog& dialog) { return dialog._Sensitivity; }
  static VexDialogStyle Style(const VexDialog& dialog) { return dialog._Style; }
  static const VexUnicodeString& Title(const VexDialog& dialog) { return dialog._Title; }
  static unsigned OKSensitivity(const VexDlgDialog& dialog) { return dialog._OKSensitivity; }
  static VexNotification* OK(const VexDlgDialog& dialog) { return dialog._OKNotification; }
  static VexNotification* CancelNotification(const VexDlgDialog& dialog) { return dialog._CancelNotification; }
  static VexNotification* Close(const VexDlgDialog& dialog) { return dialog._CloseNotification; }
  static VexNotification* OK(const VexDlgNotify& box) { return box._OKNotification; }
  static const VexUnicodeString& Text(const VexDlgNotify& box) { return box._Text; }
  static auto& Lines(VexDlgEditor& editor) { return editor._Lines; }
  static const auto& Lines(const VexDlgEditor& editor) { return editor._Lines; }
  static int VisibleTextHeight(const VexDlgEditor& e) { return e._VisibleTextHeight; }
  static int VisibleTextWidth(const VexDlgEditor& e) { return e._VisibleTextWidth; }
  static int MaxCharacterWidth(const VexDlgEditor& e) { return e._MaxCharacterWidth; }
  static const auto& Lines(const VexDlgCombo& combo) { return combo._Lines; }
  static int Shown(const VexDlgCombo& combo) { return combo._Shown; }
  static VexUnicodeString& SelectedClass(VexStrObjectClassFrame& frame) { return frame._SelectedClass; }
  static VexDlgEditor* Editor(const VexStrObjectClassFrame& frame) { return frame._Editor; }
  static VexDlgPushButton* BrowserButton(const VexStrObjectClassFrame& frame) { return frame._BrowserButton; }
  static VexNotification* Notification(const VexStrObjectClassFrame& frame) { return frame._Notification; }

  // The engine
  static bool& Valued(VexDialogAgent& agent) { return agent._Valued; }
  static bool Valued(const VexDialogAgent& agent) { return agent._Valued; }
  static const auto& Acceptances(const VexDialogAgent& agent) { return agent._Acceptances; }
  static void AcceptFrom(VexDialogAgent& agent, VexCommand* sender, VexNotification* notification) {
    agent._Acceptances.push_back({sender, notification, {}});
  }
  static VexNotification*& AgentNotification(VexDialogAgent& agent) { return agent._LastNotification; }
  static const auto& Agents(const VexDialogState& state) { return state._Agents; }
  static VexDialogState*& CurrentState(VexStateCommand& command) { return command._CurrentState; }
  static VexDialogState* InitialState(const VexStateCommand& command) { return command._InitialState; }
  static VexDialogState* CurrentState(const VexStateCommand& command) { return command._CurrentState; }
  static VexDialogAgent*& LastModifiedAgent(VexStateCommand& command) { return command._LastModifiedAgent; }
  static VexNotification*& LastNotification(VexStateCommand& command) { return command._LastNotification; }
  static const auto& Transitions(const VexStateCommand& command) { return command._Transitions; }
  static VexDialogState* From(const VexDialogTransition& t) { return t._From; }
  static VexDialogState* To(const VexDialogTransition& t) { return t._To; }
  static VexStateCondition* Condition(const VexDialogTransition& t) { return t._Condition; }
  static VexDiaAction* Action(const VexDialogTransition& t) { return t._Action; }
  static bool IsLastModifiedAgentKind(const VexStateCondition& c) {
    return c._Kind == VexStateCondition::Kind::LastModifiedAgent;
  }
  static VexDialogAgent* Agent(const VexStateCondition& c) { return c._Agent; }
  static VexNotification* Notification(const VexStateCondition& c) { return c._Notification; }
  static VexActionMethod Method(const VexDiaAction& a) { return a._Method; }
  static void* Data(const VexDiaAction& a) { return a._Data; }

  // The product model
  static VexPathElement*& ActivePath(VexFrmEditor& editor) { return editor._ActivePath; }
  static const auto& Objects(const VexPathElement& path) { return path._Objects; }
  static VexFrmEditor* NewEditor();
  static VexDlgWindow*& MainWindow(VexFrmLayout& layout) { return layout._MainWindow; }
  static VexFrmLayout* NewLayout();

  static Session::State& State(Session& session) { return *session._State; }
};

namespace detail {

struct ObjectRecord {
  std::string Name;
  bool Infrastructure = false;  // owned by the session (layout, documents, products)
  bool Dead = false;            // its last reference was released; memory reclaimed later
};

// Every host object, alive or awaiting reclamation.
class Registry {
 public:
  void Add(VexBaseUnknown* object, bool infrastructure);
  void Remove(VexBaseUnknown* object);
  void SetName(const VexBaseUnknown* object, std::string name);
  std::string NameOf(const VexBaseUnknown* object) const;
  bool Contains(const VexBaseUnknown* object) const;
  bool IsDead(const VexBaseUnknown* object) const;
  void MarkDead(VexBaseUnknown* object);
  void RecordOverRelease(const VexBaseUnknown* object);
  // Frees the objects whose last reference was released. The session's own objects (products,
  // editor, layout) may still be pointed to by the document while it is open, so they are freed
  // only when `sessionObjectsToo` says the document is gone.
  void Reclaim(bool sessionObjectsToo);
  const std::unordered_map<const VexBaseUnknown*, ObjectRecord>& Objects() const { return _Objects; }
  const std::vector<std::string>& OverReleases() const { return _OverReleases; }
  void ClearOverReleases() { _OverReleases.clear(); }

 private:
  std::unordered_map<const VexBaseUnknown*, ObjectRecord> _Objects;
  std::vector<VexBaseUnknown*> _Graveyard;
  std::vector<std::string> _OverReleases;
};

struct ModuleState {
  LoadRecord Record;
  bool Loaded = false;
};

struct HostState {
  Journal TheJournal;
  FaultPlan Faults;
  Registry Objects;
  std::vector<CaughtError> Errors;
  std::vector<VexCommand*> Delayed;  // objects awaiting delayed destruction, in request order
  std::map<std::string, VexCreateFunction> Dictionary;
  std::map<std::string, ModuleState> Modules;
  std::string LoadingModule;
  std::string CreatingCommand;  // the dictionary name of the command the host is creating
  // The journal entry of the construction under way, renamed to the most derived host class.
  const void* ConstructedObject = nullptr;
  std::size_t ConstructionEntry = 0;  // the module being loaded, while dlopen runs
  Session* CurrentSession = nullptr;
  int InternalDepth = 0;        // > 0: allocations are the host's own work
  int InfrastructureDepth = 0;  // > 0: new objects belong to the session
};

HostState& Host();

// Scopes marking the host's own work: not journaled, not faulted.
struct InternalScope {
  InternalScope() { ++Host().InternalDepth; }
  ~InternalScope() { --Host().InternalDepth; }
  InternalScope(const InternalScope&) = delete;
  InternalScope& operator=(const InternalScope&) = delete;
};
struct InfrastructureScope {
  InfrastructureScope() { ++Host().InfrastructureDepth; }
  ~InfrastructureScope() { --Host().InfrastructureDepth; }
  InfrastructureScope(const InfrastructureScope&) = delete;
  InfrastructureScope& operator=(const InfrastructureScope&) = delete;
};

// While the host calls into the module, the module's own calls are boundary calls again.
struct ModuleScope {
  ModuleScope() : _Saved(Host().InternalDepth) { Host().InternalDepth = 0; }
  ~ModuleScope() { Host().InternalDepth = _Saved; }
  ModuleScope(const ModuleScope&) = delete;
  ModuleScope& operator=(const ModuleScope&) = delete;

 private:
  int _Saved;
};

template <class T, class... Args>
T* MakeInternal(Args&&... args) {
  InternalScope internal;
  T* object = new T(std::forward<Args>(args)...);
  if (object == nullptr) std::abort();  // the host's own allocations never fail on purpose
  return object;
}

// The C++ class of an object, for reports.
std::string ClassOf(const VexBaseUnknown* object);

// Text forms of arguments for the journal.
std::string Describe(const VexBaseUnknown* object);
std::string Quote(const std::string& text);
std::string Code(long long value);

// The gate for a call from the module into the host: journals it and lets the fault plan raise.
void Boundary(const char* op, const VexBaseUnknown* on, std::vector<std::string> args = {});
// Journals a call that must not fail (a destructor's).
void JournalOnly(const char* op, const VexBaseUnknown* on, std::vector<std::string> args = {});
// The same for a static operation.
void Boundary(const char* op, std::vector<std::string> args = {});
// Journals a call from the host into the module; the returned index takes its result.
std::size_t IntoModule(const char* op, const VexBaseUnknown* on, std::vector<std::string> args = {});

// A host constructor's gate: journals and faults under the base class's operation name; the
// derived constructors then rename the entry with ConstructedAs, so a construction is one entry.
void BoundaryConstruct(const char* op, const VexBaseUnknown* object, std::vector<std::string> args);
void ConstructedAs(const VexBaseUnknown* object, const char* hostClass, std::vector<std::string> args = {});

[[noreturn]] void RaiseHostError(ErrorKind kind, const std::string& message);

// Reference counting without the journal: the host's own holds.
void Ref(VexBaseUnknown* object);
void Unref(VexBaseUnknown* object);

// Runs a call into the module; a host error that escapes it is taken by the host's top level.
// Returns false when an error escaped.
bool AtTopLevel(const char* where, const std::function<void()>& call);

void SetObjectName(const VexBaseUnknown* object, const std::string& name);

}  // namespace detail
}  // namespace vexhost
