// The arguments of the program and of each subcommand, declared where the
// subcommand lives and bound to variables of its own. Only command_line.cc
// knows the parser: the header-only parser costs seconds of compile time in
// every file that includes it, so the declarations here hold plain data and
// that one file turns them into the parser's options.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace binario {

struct CommandLineBinding;

// One option, flag or positional of a command, or its --version flag. The
// setters return the argument so that a declaration reads as one chain.
class Argument {
 public:
  // The variable the parse fills; std::monostate for --version.
  using Target = std::variant<std::monostate, std::string*, std::vector<std::string>*,
                              std::optional<std::string>*, std::optional<double>*, bool*>;

  // `names`: "-o,--output" for an option, "FILE" for a positional.
  Argument(std::string names, Target target, std::string description)
      : names_(std::move(names)), target_(target), description_(std::move(description)) {}

  // The command is refused without it.
  Argument& required() {
    required_ = true;
    return *this;
  }
  // How many values a positional of several values takes.
  Argument& expected(int min, int max) {
    expected_ = std::make_pair(min, max);
    return *this;
  }
  // The placeholder the help shows for the value (DIR, FILE...).
  Argument& type_name(std::string name) {
    type_name_ = std::move(name);
    return *this;
  }
  // Only these values are taken; the help does not list them.
  Argument& member_of(std::vector<std::string> values) {
    members_ = std::move(values);
    return *this;
  }
  // The command is refused when both are given.
  Argument& excludes(const Argument& other) {
    excluded_.push_back(&other);
    return *this;
  }

  // After the parse: the command line gave it.
  bool given() const { return given_; }

 private:
  friend struct CommandLineBinding;

  std::string names_;
  Target target_;
  std::string description_;  // for --version: what it prints
  bool required_ = false;
  std::optional<std::pair<int, int>> expected_;
  std::string type_name_;
  std::vector<std::string> members_;
  std::vector<const Argument*> excluded_;
  bool given_ = false;
};

// The program or one of its subcommands: its name, what the help says of it,
// and its arguments in the order the help lists them.
class Command {
 public:
  Command(std::string name, std::string description)
      : name_(std::move(name)), description_(std::move(description)) {}
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  // A subcommand; it lives as long as this command.
  Command& add_subcommand(std::string name, std::string description) {
    subcommands_.push_back(std::make_unique<Command>(std::move(name), std::move(description)));
    return *subcommands_.back();
  }
  // Text the help shows after the arguments.
  void footer(std::string text) { footer_ = std::move(text); }

  Argument& add_option(std::string names, std::string* value, std::string description) {
    return add(std::move(names), value, std::move(description));
  }
  Argument& add_option(std::string names, std::vector<std::string>* values,
                       std::string description) {
    return add(std::move(names), values, std::move(description));
  }
  Argument& add_option(std::string names, std::optional<std::string>* value,
                       std::string description) {
    return add(std::move(names), value, std::move(description));
  }
  Argument& add_option(std::string names, std::optional<double>* value, std::string description) {
    return add(std::move(names), value, std::move(description));
  }
  Argument& add_flag(std::string names, bool* value, std::string description) {
    return add(std::move(names), value, std::move(description));
  }
  // A flag that prints `version` on standard output and ends the parse.
  void add_version_flag(std::string names, std::string version) {
    add(std::move(names), std::monostate{}, std::move(version));
  }

  // After the parse: this subcommand was asked for.
  bool parsed() const { return parsed_; }

 private:
  friend struct CommandLineBinding;

  Argument& add(std::string names, Argument::Target target, std::string description) {
    return arguments_.emplace_back(std::move(names), target, std::move(description));
  }

  std::string name_;
  std::string description_;
  std::string footer_;
  std::deque<Argument> arguments_;  // a deque: excludes() keeps pointers to them
  std::vector<std::unique_ptr<Command>> subcommands_;
  bool parsed_ = false;
};

enum class ParseOutcome {
  kRun,       // the variables are filled: run what was asked for
  kAnswered,  // --help or --version was printed on `out`
  kRefused,   // the arguments were refused; `err` says why
};

// Parses `arguments` (the program's name first) against `program`, of which
// at most one subcommand may be asked for. Arguments starting with '/' are
// paths, on Windows too.
ParseOutcome parse_command_line(Command& program, const std::vector<std::string>& arguments,
                                std::ostream& out, std::ostream& err);

}  // namespace binario
