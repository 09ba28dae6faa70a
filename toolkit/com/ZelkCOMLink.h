#pragma once
// The COM transport's entry in the connection registry. A program that includes this header
// has the COM record registered for coCOM during start-up, before its first component.

#include "toolkit/ZelkIntfGen.h"

// Registers the COM record unless a record for coCOM is there already; true when this call
// registered it. Its factories: the server enumeration, the address-space browser of a DA
// connection and the server name look-up.
bool RegisterCOMLink();

inline const bool ZelkCOMLinkRegistered = RegisterCOMLink();
