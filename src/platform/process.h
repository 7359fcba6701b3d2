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
// are `argv` as given; on Windows they are read from the wide command line,
// and "/?", the system's way to ask a program for help, becomes "--help".
std::vector<std::string> program_arguments(int argc, char** argv);

// A hint for an argument the system's quoting rules most likely split
// otherwise than the user meant, or nothing. On Windows a '\' just before a
// closing '"' keeps the quote as a character, so `-C "C:\Scenari\" compile`
// gives one argument that holds a '"'; no name on Windows may hold one.
std::optional<std::string> argument_hint(const std::string& argument);

// True when what the program writes on standard error goes away with it
// before anyone can read it: on Windows, a console the program alone is
// attached to (it was started from Explorer, and the console closes as it
// ends) or no console at all, while standard error is not a file or a pipe.
// Never on POSIX, whose terminals stay.
bool output_vanishes_at_exit();

// Shows `text` in a message box titled "binario" with one OK button, an
// error's icon when `failure`, and returns when the user closes it; only
// where output_vanishes_at_exit(). Does nothing elsewhere.
void show_message_box(const std::string& text, bool failure);

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

// Hands the memory the program has freed back to the system, where the
// allocator would keep it for later (a large answer built, sent and freed
// leaves tens of megabytes of it behind otherwise).
void release_free_memory();

// Has every thread allocate from one heap, for a long-lived program whose
// threads take turns at large allocations (the language server): memory a
// worker thread freed in a heap of its own stays held at that heap's top,
// out of release_free_memory's reach. Call before starting threads.
void share_one_heap_between_threads();

// Prepares the heap of a program that runs one command and ends (a compile,
// a check, a format): its memory comes from one region of the heap, handed
// out in large pages where the system offers them, and what it frees stays
// there for its next blocks. A command touches each page of what it builds
// once, and on a virtual machine the first touch of a small page costs more
// than the work done in it; a large page is one touch for 512 of them. Not
// for a long-lived program (the language server), whose memory should go
// back when its documents close. Call before the command starts its work.
// True when large pages were asked for (never on Windows, where they need a
// privilege, nor under an allocator other than the C library's own).
bool prepare_heap_for_one_command();

// The system's number for this process.
unsigned long current_process_id();

// True when a process numbered `pid` is running (also one of another user);
// false when none is, or `pid` can name no process.
bool process_alive(unsigned long pid);

// Makes `dir` the process's current folder, so relative paths are taken
// from it. On failure returns false and, when `error` is given, the reason.
bool change_directory(const std::string& dir, std::string* error);

}  // namespace binario
