// The link state that the status bar shows: which fact wins when several hold.
#include <gtest/gtest.h>

#include "LinkState.h"

using tandem::link::DecideLinkState;
using tandem::link::LinkFacts;
using tandem::link::LinkState;

namespace {

LinkFacts Facts(bool otherBitness, bool loggerRuns, bool keyed) {
  LinkFacts f;
  f.otherBitnessLogger = otherBitness;
  f.recordLoggerRuns = loggerRuns;
  f.modeKeyed = keyed;
  return f;
}

}  // namespace

TEST(LinkState, OtherBitnessFirstThenTheRecordsLoggerThenItsMode) {
  // No logger has reported, or the one that did has gone: whatever its last mode was.
  EXPECT_EQ(DecideLinkState(Facts(false, false, true)), LinkState::kNone);
  EXPECT_EQ(DecideLinkState(Facts(false, false, false)), LinkState::kNone);
  // Records from a logger that runs: keyed or logged only, by the last record's mode.
  EXPECT_EQ(DecideLinkState(Facts(false, true, true)), LinkState::kLinked);
  EXPECT_EQ(DecideLinkState(Facts(false, true, false)), LinkState::kModeNotCw);
  // A logger of the other bitness hides every earlier record: its keys never reach Tandem.
  EXPECT_EQ(DecideLinkState(Facts(true, true, true)), LinkState::kOtherBitness);
  EXPECT_EQ(DecideLinkState(Facts(true, true, false)), LinkState::kOtherBitness);
  EXPECT_EQ(DecideLinkState(Facts(true, false, false)), LinkState::kOtherBitness);
}
