// The running program's place in the operating system: where it lives, its
// arguments as UTF-8, and its standard streams.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace binario {

// Sets the standard streams up once, before anything is written: bytes go
// out unchanged (no line-end translation) to a file or a pipe, and UTF-8 text
// shows as the characters it encodes on a console.
void set_up_standard_streams();

// The program's arguments as UTF-8, the program's name first. On POSIX these
// are `argv` as given; on Windows they are read from the wide command line.
std::vector<std::string> program_arguments(int argc, char** argv);

// The folder that holds the running program, as an absolute path; empty
// (no value) when the system cannot tell it. Code is loaded only from a
// folder known this way, never from the current folder in its place.
std::optional<std::string> program_directory();

// True when standard error is a terminal (a console on Windows).
bool standard_error_is_terminal();

// True when standard error is a terminal that shows ANSI colour sequences
// as colour: any terminal on POSIX, a console on Windows once
// set_up_standard_streams has switched its escape sequences on.
bool standard_error_shows_colour();

// Makes `dir` the process's current folder, so relative paths are taken
// from it. On failure returns false and, when `error` is given, the reason.
bool change_directory(const std::string& dir, std::string* error);

}  // namespace binario
