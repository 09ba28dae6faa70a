#include "platform/com/Enumerators.h"

#include <cstring>

#include "platform/com/TaskMemory.h"

HRESULT TEnumStringPolicy::Copy(const Stored& from, Element& to) {
  to = static_cast<LPOLESTR>(CoTaskMemAlloc((from.size() + 1) * sizeof(OLECHAR)));
  if (!to) return E_OUTOFMEMORY;
  std::memcpy(to, from.c_str(), (from.size() + 1) * sizeof(OLECHAR));
  return S_OK;
}

void TEnumStringPolicy::Clear(Element& element) {
  CoTaskMemFree(element);
  element = nullptr;
}
