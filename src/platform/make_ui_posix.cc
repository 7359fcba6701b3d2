// The chooser on Linux and other POSIX systems. The FLTK window layer is a
// module beside the program (binario_window.so), opened only when a window is
// about to be shown, so that a start without a window resolves no GUI
// library. A missing module, a module that does not load, a program folder
// that cannot be told, or a display that cannot be opened all leave the run
// with the console.
#include <dlfcn.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/fltk_ui.h"
#include "platform/make_ui.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace binario {

std::optional<std::string> window_module_path(const std::optional<std::string>& program_folder) {
  // A relative path would be taken from the current folder, and a bare name
  // from the loader's search path: neither is the program's own folder.
  if (!program_folder || !program_folder->starts_with('/')) return std::nullopt;
  return join_path(*program_folder, kWindowModuleName);
}

std::unique_ptr<Ui> load_window_ui(const std::optional<std::string>& program_folder) {
  // Without a display there is nothing to load the module for.
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return nullptr;
  const std::optional<std::string> module = window_module_path(program_folder);
  if (!module) return nullptr;
  // The module stays loaded for the rest of the process: the window it makes
  // runs its code until the run ends.
  void* handle = ::dlopen(module->c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return nullptr;
  auto entry = reinterpret_cast<WindowModuleEntry>(::dlsym(handle, kWindowModuleEntry));
  if (entry == nullptr) return nullptr;
  return std::unique_ptr<Ui>(entry(kWindowTitle));
}

std::unique_ptr<Ui> make_ui(bool allow_window) {
  if (allow_window) {
    if (std::unique_ptr<Ui> window = load_window_ui(program_directory())) return window;
  }
  return make_console_ui();
}

}  // namespace binario

// The window module draws text through Xft and fontconfig, and fontconfig
// keeps caches it never frees. Builds with the leak checker are told so, so
// that a window that was shown does not count as a leak of ours. (The hook is
// read when the program starts, before the module is loaded, so it lives
// here.)
// NOLINTNEXTLINE(bugprone-reserved-identifier): the leak checker looks this name up.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
