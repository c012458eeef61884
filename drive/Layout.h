// The open dialogs laid out on a grid of character cells, from their widget trees and the
// attachments of each container. The text drawing and the SVG picture are both made from this
// one layout, so they always show the same thing.
#pragma once

#include <string>
#include <vector>

#include "vexhost/Snapshot.h"

namespace vexdrive {

enum class Look {
  Window,  // a dialog or message box: border with its title, its content, then its buttons
  Frame,   // a container with a border and, when it has one, its title in the border
  Label,
  Editor,
  Combo,
  Button,
  Separator,
  Message,  // the text of a message box
  Other,    // a widget of a class the drawing does not know: its class and name
};

// One thing drawn: where it stands, in character cells from the picture's top left, and what it
// shows.
struct Box {
  Look Kind = Look::Other;
  std::string Title;               // window, frame, label, button and combo text
  std::vector<std::string> Lines;  // editor and message lines
  bool Sensitive = true;           // as a person meets it: false also inside an insensitive window or frame
  std::string Name;                // the widget's (or window's) name; "OK" and "Cancel" for a window's buttons
  int MaxCharacters = 0;           // an editor's maximum width in characters: it takes no more; 0: none
  // Shown, but nothing a person does with it reaches a module: a combo (a person cannot choose its
  // line) and a push button other than a class frame's own browser (no notification of it exists).
  bool Inert = false;
  int X = 0;
  int Y = 0;
  int W = 0;
  int H = 0;
};

struct Picture {
  int Width = 0;
  int Height = 0;
  std::vector<Box> Boxes;  // a container comes before what it contains
};

// Lays the windows out one under the other. Only what a person sees is laid out: hidden widgets
// take no room.
Picture LayOut(const std::vector<vexhost::WidgetView>& windows);

// A title or label as drawn: in parentheses when the widget is insensitive (greyed out).
std::string Marked(const std::string& text, bool sensitive);
// Whether the picture holds a widget a person meets usable but that does nothing (Box::Inert).
bool HoldsInert(const Picture& picture);

}  // namespace vexdrive
