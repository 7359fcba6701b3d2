// The declared arguments bound to the parser: what a parse fills in and
// answers, and what it refuses.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/arguments.h"

namespace binario {
namespace {

// A program with one subcommand of every kind of argument, and a second
// subcommand, as the program's own are declared.
struct Program {
  Command program{"prog", "A program"};
  std::string colour = "auto";
  bool quiet = false;
  Command* draw = nullptr;
  Command* other = nullptr;
  std::vector<std::string> inputs;
  std::string output;
  std::optional<std::string> label;
  std::optional<double> rate;
  std::string cell;
  std::string metre;
  bool json = false;
  const Argument* cell_arg = nullptr;
  const Argument* metre_arg = nullptr;
  const Argument* output_arg = nullptr;

  Program() {
    program.add_option("--color", &colour, "Colour").member_of({"auto", "never"}).type_name("WHEN");
    program.add_flag("-q,--quiet", &quiet, "Quiet");
    draw = &program.add_subcommand("draw", "Draw something");
    draw->add_option("INPUT", &inputs, "The inputs").required().expected(1, 2).type_name("IN");
    output_arg = &draw->add_option("-o,--output", &output, "Output").type_name("FILE");
    draw->add_option("--label", &label, "Label");
    draw->add_option("--rate", &rate, "Rate").type_name("R");
    cell_arg = &draw->add_option("--cell", &cell, "Cell").type_name("N");
    metre_arg = &draw->add_option("--at", &metre, "Metre").type_name("METRE").excludes(*cell_arg);
    draw->add_flag("--json", &json, "JSON");
    draw->footer("Forms:\n  prog draw IN");
    other = &program.add_subcommand("other", "Something else");
  }

  ParseOutcome parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "prog");
    out.str("");
    err.str("");
    return parse_command_line(program, arguments, out, err);
  }

  std::ostringstream out;
  std::ostringstream err;
};

TEST(CommandLine, FillsTheVariablesAndTellsWhatWasGiven) {
  Program p;
  ASSERT_EQ(p.parse({"--color", "never", "draw", "a", "/b", "--label", "x y", "--rate", "2.5",
                     "--at", "12", "--json"}),
            ParseOutcome::kRun);
  EXPECT_EQ(p.colour, "never");
  EXPECT_FALSE(p.quiet);
  EXPECT_EQ(p.inputs, (std::vector<std::string>{"a", "/b"}));  // '/' starts a path
  EXPECT_EQ(p.label, "x y");
  EXPECT_EQ(p.rate, 2.5);
  EXPECT_EQ(p.metre, "12");
  EXPECT_TRUE(p.json);
  EXPECT_TRUE(p.metre_arg->given());
  EXPECT_FALSE(p.cell_arg->given());
  EXPECT_FALSE(p.output_arg->given());
  EXPECT_TRUE(p.draw->parsed());
  EXPECT_FALSE(p.other->parsed());

  // An empty value given is still given.
  Program q;
  ASSERT_EQ(q.parse({"draw", "a", "-o", ""}), ParseOutcome::kRun);
  EXPECT_TRUE(q.output_arg->given());
  EXPECT_FALSE(q.rate.has_value());

  Program none;
  ASSERT_EQ(none.parse({"-q"}), ParseOutcome::kRun);
  EXPECT_TRUE(none.quiet);
  EXPECT_FALSE(none.draw->parsed());
  EXPECT_FALSE(none.other->parsed());
}

TEST(CommandLine, RefusesWhatTheDeclarationsForbid) {
  const std::vector<std::vector<std::string>> refused = {
      {"draw"},                                   // a required positional missing
      {"draw", "a", "b", "c"},                    // more values than expected
      {"draw", "a", "--cell", "1", "--at", "2"},  // excluded by each other
      {"draw", "a", "--at", "2", "--cell", "1"},
      {"--color", "sometimes"},         // not a member
      {"draw", "a", "--rate", "fast"},  // not a number
  };
  for (const std::vector<std::string>& arguments : refused) {
    Program p;
    EXPECT_EQ(p.parse(arguments), ParseOutcome::kRefused) << arguments.back();
    EXPECT_NE(p.err.str(), "") << arguments.back();
    EXPECT_EQ(p.out.str(), "") << arguments.back();
    EXPECT_FALSE(p.draw->parsed());
  }
}

TEST(CommandLine, HelpShowsTheDeclarationsInTheirOrder) {
  Program p;
  ASSERT_EQ(p.parse({"draw", "--help"}), ParseOutcome::kAnswered);
  const std::string help = p.out.str();
  EXPECT_EQ(p.err.str(), "");
  EXPECT_NE(help.find("-o,--output FILE"), std::string::npos) << help;
  EXPECT_LT(help.find("--label"), help.find("--rate")) << help;
  EXPECT_LT(help.find("--at METRE"), help.find("--json")) << help;
  EXPECT_NE(help.find("Forms:\n  prog draw IN"), std::string::npos) << help;

  Program q;
  ASSERT_EQ(q.parse({"--help"}), ParseOutcome::kAnswered);
  EXPECT_NE(q.out.str().find("--color WHEN"), std::string::npos) << q.out.str();
  EXPECT_EQ(q.out.str().find("never"), std::string::npos) << q.out.str();  // members not listed
}

}  // namespace
}  // namespace binario
