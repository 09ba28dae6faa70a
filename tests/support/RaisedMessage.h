#pragma once
// The message of the exception of class E that an action raises, for tests that check texts.

#include <string>

#include "platform/rtl/Exceptions.h"

// "(nothing raised)" when the action raises nothing.
template <class E = Exception, class Action>
std::string Raised(Action action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message();
  }
  return "(nothing raised)";
}
