#include "platform/rtl/Object.h"

#include "platform/rtl/Exceptions.h"

namespace {

[[noreturn]] void RaiseAssignError(const TPersistent* source, const TPersistent& dest) {
  const std::string sourceName = source ? source->ClassName() : "nil";
  throw EConvertError("Cannot assign a " + sourceName + " to a " + dest.ClassName());
}

}  // namespace

void TPersistent::Assign(const TPersistent* source) {
  if (!source)
    RaiseAssignError(nullptr, *this);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const { RaiseAssignError(this, *dest); }
