// `expect` lines: assertions on what the desk shows, so that a script is also a test.
#pragma once

#include <string>
#include <vector>

#include "Desk.h"

namespace vexdrive {

struct Profile;

struct Verdict {
  bool Passed = false;
  std::string Expected;
  std::string Found;
};

// What a script measured of its own steps so far, for `expect steps within MS`.
struct StepTimes {
  std::string Slowest;  // the slowest step's line; empty before the first step
  double SlowestMs = 0;
};

// Checks the expectation written after `expect`. Throws LineError when the words are not one.
// The short forms (ok, browser, editor, error) read the dialogs the profile names.
Verdict CheckExpectation(Desk& desk, const std::string& words, const StepTimes& times = {},
                         const Profile* profile = nullptr);

// The forms of an expectation and what each checks, for help texts.
struct ExpectationForm {
  const char* Form;
  const char* Meaning;
};
extern const std::vector<ExpectationForm> ExpectationForms;
// "count, child, ...": the first word of each form.
std::string ExpectationKinds();

}  // namespace vexdrive
