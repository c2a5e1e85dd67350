// Text that comes from outside the program: binary values read from the settings file, and the
// command line. Decoding must never fail silently into wrong bytes, and parsing must not lose a
// file name that was there.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ProfileCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::vector<std::uint8_t> bytes;
  if (tandem::text::DecodeProfileBinary(text, bytes)) {
    // Whatever decodes is exactly what encoding those bytes writes.
    if (bytes.size() * 2 != text.size()) std::abort();
    if (tandem::text::EncodeProfileBinary(bytes.data(), bytes.size()) != text) std::abort();
  } else if (!bytes.empty()) {
    std::abort();  // a refused value leaves nothing behind
  }

  const tandem::text::CommandLineInfo info = tandem::text::ParseCommandLine(text);
  if (info.fileName.find('"') != std::string::npos) std::abort();  // quotes only group
  if (!info.fileName.empty() && (info.fileName[0] == '/' || info.fileName[0] == '-')) std::abort();

  // Without quotes the arguments are the runs between blanks: the first that is not a switch is
  // the file name, whole, and every switch is kept.
  if (text.find('"') == std::string::npos) {
    std::string expected;
    std::size_t switches = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
      while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
      const std::size_t start = pos;
      while (pos < text.size() && text[pos] != ' ' && text[pos] != '\t') ++pos;
      if (pos == start) break;
      const std::string arg = text.substr(start, pos - start);
      if (arg[0] == '/' || arg[0] == '-') {
        ++switches;
      } else if (expected.empty()) {
        expected = arg;
      }
    }
    if (info.fileName != expected) std::abort();
    if (info.switches.size() != switches) std::abort();
  }
  return 0;
}
