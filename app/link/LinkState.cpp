#include "LinkState.h"

namespace tandem::link {

LinkState DecideLinkState(const LinkFacts& facts) {
  if (facts.otherBitnessLogger) return LinkState::kOtherBitness;
  if (!facts.recordLoggerRuns) return LinkState::kNone;
  return facts.modeKeyed ? LinkState::kLinked : LinkState::kModeNotCw;
}

}  // namespace tandem::link
