#include "Jobs.h"

namespace vexvalidator {

using nlohmann::json;

json ToJson(const Job& job) {
  json out{{"what", static_cast<int>(job.What)}, {"id", job.Id}, {"command", job.Command}, {"steps", job.Steps}};
  switch (job.What) {
    case Job::Kind::Explore:
      out["look"] = job.Look;
      break;
    case Job::Kind::Sweep:
      out["family"] = job.Family;
      out["from"] = job.From;
      out["last"] = job.Last;
      out["skip"] = job.Skip;
      break;
    case Job::Kind::Random:
      out["seed"] = job.Seed;
      out["index"] = job.Index;
      out["length"] = job.Length;
      out["products"] = job.Products;
      out["avoid"] = job.Avoid;
      break;
  }
  return out;
}

Job JobFromJson(const json& in) {
  Job job;
  job.What = static_cast<Job::Kind>(in.at("what").get<int>());
  job.Id = in.at("id");
  job.Command = in.at("command");
  job.Steps = in.at("steps").get<std::vector<std::string>>();
  job.Look = in.value("look", false);
  job.Family = in.value("family", 0);
  job.From = in.value("from", 1);
  job.Last = in.value("last", 1);
  job.Skip = in.value("skip", std::vector<int>{});
  job.Seed = in.value("seed", std::uint64_t{0});
  job.Index = in.value("index", 0);
  job.Length = in.value("length", 0);
  job.Products = in.value("products", std::vector<std::string>{});
  job.Avoid = in.value("avoid", std::vector<std::string>{});
  return job;
}

json ToJson(const CaseResult& result) {
  json out{{"n", result.N}, {"met", result.Met}};
  if (result.Stopped) out["stopped"] = true;
  if (result.Fatal) out["fatal"] = true;
  if (!result.Findings.empty()) {
    json findings = json::array();
    for (const auto& finding : result.Findings) findings.push_back({finding.Kind, finding.Message});
    out["findings"] = std::move(findings);
  }
  if (!result.Fingerprint.empty()) {
    out["state"] = result.Fingerprint;
    out["running"] = result.Running;
    out["actions"] = result.Actions;
  }
  if (!result.Lines.empty()) out["lines"] = result.Lines;
  return out;
}

CaseResult ResultFromJson(const json& in) {
  CaseResult result;
  result.N = in.at("n");
  result.Met = in.at("met");
  result.Stopped = in.value("stopped", false);
  result.Fatal = in.value("fatal", false);
  for (const auto& finding : in.value("findings", json::array())) {
    result.Findings.push_back({finding.at(0).get<std::string>(), finding.at(1).get<std::string>()});
  }
  result.Fingerprint = in.value("state", std::string());
  result.Running = in.value("running", false);
  result.Actions = in.value("actions", std::vector<std::string>{});
  result.Lines = in.value("lines", std::vector<std::string>{});
  return result;
}

}  // namespace vexvalidator
