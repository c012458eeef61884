// The application frame: the session's layout, its main window and the windows on it.
#pragma once

#include <vector>

#include "session/SessionState.h"
#include "vex/Application.h"
#include "vex/Dialogs.h"

namespace vexhost::detail {

class Layout : public VexFrmLayout {
 public:
  VexDlgWindow* MainWindow = nullptr;  // owned by the session
};

// The frame's part of a session.
struct FrameState {
  detail::Layout* Layout = nullptr;    // infrastructure; null without a layout
  VexDlgWindow* MainWindow = nullptr;  // infrastructure; null without a main window
  std::vector<VexDialog*> TopDialogs;  // alive, without a parent or children of the main window
};

inline FrameState& FrameOf(Session::State& session) { return session.Parts.Obtain<FrameState>(); }

// Makes the session's layout and its main window, as far as its options ask for them.
void OpenFrame(Session::State& session);
// Destroys them, and with the main window what is still on it.
void CloseFrame(Session::State& session);

}  // namespace vexhost::detail
