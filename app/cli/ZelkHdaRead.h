#pragma once
// The entry of zelk-hda-read: a command-line client that reads an item's history from an
// OPC HDA server through the HDA component.

#include <ostream>
#include <string>
#include <vector>

// Runs one command line (args without the program name) on the calling thread, which must be
// in a single-threaded apartment; the demo historian must be registered. Returns the exit
// code: 0 done, 1 the server or a request failed (the reason on Err), 2 a wrong command line
// (a line on Err that points to --help).
int RunZelkHdaRead(const std::vector<std::string>& args, std::ostream& Out, std::ostream& Err);

// The whole program: the apartment, the demo historian, the run, with standard output
// buffered.
int ZelkHdaReadMain(int argc, char** argv);
