// The caption kept by the terminal edition for the pass to save and restore.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "user.h"

namespace {

TEST(Caption, StartsAsTheProgramNameAndIsCutToTheBuffer) {
  char S[300];
  GetTitle(nullptr, S, sizeof S);
  EXPECT_STREQ(S, "facemeld");
  std::memset(S, '#', sizeof S);
  GetTitle(nullptr, S, 5);
  EXPECT_EQ(std::string(S, 6), std::string("face\0#", 6));
  GetTitle(nullptr, S, 1);
  EXPECT_EQ(S[0], '\0');
  S[0] = '#';
  GetTitle(nullptr, S, 0);  // no room even for the terminator
  EXPECT_EQ(S[0], '#');

  // The pass saves the caption with a size of 255.
  SetTitle(nullptr, std::string(300, 'c').c_str());
  std::memset(S, '#', sizeof S);
  GetTitle(nullptr, S, 255);
  EXPECT_EQ(std::strlen(S), 254u);
  EXPECT_EQ(S[255], '#');
}

}  // namespace
