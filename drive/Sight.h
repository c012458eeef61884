// What a person meets of one window or widget of an open window, addressed by the names a script
// uses (DIALOG, or DIALOG/WIDGET): whether it is shown and usable as what holds it makes it, the
// title a person reads and the text it holds. The checks of any module's dialogs and the recorded
// session's closing expectations both read it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "vexhost/Snapshot.h"

namespace vexdrive {

// A script's address of a window or a widget: "DIALOG" or "DIALOG/WIDGET", split at the first '/'.
struct Address {
  std::string Dialog;
  std::string Widget;  // empty: the window itself
  std::string Text() const { return Widget.empty() ? Dialog : Dialog + "/" + Widget; }
  bool operator==(const Address&) const = default;
};

// Splits a written address. Throws LineError for an empty dialog or widget name ("/W", "D/").
Address ParseAddress(const std::string& written);

struct Sighting {
  std::string Kind;                 // "dialog", "message box", "button" (a window's OK or Cancel), or the host class
  bool Shown = false;               // it and everything that holds it shown
  bool Sensitive = false;           // it and everything up to its window sensitive
  std::string GreyedBy;             // when it is sensitive itself but greyed out: the container that greys it
  std::string Title;                // as a person reads it: its title, else its name
  std::optional<std::string> Text;  // an editor's lines, a label's title, the line a combo shows, a message
                                    // box's text; nothing for what holds no text
};

// Whether the window is a message box (a window with OK and a text, no Cancel).
bool IsMessageBox(const vexhost::WidgetView& window);

// The window itself (an empty widget name), one of its widgets, or its OK or Cancel button; nothing
// when it has no such widget.
std::optional<Sighting> Meet(const vexhost::WidgetView& window, const std::string& widget);

// Every name a script can give after "DIALOG/" in this window: its widgets in the order of its tree,
// then OK and Cancel where it has them.
std::vector<std::string> WidgetNames(const vexhost::WidgetView& window);

}  // namespace vexdrive
