#pragma once
// The item ids of a server's address space, through the server's own browser.

#include <ostream>
#include <string>

#include "opc/_OPCHDA.h"

// Writes every item id at and below Branch (empty: the root), one a line, then their number.
// Raises ECliServerError when the server has no browser or does not know Branch.
void WriteItemIds(IOPCHDA_Server* Server, const std::string& Branch, std::ostream& Out);
