// The process on Windows: arguments from the wide command line, the
// program's folder from GetModuleFileNameW, standard streams in binary mode,
// and text to a console written as UTF-16 so every character shows right.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>
#include <malloc.h>

#include <cstdio>
#include <iostream>
#include <streambuf>
#include <string_view>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/win32_text.h"

// Older headers lack the flag that makes a console act on ANSI sequences.
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace binario {

namespace {

// Whether the console behind standard error acts on ANSI sequences; set once
// by set_up_standard_streams.
bool error_console_shows_colour = false;

bool is_console(HANDLE handle) {
  DWORD mode;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode);
}

// The length of the longest prefix of `text` that does not end inside a
// UTF-8 sequence.
size_t complete_utf8_prefix(const char* text, size_t size) {
  for (size_t back = 1; back <= 3 && back <= size; ++back) {
    const auto byte = static_cast<unsigned char>(text[size - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? size - back : size;
  }
  return size;
}

// A stream buffer writing UTF-8 text to a console with WriteConsoleW. A
// character split between two writes is held back until it is whole.
class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) { setp(buffer_, buffer_ + kSize); }

 protected:
  int_type overflow(int_type c) override {
    flush_complete();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override {
    flush_complete();
    return 0;
  }

 private:
  static constexpr size_t kSize = 4096;

  void flush_complete() {
    const size_t size = static_cast<size_t>(pptr() - pbase());
    const size_t complete = complete_utf8_prefix(pbase(), size);
    const std::wstring text = utf8_to_wide(std::string_view(pbase(), complete));
    DWORD written = 0;
    if (!text.empty()) {
      ::WriteConsoleW(console_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    const size_t rest = size - complete;
    std::char_traits<char>::move(buffer_, buffer_ + complete, rest);
    setp(buffer_, buffer_ + kSize);
    pbump(static_cast<int>(rest));
  }

  HANDLE console_;
  char buffer_[kSize];
};

}  // namespace

void set_up_standard_streams() {
  // No CR inserted before LF, no byte taken for the end of a file.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // The buffers live as long as the process: the streams flush at exit.
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (is_console(out)) std::cout.rdbuf(new ConsoleBuffer(out));
  HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  if (is_console(err)) {
    std::cerr.rdbuf(new ConsoleBuffer(err));
    std::clog.rdbuf(std::cerr.rdbuf());
    // Colour sequences written with WriteConsoleW show as colour only once
    // the console is told to act on them; a console that refuses (before
    // Windows 10) gets no colour in auto mode.
    DWORD mode = 0;
    error_console_shows_colour = ::GetConsoleMode(err, &mode) &&
                                 ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
                                  ::SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING));
  }
}

std::vector<std::string> program_arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) {
    arguments.push_back(i > 0 && std::wstring_view(wide[i]) == L"/?" ? "--help"
                                                                     : wide_to_utf8(wide[i]));
  }
  ::LocalFree(wide);
  return arguments;
}

std::optional<std::string> argument_hint(const std::string& argument) {
  if (argument.find('"') == std::string::npos) return std::nullopt;
  return "the argument '" + argument +
         "' holds a '\"': a '\\' just before a closing '\"' keeps the quote, so the "
         "arguments after it ran into this one; end a quoted folder without the '\\' (\"" +
         "C:\\Scenari\") or double it (\"C:\\Scenari\\\\\")";
}

bool output_vanishes_at_exit() {
  HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  if (err != nullptr && err != INVALID_HANDLE_VALUE) {
    const DWORD type = ::GetFileType(err);
    if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) return false;  // someone reads it
  }
  DWORD processes[2];
  return ::GetConsoleProcessList(processes, 2) <= 1;  // 0: no console; 1: this program's own
}

void show_message_box(const std::string& text, bool failure) {
  if (!output_vanishes_at_exit()) return;
  ::MessageBoxW(nullptr, utf8_to_wide(text).c_str(), L"binario",
                MB_OK | MB_SETFOREGROUND | (failure ? MB_ICONERROR : MB_ICONINFORMATION));
}

std::optional<std::string> program_directory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::nullopt;
    if (n < path.size()) {
      path.resize(n);
      return path_parent(wide_to_utf8(path));
    }
    path.resize(path.size() * 2);
  }
}

bool standard_error_is_terminal() {
  return is_console(::GetStdHandle(STD_ERROR_HANDLE));
}

bool standard_error_shows_colour() {
  return error_console_shows_colour && standard_error_is_terminal();
}

unsigned long current_process_id() {
  return ::GetCurrentProcessId();
}

bool process_alive(unsigned long pid) {
  if (pid == 0 || pid > 0xFFFFFFFFul) return false;
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  // A process the user may not look at is running all the same.
  if (process == nullptr) return ::GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  ::CloseHandle(process);
  return running;
}

bool change_directory(const std::string& dir, std::string* error) {
  if (::SetCurrentDirectoryW(utf8_to_wide(dir).c_str())) return true;
  if (error) *error = system_error_reason(static_cast<int>(::GetLastError()));
  return false;
}

void release_free_memory() {
  _heapmin();
}

// The process heap is one heap for every thread already.
void share_one_heap_between_threads() {}

// Large pages on Windows need a privilege users do not hold; the process
// heap is left as the system sets it up.
bool prepare_heap_for_one_command() {
  return false;
}

}  // namespace binario
