// A scripted user for tests of the joining pass: it answers the two
// questions from fields that a test sets, and records the captions and
// message boxes that the pass shows.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct FakeUser {
  int normals = 0;      // the answer to the yes/no question
  double limit = 5;     // the answer to the angle question
  std::string caption = "facemeld";
  std::vector<std::string> captions;  // every caption set, in order
  std::vector<std::string> boxes;     // "caption: text", or the text alone
  std::vector<std::string> questions;
  bool openDuringAsk = false;         // the pass's fileopen flag when asked
  // Runs when the caption changes, with the new caption: lets a test act
  // between or during the passes.
  std::function<void(const std::string&)> onCaption;

  void reset() { *this = FakeUser(); }
};

extern FakeUser user;
