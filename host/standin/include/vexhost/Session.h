// The stand-in host's driver interface: one headless host session. It loads modules, starts
// commands through the dictionary, runs the state-command engine, holds the product model, and
// lets a test or a tool watch every boundary call, break the host on purpose and count what is
// left alive. One session exists at a time; it owns its journal, fault plan, caught errors,
// delayed destructions and the records of its objects. Only the loaded modules and the
// dictionary belong to the process.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "vexhost/Accounting.h"
#include "vexhost/Document.h"
#include "vexhost/FaultPlan.h"
#include "vexhost/Journal.h"

class VexCommand;
class VexDialog;
class VexDlgWindow;
class VexNotification;
class VexStateCommand;

namespace vexhost {

struct SessionOptions {
  std::vector<std::string> ResourceDirs;  // where resource files are found, in order
  bool WithLayout = true;                 // whether a current layout exists
  bool WithMainWindow = true;             // whether that layout has a main window
  // How many of the latest journal entries the session keeps in memory; 0 keeps every entry.
  std::size_t JournalWindow = 4096;
};

// What happened while a module was loaded.
struct LoadRecord {
  std::string Path;
  void* Handle = nullptr;               // what dlopen (LoadLibrary on Windows) returned
  std::vector<std::string> Events;      // "VexFillDictionary <name>", "DisableThreadLibraryCalls", in order
  std::vector<std::string> Registered;  // the names this module entered into the dictionary
  void* ThreadCallsDisabledFor = nullptr;
  std::vector<std::string> Violations;  // e.g. a name registered a second time
  // What else the module did wrong while it loaded: a call of the host besides registering, a
  // null or foreign handle for the thread-call switch, a command whose factory is not exported.
  // Each is also a misuse in the accounting of the session open while it loaded.
  std::vector<std::string> Misuses;
};

// A host error that reached an error scope or the host's top level.
struct CaughtError {
  std::string Kind;  // "VexError" or "VexSystemError"
  std::string Message;
  bool ReleasedByHandler = false;
  bool Escaped = false;  // not caught by an error scope: the host's top level took it
  std::string Where;     // for an escaped error, the host's call that it escaped from
};

class Session {
 public:
  explicit Session(SessionOptions options = {});
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  // Closes the session as the host closes a document: a running command is cancelled and
  // destroyed, delayed destructions run, and every host object of the session is destroyed. What
  // is still alive then outlived the session and is counted by LiveObjects().
  ~Session();

  static Session* Current();

  Journal& GetJournal();
  FaultPlan& Faults();

  // Modules and the dictionary belong to the process, not to a session.
  static const LoadRecord& LoadModule(const std::string& path);
  static void UnloadModule(const std::string& path);
  static std::vector<std::string> DictionaryNames();
  // Dictionary entries refused because their name was taken, in the process so far.
  static std::vector<std::string> RegistrationViolations();
  // Reads the resource files of these folders and reports each bad one on standard error, with its
  // place, once a process. A session does it for its folders when it opens; a tool that forks
  // workers calls it first, so that they do not report again.
  static void CheckResourceFolders(const std::vector<std::string>& dirs);

  // Starts a command by its registered name, as the user does: a running command is cancelled
  // and destroyed first. Returns the command, or null when its factory returned null or it ended
  // at once. Throws std::invalid_argument for a name the dictionary does not know.
  VexStateCommand* StartCommand(const std::string& name);
  VexStateCommand* RunningCommand() const;
  int CommandsEnded() const;
  // Cancels and destroys the running command, as when the user starts another one.
  void CancelRunningCommand();
  // Desactivates the running command and activates it again, as the host does around a command
  // that runs over it for a while (a view command, say). Returns false when no command runs.
  bool ReactivateRunningCommand();
  // A widget sends a notification: the engine offers it to the running command's agents.
  void Send(VexCommand* sender, VexNotification* notification);

  // The product model.
  // Throws std::invalid_argument, and keeps the document that is open, for a product or class
  // name that holds '/' or an active path that names no product.
  void OpenDocument(const DocumentData& data);
  // Closes the document and opens it again as it was opened, the module still loaded, as a person
  // does who closes a document without saving and opens it again: a running command is cancelled
  // first, as closing its document ends it. Returns false when no document is open.
  bool ReopenDocument();
  bool HasDocument() const;
  const DocumentData& DocumentView();                         // the document as it now stands
  void SetActivePath(const std::vector<std::string>& names);  // throws std::invalid_argument
  void RemoveEditor();
  const std::vector<std::string>& ClassCatalogue() const;
  // The classes an object-class frame of that family offers.
  std::vector<std::string> ClassesOfFamily(const std::string& family) const;

  VexDlgWindow* MainWindow() const;
  // Dialogs alive at the top of the tree: without a parent, or children of the main window; in
  // order of names.
  std::vector<VexDialog*> OpenDialogs() const;
  VexDialog* FindDialog(const std::string& name) const;

  bool BusyCursor() const;
  const std::vector<CaughtError>& Errors() const;
  const std::vector<std::string>& ResourceDirs() const;
  // The session's own objects: what is alive that should not be, unbalanced references,
  // over-releases and other calls on dead objects.
  AccountingReport Accounting() const;
  // Host objects alive in the process, whether or not a session is open: those of the open
  // session, and those that outlived theirs or were made outside any.
  static int LiveObjects();

  struct State;  // the stand-in's own

 private:
  std::unique_ptr<State> _State;
  friend State& StateOf(Session& session);
};

}  // namespace vexhost
