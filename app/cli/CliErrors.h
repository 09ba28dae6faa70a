#pragma once
// The two ways a run of zelk-hda-read fails on purpose; anything else the toolkit raises
// counts as a server error too.

#include "platform/rtl/Exceptions.h"

// The command line cannot be run (exit code 2); the message is one line.
class ECliUsageError : public Exception {
public:
  using Exception::Exception;
};

// The server refused what was asked (exit code 1).
class ECliServerError : public Exception {
public:
  using Exception::Exception;
};
