// Whether Tandem follows a logger now, as the status bar tells the operator without a key being
// pressed. Portable: the frame gathers the facts from its windows and its last record.
#pragma once

namespace tandem::link {

enum class LinkState {
  kNone,          // no record from a logger that still runs
  kLinked,        // records arrive and their messages are keyed
  kOtherBitness,  // the followed logger is a program of the other bitness: the hook never reaches it
  kModeNotCw,     // records arrive, but their mode is not keyed: messages are logged only
};

struct LinkFacts {
  // A followed logger of the other bitness was seen in the foreground, after the last record, and
  // still runs.
  bool otherBitnessLogger = false;
  // The logger of the last entry record still runs.
  bool recordLoggerRuns = false;
  // The last record's mode is keyed (a CW-like mode, or every mode keyed by the setting).
  bool modeKeyed = false;
};

// A logger of the other bitness is told first: its keys never reach Tandem, so whatever an
// earlier record said no longer holds.
LinkState DecideLinkState(const LinkFacts& facts);

}  // namespace tandem::link
