// The library's words and names of a failure, and its version.
#include "facemeld.h"

const char* facemeld::describe(Failure f) {
  switch (f) {
    case Failure::none: return "";
    case Failure::open: return "I can't open this file";
    case Failure::read: return "I can't read this file";
    case Failure::write: return "I can't write this file";
    case Failure::memory: return "not enough memory to read this file";
    case Failure::cancelled: return "I stopped copying this file";
    case Failure::same: return "I can't copy a file to itself";
    case Failure::options: return "the options are not valid";
  }
  return "I can't read this file";
}

const char* facemeld::name(Failure f) {
  switch (f) {
    case Failure::none: return "none";
    case Failure::open: return "open";
    case Failure::read: return "read";
    case Failure::write: return "write";
    case Failure::memory: return "memory";
    case Failure::cancelled: return "cancelled";
    case Failure::same: return "same";
    case Failure::options: return "options";
  }
  return "read";
}

int facemeld::version() { return FACEMELD_VERSION; }
