#include "CommandLine.h"

namespace tandem::text {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Next argument starting at `pos`; quotes toggle grouping and are dropped. Returns false at end.
bool NextArgument(const std::string& s, std::size_t& pos, std::string& arg) {
  while (pos < s.size() && IsSpace(s[pos])) ++pos;
  if (pos >= s.size()) return false;
  arg.clear();
  bool quoted = false;
  for (; pos < s.size(); ++pos) {
    const char c = s[pos];
    if (c == '"') {
      quoted = !quoted;
    } else if (IsSpace(c) && !quoted) {
      break;
    } else {
      arg.push_back(c);
    }
  }
  return true;
}

}  // namespace

CommandLineInfo ParseCommandLine(const std::string& args) {
  CommandLineInfo info;
  std::size_t pos = 0;
  std::string arg;
  while (NextArgument(args, pos, arg)) {
    if (arg.empty()) continue;  // "" on the command line names nothing
    if (arg[0] == '/' || arg[0] == '-') {
      info.switches.push_back(arg.substr(1));
    } else if (info.fileName.empty()) {
      info.fileName = arg;
    }
  }
  return info;
}

std::string SkipProgramName(const std::string& s) {
  std::size_t pos = 0;
  std::string arg;
  if (!NextArgument(s, pos, arg)) return std::string();
  return s.substr(pos);
}

}  // namespace tandem::text
