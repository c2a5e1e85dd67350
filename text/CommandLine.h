// The program's command line as the framework reads it: an optional file name to open, plus
// switches ('/' or '-' first) that the framework recognises and the program ignores.
#pragma once

#include <string>
#include <vector>

namespace tandem::text {

struct CommandLineInfo {
  std::string fileName;               // empty: start with a new document
  std::vector<std::string> switches;  // without their leading '/' or '-'
};

// Splits the arguments after the program name. Quotes group spaces and are removed; the first
// argument that is not a switch is the file name, further ones are ignored.
CommandLineInfo ParseCommandLine(const std::string& argsAfterProgram);

// Returns the part of a full command line (as the system hands it over) after the program name.
std::string SkipProgramName(const std::string& fullCommandLine);

}  // namespace tandem::text
