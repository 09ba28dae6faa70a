#pragma once
// IOPCHDA_Browser over the historian's address space. The position starts at the root;
// OPCHDA_BRANCH lists the branches there, OPCHDA_LEAF and OPCHDA_ITEMS the items there (no
// branch is an item), OPCHDA_FLAT the fully qualified ids of every item at and below it.
// Names given to ChangeBrowsePosition (down) and GetItemID are relative to the position;
// GetItemID also takes a fully qualified id, as a flat listing gives them.

#include <memory>
#include <vector>

#include "opc/_OPCHDA.h"
#include "servers/hdasim/HdaHistorian.h"

// A condition on an item attribute that the listed items must meet.
struct THdaBrowseFilter {
  DWORD Attribute = 0;
  OPCHDA_OPERATORCODES Operator = OPCHDA_EQUAL;
  HdaValue Value;
};

// OPC_E_INVALIDATTRID for an unknown attribute, E_INVALIDARG for an unknown operator,
// OPC_E_INVALIDDATATYPE for a value that cannot be compared.
HRESULT ParseBrowseFilter(DWORD attribute, OPCHDA_OPERATORCODES op, const VARIANT& value, THdaBrowseFilter& filter);

HRESULT CreateHdaSimBrowser(std::shared_ptr<const HdaHistorian> historian, std::vector<THdaBrowseFilter> filters,
                            IOPCHDA_Browser** browser);
