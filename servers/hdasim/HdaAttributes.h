#pragma once
// The item attributes the historian reports, with the ids and names OPC HDA publishes.

#include <cstdint>
#include <vector>

#include "servers/hdasim/HdaItem.h"

constexpr uint32_t HDA_ATTR_DATA_TYPE = 1;
constexpr uint32_t HDA_ATTR_DESCRIPTION = 2;
constexpr uint32_t HDA_ATTR_ENG_UNITS = 3;
constexpr uint32_t HDA_ATTR_STEPPED = 4;
constexpr uint32_t HDA_ATTR_ARCHIVING = 5;
constexpr uint32_t HDA_ATTR_DERIVE_EQUATION = 6;
constexpr uint32_t HDA_ATTR_NODE_NAME = 7;
constexpr uint32_t HDA_ATTR_PROCESS_NAME = 8;
constexpr uint32_t HDA_ATTR_SOURCE_NAME = 9;
constexpr uint32_t HDA_ATTR_SOURCE_TYPE = 10;
constexpr uint32_t HDA_ATTR_NORMAL_MAXIMUM = 11;
constexpr uint32_t HDA_ATTR_NORMAL_MINIMUM = 12;
constexpr uint32_t HDA_ATTR_ITEMID = 13;
constexpr uint32_t HDA_ATTR_MAX_TIME_INT = 14;
constexpr uint32_t HDA_ATTR_MIN_TIME_INT = 15;
constexpr uint32_t HDA_ATTR_EXCEPTION_DEV = 16;
constexpr uint32_t HDA_ATTR_EXCEPTION_DEV_TYPE = 17;
constexpr uint32_t HDA_ATTR_HIGH_ENTRY_LIMIT = 18;
constexpr uint32_t HDA_ATTR_LOW_ENTRY_LIMIT = 19;

struct HdaAttributeInfo {
  uint32_t Id;
  const char* Name;
  const char* Description;
  // The VARTYPE the attribute travels as. The backend hands VT_I2 and VT_BOOL attributes over
  // as int32 (booleans 0 or 1) and the VT_CY time intervals as double seconds.
  HdaVarType Type;
};

// Every attribute, in id order; every item answers all of them.
const std::vector<HdaAttributeInfo>& HdaAttributeTable();

// InvalidAttribute for an id not in the table.
HdaStatus ReadItemAttribute(const HdaItem& item, uint32_t attributeId, HdaValue& value);
