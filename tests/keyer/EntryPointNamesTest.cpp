#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EntryPointNames.h"

namespace tandem::keyer {
namespace {

using Names = std::vector<std::string>;

// The plain name comes first, so that a library exporting both forms is bound as it is meant to
// be; the decorated forms count 4 bytes an argument, bytes and handles included.
TEST(EntryPointNames, PlainThenBothDecorationsOn32BitOnlyPlainOn64Bit) {
  EXPECT_EQ(EntryPointNames("keyportOpen", 1, 4), (Names{"keyportOpen", "_keyportOpen@4", "keyportOpen@4"}));
  EXPECT_EQ(EntryPointNames("keyportSetCallbackWindow", 2, 4),
            (Names{"keyportSetCallbackWindow", "_keyportSetCallbackWindow@8", "keyportSetCallbackWindow@8"}));
  EXPECT_EQ(EntryPointNames("keyportWriteCmd", 3, 4),
            (Names{"keyportWriteCmd", "_keyportWriteCmd@12", "keyportWriteCmd@12"}));
  EXPECT_EQ(EntryPointNames("keyportOpen", 1, 8), (Names{"keyportOpen"}));
  EXPECT_EQ(EntryPointNames("keyportWriteCmd", 3, 8), (Names{"keyportWriteCmd"}));
}

}  // namespace
}  // namespace tandem::keyer
