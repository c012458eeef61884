// The messages between the validator and its workers: each reads back as it was written, and a
// line that is not a well-formed message of a known type is refused, never guessed at.
#include <gtest/gtest.h>

#include <string>

#include "validator/processes/Messages.h"

using namespace vexvalidator;

namespace {

// What a decoder says of a line it refuses; empty when it took the line.
template <class Decode>
std::string Refusal(Decode decode, const std::string& line) {
  try {
    decode(line);
  } catch (const MessageError& error) {
    return error.what();
  }
  return "";
}

std::string RefusedMessage(const std::string& line) { return Refusal(DecodeMessage, line); }
std::string RefusedJob(const std::string& line) { return Refusal(DecodeJob, line); }

}  // namespace

TEST(Messages, EachJobReadsBackAsItWasWrittenButForWhatTheValidatorKeeps) {
  const Job explore{"VexCmd", {"start VexCmd", "press Dialog/OK"}, ExplorationJob{true, 17}};
  const std::string line = EncodeJob(explore);
  EXPECT_EQ(line.back(), '\n');
  EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line";
  const Job read = DecodeJob(line);
  EXPECT_EQ(read.Command, "VexCmd");
  EXPECT_EQ(read.Steps, explore.Steps);
  ASSERT_TRUE(std::holds_alternative<ExplorationJob>(read.Work));
  EXPECT_TRUE(std::get<ExplorationJob>(read.Work).Look);
  EXPECT_EQ(std::get<ExplorationJob>(read.Work).Path, 0U) << "the path's number stays with the validator";

  const Job sweep = DecodeJob(EncodeJob({"VexCmd", {"start VexCmd"}, SweepJob{4, 9, 100000, {2, 5}}}));
  ASSERT_TRUE(std::holds_alternative<SweepJob>(sweep.Work));
  const auto& swept = std::get<SweepJob>(sweep.Work);
  EXPECT_EQ(swept.Family, 4);
  EXPECT_EQ(swept.From, 9);
  EXPECT_EQ(swept.Last, 100000);
  EXPECT_EQ(swept.Skip, (std::vector<int>{2, 5}));

  const Job random = DecodeJob(
      EncodeJob({"VexCmd", {}, RandomJob{0xfedcba9876543210ULL, 12, 20, {"Hull/Block A"}, {"interrupt"}, 33}}));
  ASSERT_TRUE(std::holds_alternative<RandomJob>(random.Work));
  const auto& chosen = std::get<RandomJob>(random.Work);
  EXPECT_EQ(chosen.Seed, 0xfedcba9876543210ULL) << "a seed keeps all its 64 bits";
  EXPECT_EQ(chosen.Index, 12);
  EXPECT_EQ(chosen.Length, 20);
  EXPECT_EQ(chosen.Products, std::vector<std::string>{"Hull/Block A"});
  EXPECT_EQ(chosen.Avoid, std::vector<std::string>{"interrupt"});
  EXPECT_EQ(chosen.Test, 0U) << "the test's number stays with the validator";
}

TEST(Messages, EachWorkerMessageReadsBackAsItWasWritten) {
  const WorkerMessage step = DecodeMessage(EncodeMessage(StepMessage{"type Dialog/Editor \"a b\""}));
  ASSERT_TRUE(std::holds_alternative<StepMessage>(step));
  EXPECT_EQ(std::get<StepMessage>(step).Line, "type Dialog/Editor \"a b\"");

  const WorkerMessage clean = DecodeMessage(EncodeMessage(CleanMessage{256, {3, 7}}));
  ASSERT_TRUE(std::holds_alternative<CleanMessage>(clean));
  EXPECT_EQ(std::get<CleanMessage>(clean).Cases, 256);
  EXPECT_EQ(std::get<CleanMessage>(clean).Stopped, (std::vector<int>{3, 7}));

  EXPECT_TRUE(std::holds_alternative<DoneMessage>(DecodeMessage(EncodeMessage(DoneMessage{}))));

  CaseResult result;
  result.N = 5;
  result.FaultMet = true;
  result.Stopped = true;
  result.Fatal = true;
  result.Findings = {{"leak", "left alive: VexDlgDialog 'Panel'"}, {"exception", "std::bad_alloc"}};
  result.Fingerprint = "digest";
  result.Running = true;
  result.Actions = {"press Panel/Cancel"};
  result.Lines = {"start VexCmd"};
  const WorkerMessage read = DecodeMessage(EncodeMessage(result));
  ASSERT_TRUE(std::holds_alternative<CaseResult>(read));
  const auto& back = std::get<CaseResult>(read);
  EXPECT_EQ(back.N, 5);
  EXPECT_TRUE(back.FaultMet && back.Stopped && back.Fatal && back.Running);
  EXPECT_EQ(back.Findings, result.Findings);
  EXPECT_EQ(back.Fingerprint, "digest");
  EXPECT_EQ(back.Actions, result.Actions);
  EXPECT_EQ(back.Lines, result.Lines);

  const auto quiet = std::get<CaseResult>(DecodeMessage(EncodeMessage(CaseResult{})));
  EXPECT_FALSE(quiet.FaultMet || quiet.Stopped || quiet.Fatal || quiet.Running);
  EXPECT_TRUE(quiet.Findings.empty());
}

