// The page's session as a script: the lines of what was done, in order, then the end it reached
// written as expectations, so that `vexhost --script` replays it, with the module, resources and
// document it was recorded with, and checks that it ends the same.
#pragma once

#include <string>
#include <vector>

namespace vexdrive {
class Desk;
struct Options;
}  // namespace vexdrive

namespace vexweb {

class Recording {
 public:
  // A new recording of a session run with these options: its replay names their fault plan, then
  // --check, their module, resources and document (as absolute paths; one that is empty is left to
  // vexhost's default). Throws vexdrive::BadInput
  // when one of those paths cannot be written on a script line (a control character, bytes that
  // are not UTF-8): the replay could not name it.
  void Begin(const vexdrive::Options& options);
  void Add(const std::string& line) { _Lines.push_back(line); }
  const std::vector<std::string>& Lines() const { return _Lines; }
  // The vexhost options the replay needs, as they are, and each as a shell word.
  const std::vector<std::string>& Arguments() const { return _Arguments; }
  std::vector<std::string> ShellArguments() const;
  // The command that replays the downloaded script, quoted for the shell.
  std::string ReplayCommand() const;

  // The script: how to replay it, the lines, the expectations of the end as the desk shows it now,
  // and the product tree.
  std::string Script(vexdrive::Desk& desk) const;

 private:
  std::vector<std::string> _Arguments;
  std::vector<std::string> _Lines;
};

// What a person sees at the end, as `expect` lines in the forms that serve any module: whether a
// command runs; each open dialog, shown or hidden; in a shown one its title, its message or the
// sensitivity of its OK and Cancel, and each widget's text, sensitivity or hiding; every product
// with its children and part number. What no script line can name (a dialog whose name holds a
// '/', a control character in a name or a text) is left as a comment saying so.
std::vector<std::string> EndExpectations(vexdrive::Desk& desk);

// The word as a POSIX shell reads it back: as it is when it holds nothing the shell treats
// specially, else in single quotes.
std::string ShellWord(const std::string& word);

}  // namespace vexweb
