#include "platform/rtl/Exceptions.h"

#include "platform/rtl/StringUtils.h"

EListError EListError::IndexOutOfBounds(int64_t index) {
  return EListError("List index out of bounds (" + IntToStr(index) + ")");
}