TEST(Messages, ATextThatIsNotUtf8IsReplacedNotRefused) {
  const WorkerMessage read = DecodeMessage(EncodeMessage(StepMessage{"type Dialog/Editor \xff\xfe"}));
  ASSERT_TRUE(std::holds_alternative<StepMessage>(read));
  EXPECT_EQ(std::get<StepMessage>(read).Line.rfind("type Dialog/Editor ", 0), 0U);
}

TEST(Messages, ALineThatIsNoMessageIsRefusedWithWhatIsWrong) {
  EXPECT_NE(RefusedMessage("Segmentation fault").find("not a JSON object"), std::string::npos);
  EXPECT_NE(RefusedMessage("[1, 2]").find("not a JSON object"), std::string::npos);
  EXPECT_NE(RefusedMessage("{\"n\": 1}").find("type"), std::string::npos) << "no type";
  EXPECT_NE(RefusedMessage("{\"type\": \"hello\"}").find("a message of unknown type 'hello'"), std::string::npos);
  EXPECT_NE(RefusedMessage("{\"type\": \"result\", \"n\": 1}").find("met"), std::string::npos) << "a field missing";
  EXPECT_NE(RefusedMessage("{\"type\": \"clean\", \"cases\": \"many\", \"stopped\": []}"), "")
      << "a field of the wrong type";
  EXPECT_NE(RefusedMessage("{\"type\": \"result\", \"n\": 1, \"met\": true, \"findings\": [[\"leak\"]]}"), "");
  // The refused line is shown, cut short and printable.
  const std::string long_line = "\x01" + std::string(200, 'x');
  const std::string said = RefusedMessage(long_line);
  EXPECT_NE(said.find("'?xxx"), std::string::npos) << said;
  EXPECT_NE(said.find("...'"), std::string::npos) << said;
  EXPECT_LT(said.size(), 160U) << said;
}

TEST(Messages, AJobOfUnknownTypeOrMissingWorkIsRefused) {
  EXPECT_NE(
      RefusedJob("{\"type\": \"dance\", \"command\": \"C\", \"steps\": []}").find("a job of unknown type 'dance'"),
      std::string::npos);
  EXPECT_NE(RefusedJob("{\"type\": \"sweep\", \"command\": \"C\", \"steps\": []}"), "") << "a sweep without its family";
  EXPECT_NE(RefusedJob("{\"type\": \"explore\", \"steps\": [], \"look\": true}"), "") << "no command";
  EXPECT_NE(RefusedJob(""), "");
}

TEST(Messages, AWatchedCaseReadsBackWithItsStepFindingsTrailCoverageAndTime) {
  CaseResult result;
  result.N = 0;
  result.FaultMet = false;
  result.Findings = {{kind::Leak, "left alive"}, {kind::DeadButton, "OK of 'P' does nothing", 2, "expect answered"}};
  result.Trail = {"a1", "b2", "b2"};
  result.Coverage.Transitions = {"S -> S when X", "S -> (end) when Y"};
  result.Coverage.Fired = {1};
  result.Coverage.Dialogs = {"P"};
  result.Coverage.Slowest = {{"start Cmd", 0.75}, {"press P/OK", 0.5}};
  result.Seconds = 0.125;
  const auto read = std::get<CaseResult>(DecodeMessage(EncodeMessage(result)));
  ASSERT_EQ(read.Findings.size(), 2U);
  EXPECT_EQ(read.Findings[0].Step, -1);
  EXPECT_EQ(read.Findings[1].Step, 2);
  EXPECT_EQ(read.Findings[1].Expectation, "expect answered");
  EXPECT_EQ(read.Trail, result.Trail);
  EXPECT_EQ(read.Coverage.Transitions, result.Coverage.Transitions);
  EXPECT_EQ(read.Coverage.Fired, result.Coverage.Fired);
  EXPECT_EQ(read.Coverage.Dialogs, result.Coverage.Dialogs);
  EXPECT_EQ(read.Coverage.Slowest, result.Coverage.Slowest);
  EXPECT_DOUBLE_EQ(read.Seconds, 0.125);

  const auto clean = std::get<CleanMessage>(DecodeMessage(EncodeMessage(CleanMessage{256, {3}, 1.5})));
  EXPECT_DOUBLE_EQ(clean.Seconds, 1.5);
  // A case that was not watched says nothing of it.
  const std::string plain = EncodeMessage(CaseResult{});
  EXPECT_EQ(plain.find("trail"), std::string::npos);
  EXPECT_EQ(plain.find("coverage"), std::string::npos);
}

TEST(Messages, AFindingOfThreePartsOrACoverageThatFiresWhatItDoesNotHoldIsRefused) {
  EXPECT_NE(RefusedMessage(R"({"type":"result","n":0,"met":true,"findings":[["leak","x",2]]})"), "");
  EXPECT_NE(RefusedMessage(R"({"type":"result","n":0,"met":true,"coverage":{"transitions":["a"],"fired":[1]}})"), "");
  EXPECT_EQ(RefusedMessage(R"({"type":"result","n":0,"met":true,"coverage":{"transitions":["a"],"fired":[0]}})"), "");
}
