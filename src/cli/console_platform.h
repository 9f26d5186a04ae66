#pragma once
// What the console program needs from its system: standard streams that are
// always there and pass bytes unchanged, and a way to hear an interrupt.
// One file per system.
#include <string>
#include <vector>

namespace brindle::cli {

// Puts the null device on any of descriptors 0, 1 and 2 that the caller left
// closed, so that no file the command opens can take their place and
// receive its output. A closed stdout gets a descriptor that refuses
// writes: the result then counts as not written.
void HoldStandardStreams();

// The program's arguments in UTF-8 (on Windows from the wide command line:
// argv there is in the system's ANSI code page and loses characters).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Output goes out byte for byte: no "\n" becomes "\r\n" (Windows' text mode),
// and a console shows it as UTF-8.
void UseBinaryStandardStreams();

// handler(SIGINT) is called on Ctrl-C, and with endOfSession also when the
// terminal or console closes or the program is asked to end. It may run on
// any thread: it must only set a flag.
void CatchInterrupts(void (*handler)(int), bool endOfSession);

}  // namespace brindle::cli
