// Reads what `vexhost validate` wrote, for the tests' scripts:
//   vexvalidator_report finding REPORT.json KIND TEXT   the replay file of the first finding of KIND
//                                                       whose message holds TEXT (exit 1: none)
//   vexvalidator_report clean REPORT.json               exit 0 when the report has no finding
//   vexvalidator_report note REPORT.json TEXT           exit 0 when a note holds TEXT
//   vexvalidator_report partial REPORT.json             why the validation stopped early (exit 1: it
//                                                       did not)
//   vexvalidator_report groups REPORT.json KIND         how many findings of KIND there are
//   vexvalidator_report junit REPORT.xml                exit 0 when the JUnit XML is well-formed and
//                                                       its counts add up
//   vexvalidator_report summary REPORT.json             "CASES SECONDS CASES-PER-SECOND"
//   vexvalidator_report same A.json B.json              exit 0 when two validations ran the same cases
//                                                       and found the same
#include <tinyxml2.h>

#include <fstream>
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

namespace {

nlohmann::json ReadJson(const std::string& path) {
  std::ifstream in(path);
  return nlohmann::json::parse(in);
}

int Finding(const nlohmann::json& report, const std::string& kind, const std::string& text) {
  for (const auto& finding : report.at("findings")) {
    const std::string message = finding.at("message");
    if (finding.at("kind") == kind && message.find(text) != std::string::npos) {
      std::cout << finding.at("replayFile").get<std::string>() << "\n" << message << "\n";
      return 0;
    }
  }
  std::cerr << "no " << kind << " finding holds \"" << text << "\"; the findings are:\n";
  for (const auto& finding : report.at("findings")) {
    std::cerr << "  " << finding.at("kind").get<std::string>() << ": " << finding.at("message").get<std::string>()
              << "\n";
  }
  return 1;
}

int Note(const nlohmann::json& report, const std::string& text) {
  for (const auto& note : report.at("notes")) {
    if (note.get<std::string>().find(text) != std::string::npos) return 0;
  }
  return 1;
}

int JUnit(const std::string& path) {
  tinyxml2::XMLDocument document;
  if (document.LoadFile(path.c_str()) != tinyxml2::XML_SUCCESS) {
    std::cerr << path << ": not well-formed XML: " << document.ErrorStr() << "\n";
    return 1;
  }
  const tinyxml2::XMLElement* root = document.FirstChildElement("testsuites");
  if (root == nullptr) {
    std::cerr << path << ": no testsuites element\n";
    return 1;
  }
  int tests = 0;
  int failures = 0;
  for (const auto* suite = root->FirstChildElement("testsuite"); suite != nullptr;
       suite = suite->NextSiblingElement("testsuite")) {
    int suiteTests = 0;
    int suiteFailures = 0;
    for (const auto* test = suite->FirstChildElement("testcase"); test != nullptr;
         test = test->NextSiblingElement("testcase")) {
      ++suiteTests;
      suiteFailures += test->FirstChildElement("failure") != nullptr ? 1 : 0;
    }
    if (suiteTests != suite->IntAttribute("tests") || suiteFailures != suite->IntAttribute("failures")) {
      std::cerr << path << ": suite " << suite->Attribute("name") << " counts do not add up\n";
      return 1;
    }
    tests += suiteTests;
    failures += suiteFailures;
  }
  if (tests != root->IntAttribute("tests") || failures != root->IntAttribute("failures") || tests == 0) {
    std::cerr << path << ": the totals do not add up\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 2 ? argv[1] : "";
  try {
    if (what == "finding" && argc == 5) return Finding(ReadJson(argv[2]), argv[3], argv[4]);
    if (what == "clean" && argc == 3) return ReadJson(argv[2]).at("findings").empty() ? 0 : 1;
    if (what == "note" && argc == 4) return Note(ReadJson(argv[2]), argv[3]);
    if (what == "partial" && argc == 3) {
      const nlohmann::json partial = ReadJson(argv[2]).at("partial");
      if (partial.is_null()) return 1;
      std::cout << partial.get<std::string>() << "\n";
      return 0;
    }
    if (what == "groups" && argc == 4) {
      int groups = 0;
      const nlohmann::json report = ReadJson(argv[2]);
      for (const auto& finding : report.at("findings")) groups += finding.at("kind") == argv[3] ? 1 : 0;
      std::cout << groups << "\n";
      return 0;
    }
    if (what == "junit" && argc == 3) return JUnit(argv[2]);
    if (what == "same" && argc == 4) {
      nlohmann::json a = ReadJson(argv[2]);
      nlohmann::json b = ReadJson(argv[3]);
      // How long a finding's cases took is no part of what was found.
      for (nlohmann::json* report : {&a, &b}) {
        for (auto& finding : report->at("findings")) finding.erase("seconds");
      }
      for (const char* key : {"cases", "commands", "findings", "load"}) {
        if (a.at(key) != b.at(key)) {
          std::cerr << "the two validations differ in \"" << key << "\":\n" << a.at(key) << "\n" << b.at(key) << "\n";
          return 1;
        }
      }
      return 0;
    }
    if (what == "summary" && argc == 3) {
      const nlohmann::json report = ReadJson(argv[2]);
      std::cout << report.at("cases") << " " << report.at("seconds") << " " << report.at("casesPerSecond") << "\n";
      return 0;
    }
  } catch (const std::exception& error) {
    std::cerr << argv[2] << ": " << error.what() << "\n";
    return 2;
  }
  std::cerr << "usage: vexvalidator_report finding|clean|note|groups|junit|summary FILE [KIND TEXT|TEXT|KIND]\n";
  return 2;
}
