#pragma once
// The generated items of the simulation historian.

#include <vector>

#include "servers/hdasim/HdaGeneratedSignal.h"

const std::vector<HdaSignalDefinition>& HdaGeneratedSignals();
