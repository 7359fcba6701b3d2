// The one file that includes the parser: it turns the commands' declarations
// into the parser's options, parses, and tells the declarations what was given.
#include <CLI/CLI.hpp>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "cli/arguments.h"

namespace binario {

struct CommandLineBinding {
  // The parser's option of each declared argument, to answer given() after
  // the parse.
  std::vector<std::pair<Argument*, CLI::Option*>> options;
  // The parser's subcommand of each declared one, to answer parsed().
  std::vector<std::pair<Command*, CLI::App*>> subcommands;

  void bind_arguments(Command& command, CLI::App& app) {
    std::map<const Argument*, CLI::Option*> bound;
    for (Argument& a : command.arguments_) {
      if (std::holds_alternative<std::monostate>(a.target_)) {
        app.set_version_flag(a.names_, a.description_);
        continue;
      }
      CLI::Option* option = std::visit(
          [&](auto target) -> CLI::Option* {
            using T = decltype(target);
            if constexpr (std::is_same_v<T, std::monostate>) {
              return nullptr;
            } else if constexpr (std::is_same_v<T, bool*>) {
              return app.add_flag(a.names_, *target, a.description_);
            } else {
              return app.add_option(a.names_, *target, a.description_);
            }
          },
          a.target_);
      if (a.required_) option->required();
      if (a.expected_) option->expected(a.expected_->first, a.expected_->second);
      if (!a.type_name_.empty()) option->type_name(a.type_name_);
      if (!a.members_.empty()) option->check(CLI::IsMember(a.members_).description(""));
      for (const Argument* other : a.excluded_) option->excludes(bound.at(other));
      bound[&a] = option;
      options.emplace_back(&a, option);
    }
  }

  void bind_subcommands(Command& command, CLI::App& app) {
    for (const std::unique_ptr<Command>& sub : command.subcommands_) {
      CLI::App* sub_app = app.add_subcommand(sub->name_, sub->description_);
      if (!sub->footer_.empty()) sub_app->footer(sub->footer_);
      bind_arguments(*sub, *sub_app);
      subcommands.emplace_back(sub.get(), sub_app);
    }
  }

  void tell_what_was_given() {
    for (auto& [argument, option] : options) argument->given_ = static_cast<bool>(*option);
    for (auto& [command, app] : subcommands) command->parsed_ = app->parsed();
  }

  static CLI::App program_app(const Command& program) {
    return CLI::App{program.description_, program.name_};
  }
};

ParseOutcome parse_command_line(Command& program, const std::vector<std::string>& arguments,
                                std::ostream& out, std::ostream& err) {
  CLI::App app = CommandLineBinding::program_app(program);
  // Set before the subcommands, which inherit it.
  app.allow_windows_style_options(false);
  CommandLineBinding binding;
  binding.bind_arguments(program, app);
  binding.bind_subcommands(program, app);
  // Set after them: a subcommand would inherit the limit on its own.
  app.require_subcommand(0, 1);

  std::vector<std::string> copy = arguments;
  std::vector<char*> argv;
  argv.reserve(copy.size());
  for (std::string& a : copy) argv.push_back(a.data());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err) == 0 ? ParseOutcome::kAnswered : ParseOutcome::kRefused;
  }
  binding.tell_what_was_given();
  return ParseOutcome::kRun;
}

}  // namespace binario
