// vqf: the command-line companion for action item files. The whole program
// lives here so that tests can run it without starting a process.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "Records.h"

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;  // a file was refused or a conversion failed
inline constexpr int kExitUsage = 2;    // bad arguments, or a file could not be read or written

// Runs one command line (`args[0]` is the program name; arguments in UTF-8).
// Results go to `out`, messages to `err`.
int RunVqf(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
