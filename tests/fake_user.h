// A scripted user for tests of the joining pass: it answers the questions
// and records what the pass shows, in the step form of tests/cases.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "user.h"

struct FakeUser {
  // Answers in the order the questions come, as a case's "> ..." lines: "y"
  // or "n" to a yes/no question, the typed text (or "!cancel", "!escape",
  // "!close") to a prompt. While none is left, `normals` and `limit` answer.
  std::deque<std::string> answers;
  int normals = 0;
  double limit = 5;

  std::string caption = "facemeld";
  // Every step shown, as a case writes it: "yesno Q", "ask P [I]", "title T",
  // "box C | T" (owner-less) and "mainbox C | T" (owned by a window).
  std::vector<std::string> events;
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

// A window handle for the main window the test plays: boxes owned by it are
// recorded as "mainbox".
extern const HWND testwindow;
