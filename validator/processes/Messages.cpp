#include "Messages.h"

#include <nlohmann/json.hpp>

#include "validator/case/Overloaded.h"

namespace vexvalidator {

namespace {

using nlohmann::json;

// Texts from the module need not be valid UTF-8: what is not is replaced, never refused.
std::string Line(const json& message) { return message.dump(-1, ' ', false, json::error_handler_t::replace) + "\n"; }

// The start of a refused line, printable as it is in any report.
std::string Excerpt(const std::string& line) {
  constexpr std::size_t Most = 80;
  std::string shown;
  for (std::size_t i = 0; i < line.size() && i < Most; ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c == '\n' && i + 1 == line.size()) break;
    shown += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?';
  }
  if (line.size() > Most) shown += "...";
  return "'" + shown + "'";
}

// Parses a line and hands its type and body to `decode`; any fault in either becomes a MessageError.
template <class Decode>
auto Decoded(const std::string& line, const char* what, Decode decode) {
  const json message = json::parse(line, nullptr, false);
  if (message.is_discarded() || !message.is_object()) {
    throw MessageError(std::string("not a JSON object, where ") + what + " was expected: " + Excerpt(line));
  }
  try {
    return decode(message.at("type").get<std::string>(), message);
  } catch (const json::exception& error) {
    throw MessageError(std::string("a malformed ") + what + " (" + error.what() + "): " + Excerpt(line));
  } catch (const MessageError& error) {
    throw MessageError(error.what() + (": " + Excerpt(line)));
  }
}

json Encode(const CaseResult& result) {
  json out{{"type", "result"}, {"n", result.N}, {"met", result.FaultMet}};
  // What a case did not show is left out: most cases show nothing.
  if (result.Stopped) out["stopped"] = true;
  if (result.Fatal) out["fatal"] = true;
  if (!result.Findings.empty()) {
    json findings = json::array();
    for (const auto& finding : result.Findings) {
      json pair{finding.Kind, finding.Message};
      // A finding of one step also names the step and the expectation its replay ends with.
      if (finding.Step >= 0) pair.insert(pair.end(), {finding.Step, finding.Expectation});
      findings.push_back(std::move(pair));
    }
    out["findings"] = std::move(findings);
  }
  if (!result.Fingerprint.empty()) {
    out["state"] = result.Fingerprint;
    out["running"] = result.Running;
    out["actions"] = result.Actions;
    if (!result.Shown.empty()) out["shown"] = result.Shown;
  }
  if (!result.Lines.empty()) out["lines"] = result.Lines;
  if (!result.Trail.empty()) out["trail"] = result.Trail;
  if (!result.Coverage.Empty()) out["coverage"] = result.Coverage;
  if (result.Seconds > 0) out["seconds"] = result.Seconds;
  return out;
}

CaseResult DecodeResult(const json& in) {
  CaseResult result;
  result.N = in.at("n").get<int>();
  result.FaultMet = in.at("met").get<bool>();
  result.Stopped = in.value("stopped", false);
  result.Fatal = in.value("fatal", false);
  for (const auto& finding : in.value("findings", json::array())) {
    if (finding.size() != 2 && finding.size() != 4) {
      throw MessageError("a finding is not a pair of kind and message, nor those with a step and an expectation");
    }
    result.Findings.push_back({finding.at(0).get<std::string>(), finding.at(1).get<std::string>()});
    if (finding.size() == 4) {
      result.Findings.back().Step = finding.at(2).get<int>();
      result.Findings.back().Expectation = finding.at(3).get<std::string>();
    }
  }
  result.Fingerprint = in.value("state", std::string());
  result.Running = in.value("running", false);
  result.Actions = in.value("actions", std::vector<std::string>{});
  result.Shown = in.value("shown", std::vector<std::string>{});
  result.Lines = in.value("lines", std::vector<std::string>{});
  result.Trail = in.value("trail", std::vector<std::string>{});
  if (in.contains("coverage")) result.Coverage = in.at("coverage").get<CaseCoverage>();
  result.Seconds = in.value("seconds", 0.0);
  return result;
}

json Encode(const RecordMessage& message) {
  json out{{"type", "record"}, {"cases", message.Cases}, {"outcome", message.Record.Outcome}};
  if (!message.Record.Lines.empty()) out["lines"] = message.Record.Lines;
  if (!message.Record.Ending.empty()) out["ending"] = message.Record.Ending;
  if (!message.Calls.empty()) out["calls"] = message.Calls;
  return out;
}

RecordMessage DecodeRecord(const json& in) {
  RecordMessage message;
  message.Cases = in.at("cases").get<std::vector<int>>();
  message.Record.Outcome = in.at("outcome").get<std::string>();
  message.Record.Lines = in.value("lines", std::vector<std::vector<std::string>>{});
  message.Record.Ending = in.value("ending", std::vector<std::string>{});
  message.Calls = in.value("calls", std::vector<std::uint64_t>{});
  if (!message.Calls.empty() && message.Calls.size() != message.Cases.size()) {
    throw MessageError("a record whose digests of calls are not one for each case");
  }
  return message;
}

}  // namespace

