#pragma once
// The server enumerator's backend: which registered classes implement which component
// categories, and what the class registry says about one class. It reads HKEY_CLASSES_ROOT
// through the registry functions on every call and keeps nothing, so a server registered or
// removed since the last call is seen at once. It knows no COM objects; any thread may call it.

#include <optional>
#include <string>
#include <vector>

#include "platform/win32.h"

// Which classes a query asks for. A class qualifies when it implements at least one of
// Implemented and requires no category outside Required; an unset list stands for "any".
struct TCategoryQuery {
  std::optional<std::vector<CATID>> Implemented;
  std::optional<std::vector<CATID>> Required;
};

struct TServerClassDetails {
  std::u16string ProgId;
  std::u16string Description;               // the class key's default value; empty when none
  std::u16string VersionIndependentProgId;  // empty when none
};

// The qualifying classes in the order the registry lists the class keys.
std::vector<CLSID> ClassesOfCategories(const TCategoryQuery& query);

// The class's texts; REGDB_E_CLASSNOTREG when the class is not registered or has no ProgID
// (a client cannot create a server by name without one).
HRESULT ClassDetails(REFCLSID clsid, TServerClassDetails& details);
