// The page's session as a script: the lines of what was done, in order, then the end it reached
// written as expectations, so that `vexhost --script` replays it and checks that it ends the same.
#pragma once

#include <string>
#include <vector>

namespace vexdrive {
class Desk;
}

namespace vexweb {

class Recording {
 public:
  // A new recording; `arguments` are the vexhost options the replay needs (document, faults),
  // written in the script quoted for the shell.
  void Begin(std::vector<std::string> arguments);
  void Add(const std::string& line) { _Lines.push_back(line); }
  const std::vector<std::string>& Lines() const { return _Lines; }
  const std::vector<std::string>& Arguments() const { return _Arguments; }

  // The script: how to replay it, the lines, the expectations of the end as the desk shows it now,
  // and the product tree.
  std::string Script(vexdrive::Desk& desk) const;

 private:
  std::vector<std::string> _Arguments;
  std::vector<std::string> _Lines;
};

// What a person sees at the end, as `expect` lines: whether a command runs, the dialogs and their
// state, and every product with its children and part number.
std::vector<std::string> EndExpectations(vexdrive::Desk& desk);

}  // namespace vexweb