std::string EncodeJob(const Job& job) {
  json out{{"command", job.Command}, {"steps", job.Steps}};
  if (job.Record) out["record"] = true;
  std::visit(Overloaded{
                 [&](const ExplorationJob& work) {
                   out["type"] = "explore";
                   out["look"] = work.Look;
                 },
                 [&](const SweepJob& work) {
                   out["type"] = "sweep";
                   out["family"] = work.Family;
                   out["from"] = work.From;
                   out["last"] = work.Last;
                   out["skip"] = work.Skip;
                 },
                 [&](const RandomJob& work) {
                   out["type"] = "random";
                   out["seed"] = work.Seed;
                   out["index"] = work.Index;
                   out["length"] = work.Length;
                   out["products"] = work.Products;
                   out["avoid"] = work.Avoid;
                 },
             },
             job.Work);
  return Line(out);
}

Job DecodeJob(const std::string& line) {
  return Decoded(line, "job", [](const std::string& type, const json& in) {
    Job job;
    job.Command = in.at("command").get<std::string>();
    job.Steps = in.at("steps").get<std::vector<std::string>>();
    job.Record = in.value("record", false);
    if (type == "explore") {
      job.Work = ExplorationJob{in.at("look").get<bool>()};
    } else if (type == "sweep") {
      job.Work = SweepJob{in.at("family").get<int>(), in.at("from").get<int>(), in.at("last").get<int>(),
                          in.at("skip").get<std::vector<int>>()};
    } else if (type == "random") {
      job.Work =
          RandomJob{in.at("seed").get<std::uint64_t>(), in.at("index").get<int>(), in.at("length").get<int>(),
                    in.at("products").get<std::vector<std::string>>(), in.at("avoid").get<std::vector<std::string>>()};
    } else {
      throw MessageError("a job of unknown type '" + type + "'");
    }
    return job;
  });
}

std::string EncodeMessage(const WorkerMessage& message) {
  return Line(std::visit(
      Overloaded{
          [](const StepMessage& step) {
            return json{{"type", "step"}, {"line", step.Line}};
          },
          [](const CleanMessage& clean) {
            return json{
                {"type", "clean"}, {"cases", clean.Cases}, {"stopped", clean.Stopped}, {"seconds", clean.Seconds}};
          },
          [](const CaseResult& result) { return Encode(result); },
          [](const DoneMessage&) {
            return json{{"type", "done"}};
          },
          [](const RecordMessage& record) { return Encode(record); },
      },
      message));
}

WorkerMessage DecodeMessage(const std::string& line) {
  return Decoded(line, "message", [](const std::string& type, const json& in) -> WorkerMessage {
    if (type == "step") return StepMessage{in.at("line").get<std::string>()};
    if (type == "clean") {
      return CleanMessage{in.at("cases").get<int>(), in.at("stopped").get<std::vector<int>>(),
                          in.value("seconds", 0.0)};
    }
    if (type == "result") return DecodeResult(in);
    if (type == "done") return DoneMessage{};
    if (type == "record") return DecodeRecord(in);
    throw MessageError("a message of unknown type '" + type + "'");
  });
}

}  // namespace vexvalidator
