// `vexhost validate MODULE.so`: the validator's command line.
#include "ValidateCommand.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "validator/Validate.h"
#include "validator/findings/Report.h"
#include "validator/findings/RulesReport.h"
#include "vexhost/Session.h"

namespace vexapp {

namespace {

void AddOptions(CLI::App& app, vexvalidator::ValidateOptions& options) {
  app.add_option("module", options.Module, "the module's shared library")->required()->type_name("MODULE.so");
  app.add_option("--document", options.Document,
                 "validate on the document in this JSON file (default: the embedded ship)")
      ->type_name("FILE");
  app.add_option("--resources", options.Resources, "find the resource files in this directory")
      ->type_name("DIR")
      ->capture_default_str();
  app.add_option("--json", options.Json, "write the report as JSON to this file")->type_name("FILE");
  app.add_option("--junit", options.JUnit, "write the report as JUnit XML to this file")->type_name("FILE");
  app.add_option("--replays", options.Replays, "write each finding's replay script into this directory")
      ->type_name("DIR");
  CLI::Option* approved =
      app.add_option("--approved", options.Approved,
                     "compare the module's behaviour with the approved one in this directory; write it there when "
                     "the directory holds none")
          ->type_name("DIR");
  app.add_flag("--approve", options.Approve,
               "write this run's behaviour into the --approved directory as the approved one, after a deliberate "
               "change (as does VEXHOST_UPDATE_GOLDEN=1)")
      ->needs(approved);
  app.add_option("--depth", options.Depth, "explore this many actions after the start")
      ->check(CLI::Range(0, 50))
      ->capture_default_str();
  app.add_option("--states", options.States, "tell apart at most this many states for each command")
      ->check(CLI::Range(1, 100000))
      ->capture_default_str();
  app.add_option("--random", options.RandomSequences, "run this many random sequences for each command")
      ->check(CLI::Range(0, 1000000))
      ->capture_default_str();
  app.add_option("--random-length", options.RandomLength, "lines of a random sequence, at most")
      ->check(CLI::Range(2, 10000))
      ->capture_default_str();
  app.add_option("--seed", options.Seed, "seed of the random sequences (default: a new one, printed)")->type_name("N");
  app.add_option("--jobs", options.Workers, "worker processes (default: one for each core)")
      ->check(CLI::Range(1, 256))
      ->type_name("N");
  app.add_option("--timeout", options.TimeLimitMs, "milliseconds a case may take before it counts as hung")
      ->check(CLI::Range(10, 3600000))
      ->type_name("MS")
      ->capture_default_str();
  app.add_option("--slow", options.SlowMs,
                 "milliseconds a step may take before it is a finding (longer than a person waits)")
      ->check(CLI::Range(1, 3600000))
      ->type_name("MS")
      ->capture_default_str();
  app.add_flag("--keeps-applied", options.KeepsApplied,
               "a command keeps what it applied before a Cancel, an Escape or its close box (an Apply that "
               "acts at once): such a Cancel may leave the document changed");
  // Answered as soon as it is read, as --help is: no module is needed.
  app.add_flag_callback(
         "--rules",
         [] {
           vexvalidator::WriteRules(std::cout);
           throw CLI::Success();
         },
         "print the host's rules the validator holds a module to: what it watches and cannot see of each")
      ->trigger_on_parse();
  app.add_flag_callback(
      "--no-watch", [&options] { options.WatchCalls = false; },
      "do not watch the module's system calls (only to measure what the watch costs; its findings are lost)");
  app.add_option("--time-limit", options.RunLimitSeconds,
                 "stop after this many seconds and write the reports of what ran, marked partial (default: none)")
      ->check(CLI::Range(1, 604800))
      ->type_name("S");
}

}  // namespace

int RunValidate(int argc, char** argv, const std::string& defaultResources) {
  vexvalidator::ValidateOptions options;
  options.Resources = defaultResources;
  CLI::App app(
      "vexhost validate: loads a command module into the stand-in host, drives every command it registers "
      "every way a host and a person can, breaks the host under it, and reports what the module got wrong, "
      "with a script that replays each finding.",
      "vexhost validate");
  AddOptions(app, options);
  app.footer(
      "\nExit codes: 0 no findings; 1 findings; 2 bad usage (unknown option, a module that cannot be loaded,\n"
      "a bad document or resource directory, a report that cannot be written); 130 and 143 after SIGINT and\n"
      "SIGTERM, which stop the validation: its reports are written all the same, marked partial.\n");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? vexvalidator::ExitClean : vexvalidator::ExitBadUsage;
  }
  options.Progress = isatty(STDERR_FILENO) != 0;
  // This program replays a slow finding to confirm it.
  std::error_code unknown;
  options.Host = std::filesystem::read_symlink("/proc/self/exe", unknown).string();
  // Bad resource files are said here, once, not again in every worker.
  vexhost::Session::CheckResourceFolders({options.Resources});
  // As for the shell's golden transcripts: a deliberate change is approved by running the tests so.
  const char* update = std::getenv("VEXHOST_UPDATE_GOLDEN");
  options.UpdateGolden = update != nullptr && std::string(update) == "1";
  return vexvalidator::Validate(options, std::cout, std::cerr);
}

}  // namespace vexapp
