#include <filesystem>
#include <system_error>

#include "cli/commands.h"
#include "cli/report.h"
#include "run/form1.h"

namespace binario {

std::string program_directory() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec).string();
  return exe.parent_path().string();
}

int run_command(const std::string& dir, FileSystem& fs, Ui& ui, std::ostream& err) {
  Form1 form(fs, ui);
  form.cartella_scenario = dir;
  RunReport report = form.form_load();
  print_text_report(err, form.status, report);
  return exit_status(report, form.status);
}

int sources_command(const std::string& dir, FileSystem& fs, std::ostream& out, std::ostream& err) {
  auto ui = make_console_ui();
  Form1 form(fs, *ui);
  form.cartella_scenario = dir;
  RunReport report = form.write_sources();
  print_text_report(err, form.status, report);
  for (const std::string& o : report.outputs) out << o << '\n';
  return exit_status(report, form.status);
}

}  // namespace binario
