// vexhost: runs the module in the stand-in host, on a document, driven by a script or by hand.
#include <CLI/CLI.hpp>

#include <string>

#include "Defaults.h"
#include "ServeCommand.h"
#include "ValidateCommand.h"
#include "drive/Errors.h"
#include "drive/Options.h"
#include "drive/Script.h"
#include "drive/Text.h"
#include "profiles/InterimProduct.h"
#include "shell/Run.h"
#include "vexhost/FaultPlan.h"

namespace {

std::string CheckPositive(const std::string& text) {
  std::size_t end = 0;
  int value = 0;
  try {
    value = std::stoi(text, &end);
  } catch (const std::exception&) {
    end = 0;
  }
  return end == text.size() && value > 0 ? std::string() : "'" + text + "' is not a positive whole number";
}

std::string CheckRaise(const std::string& text) {
  std::string problem;
  return vexhost::FaultPlan::ParseRaise(text, problem) ? std::string() : problem;
}

std::string CheckStatus(const std::string& text) {
  std::string problem;
  return vexhost::FaultPlan::ParseStatus(text, problem) ? std::string() : problem;
}

std::string Footer() {
  return "\n" + vexdrive::Script::Help(&vexprofiles::InterimProductProfile()) +
         "\nvexhost validate MODULE.so validates a module (vexhost validate --help).\n" +
         "\nExit codes: 0 success; 1 a failed expect, or --check found host objects left alive or released too often,\n"
         "a misuse of the host, or a change of the process;\n"
         "2 bad usage or input (unknown option, unreadable or malformed document, module or script, bad script "
         "line).\n";
}

void AddOptions(CLI::App& app, vexdrive::Options& options) {
  app.add_option("--document", options.Document, "read the document from this JSON file (default: the embedded ship)")
      ->type_name("FILE");
  app.add_option("--module", options.Module, "load the module from this shared library")
      ->type_name("PATH")
      ->capture_default_str();
  app.add_option("--resources", options.Resources, "find the resource files in this directory")
      ->type_name("DIR")
      ->capture_default_str();
  app.add_option("--script", options.Script, "run the script in this file ('-': standard input, the default)")
      ->type_name("FILE");
  app.add_flag("-i,--interactive", options.Interactive,
               "prompt, redraw after each step, go on after a bad line (default on a terminal without --script)");
  app.add_option("--svg", options.Svg, "write the drawing of the last show (else of the end of the run) as SVG")
      ->type_name("FILE");
  app.add_option("--journal", options.Journal,
                 "write each call across the host-module boundary as a JSON line (op, on, args, dir, result)")
      ->type_name("FILE");
  app.add_option("--fail-alloc", options.FailAllocations, "fail the Nth host allocation (repeatable)")
      ->type_name("N")
      ->check(CLI::Validator(CheckPositive, ""))
      ->allow_extra_args(false);
  app.add_option("--raise", options.Raises,
                 "raise a host error (VexError or SystemError) at the Nth call of OP [on OBJECT] (repeatable)")
      ->type_name("OP[@OBJECT][#N][:KIND]")
      ->check(CLI::Validator(CheckRaise, ""))
      ->allow_extra_args(false);
  app.add_option("--status", options.Statuses,
                 "make the Nth call of OP [on OBJECT] answer a negative STATUS without raising; OP is one of the "
                 "factory's operations, QueryInterface or SetPartNumber; CreateInterimProduct=0 succeeds without an "
                 "object, GetResourceValueFromKey=0 finds no text (repeatable)")
      ->type_name("OP[@OBJECT][#N]=STATUS")
      ->check(CLI::Validator(CheckStatus, ""))
      ->allow_extra_args(false);
  app.add_flag("--check", options.Check,
               "end with the accounting report and what the module did to the process; exit 1 if host objects are "
               "left, over-released or called after they died, the host recorded a misuse, or the module wrote output "
               "or changed the process");
  app.add_flag("--print-document", options.PrintDocument, "print the embedded document as JSON and exit");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "validate")
    return vexapp::RunValidate(argc - 1, argv + 1, vexapp::DefaultResourceDir());
  vexdrive::Options options;
  options.Module = vexapp::DefaultModulePath();
  options.Resources = vexapp::DefaultResourceDir();
  options.ModuleProfile = &vexprofiles::InterimProductProfile();
  CLI::App app(
      "vexhost: runs the interim-product module in the stand-in host on a document, "
      "driven by a script or at a prompt.");
  AddOptions(app, options);
  const vexapp::ServeCommand serve(app);
  app.footer(Footer());
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);  // --help
    // The message may quote an argument: printable, and cut when long.
    std::cerr << vexdrive::Printable(vexdrive::Abbreviated(error.what(), vexdrive::MessageCharacters))
              << "\nRun with --help for more information.\n";
    return vexdrive::ExitBadInput;
  }
  return serve.Chosen() ? serve.Run(options) : vexshell::Run(options);
}
