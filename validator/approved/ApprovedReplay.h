// How the replay of a changed path ends: with what the approved record saw at its end, written as
// the script's expectations, so that the replay fails on what changed and prints the approved
// value against the one found. A change no expectation can read (the calls across the boundary, a
// state's name, a drawing's details) ends the replay with a comment that says what to compare.
#pragma once

#include <string>
#include <vector>

namespace vexvalidator {

// The expectations that hold for what a person sees at a run's end, as a record writes it (its
// "running: ..." line, "hidden: ..." line, drawing and "products: ..." lines); `against`, the same
// of this run, adds the part numbers this run changed where the approved record did not.
std::vector<std::string> SeenExpectations(const std::string& approvedSeen, const std::string& against = {});

// The lines that end the replay: a comment, then the approved record's expectations when they tell
// the two ends apart; else a comment alone saying that the ends look alike and what to compare.
std::vector<std::string> ApprovedEnding(const std::string& approvedSeen, const std::string& nowSeen);

// What a person sees at the end of a path's section: its lines after "-- the end", up to the calls
// as the host ends the run.
std::string SeenAtEnd(const std::string& pathSection);

}  // namespace vexvalidator
