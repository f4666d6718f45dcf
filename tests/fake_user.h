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
  // "!close") to a prompt. Once none is left: no, and the offered number.
  std::deque<std::string> answers;
  std::string caption = "facemeld";
  // Every step shown, as a case writes it: "yesno Q", "ask P [I]", "title T",
  // "box C | T" (owner-less, "box | T" without caption) and "mainbox C | T".
  std::vector<std::string> events;
  // Runs when the caption changes, with the new caption: lets a test act
  // between or during the passes.
  std::function<void(const std::string&)> onCaption;

  void reset() { *this = FakeUser(); }
};

extern FakeUser user;

// The main window the test plays: boxes it owns are recorded as "mainbox".
extern const HWND testwindow;
