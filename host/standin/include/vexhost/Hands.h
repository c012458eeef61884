// A user's hands: acts on the open dialogs by name, as a person would, and produces exactly the
// notifications the real widgets send. An action a person could not make (pressing a button that
// is hidden or insensitive, typing into an editor of an insensitive frame or window, choosing in a
// panel that is not shown) is refused with a reason.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace vexhost {

class Session;

class Refused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Hands {
 public:
  explicit Hands(Session& session) : _Session(session) {}

  void PressOK(const std::string& dialog);
  void PressCancel(const std::string& dialog);
  void CloseWindow(const std::string& dialog);
  // The OK of a message box such as the error box.
  void Acknowledge(const std::string& dialog);
  // Chooses a class in the object-class frame `frame` of `dialog` (any text, also empty), as when
  // the user enters it in the frame.
  void ChooseClass(const std::string& dialog, const std::string& frame, const std::string& className);
  // Opens the class browser: the classes it offers. Refused when its button is insensitive.
  std::vector<std::string> Browse(const std::string& dialog, const std::string& frame);
  // Chooses a class offered by the browser.
  void ChooseInBrowser(const std::string& dialog, const std::string& frame, const std::string& className);
  // Replaces the text of an editor.
  void Type(const std::string& dialog, const std::string& editor, const std::string& text);

 private:
  Session& _Session;
};

}  // namespace vexhost
