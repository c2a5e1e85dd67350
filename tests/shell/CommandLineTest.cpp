// The command line as the framework reads it.
#include <gtest/gtest.h>

#include "CommandLine.h"

using tandem::text::ParseCommandLine;
using tandem::text::SkipProgramName;

TEST(CommandLine, FileNameAndSwitches) {
  EXPECT_EQ(ParseCommandLine("").fileName, "");
  EXPECT_EQ(ParseCommandLine("   ").fileName, "");
  EXPECT_EQ(ParseCommandLine("log.txt").fileName, "log.txt");
  EXPECT_EQ(ParseCommandLine("\"C:\\My Logs\\contest.txt\"").fileName, "C:\\My Logs\\contest.txt");
  // Switches are recognised and not taken for the file; only the first file name counts.
  const tandem::text::CommandLineInfo info = ParseCommandLine("/p -dde first.txt second.txt");
  EXPECT_EQ(info.fileName, "first.txt");
  ASSERT_EQ(info.switches.size(), 2u);
  EXPECT_EQ(info.switches[0], "p");
  EXPECT_EQ(info.switches[1], "dde");
  EXPECT_EQ(ParseCommandLine("\"\" log.txt").fileName, "log.txt") << "an empty argument names nothing";
  // An unterminated quote runs to the end.
  EXPECT_EQ(ParseCommandLine("\"C:\\a b.txt").fileName, "C:\\a b.txt");
}

TEST(CommandLine, ProgramNameIsSkipped) {
  EXPECT_EQ(ParseCommandLine(SkipProgramName("Tandem.exe")).fileName, "");
  EXPECT_EQ(ParseCommandLine(SkipProgramName("\"C:\\Program Files\\Tandem.exe\" a.txt")).fileName,
            "a.txt");
  EXPECT_EQ(ParseCommandLine(SkipProgramName("C:\\Tandem\\Tandem.exe \"b c.txt\"")).fileName,
            "b c.txt");
  EXPECT_EQ(SkipProgramName(""), "");
}
