#include "servers/hdasim/HdaAttributes.h"

const std::vector<HdaAttributeInfo>& HdaAttributeTable() {
  static const std::vector<HdaAttributeInfo> table = {
      {HDA_ATTR_DATA_TYPE, "Data Type", "Data type of the item's values", hvtI2},
      {HDA_ATTR_DESCRIPTION, "Description", "Description of the item", hvtBSTR},
      {HDA_ATTR_ENG_UNITS, "Eng Units", "Engineering units of the values", hvtBSTR},
      {HDA_ATTR_STEPPED, "Stepped", "Values hold until the next sample instead of changing linearly", hvtBool},
      {HDA_ATTR_ARCHIVING, "Archiving", "History is being collected for the item", hvtBool},
      {HDA_ATTR_DERIVE_EQUATION, "Derive Equation", "How the item's values are derived", hvtBSTR},
      {HDA_ATTR_NODE_NAME, "Node Name", "Computer that holds the item's history", hvtBSTR},
      {HDA_ATTR_PROCESS_NAME, "Process Name", "Process that holds the item's history", hvtBSTR},
      {HDA_ATTR_SOURCE_NAME, "Source Name", "Where the item's samples come from", hvtBSTR},
      {HDA_ATTR_SOURCE_TYPE, "Source Type", "Kind of source of the samples", hvtBSTR},
      {HDA_ATTR_NORMAL_MAXIMUM, "Normal Maximum", "Upper limit of the normal operating range", hvtR8},
      {HDA_ATTR_NORMAL_MINIMUM, "Normal Minimum", "Lower limit of the normal operating range", hvtR8},
      {HDA_ATTR_ITEMID, "ItemID", "Fully qualified item id", hvtBSTR},
      {HDA_ATTR_MAX_TIME_INT, "Max Time Interval", "Longest time between samples, in seconds", hvtCY},
      {HDA_ATTR_MIN_TIME_INT, "Min Time Interval", "Shortest time between samples, in seconds", hvtCY},
      {HDA_ATTR_EXCEPTION_DEV, "Exception Deviation", "Change needed before a value is stored", hvtR8},
      {HDA_ATTR_EXCEPTION_DEV_TYPE, "Exception Dev Type", "How the exception deviation is measured", hvtI2},
      {HDA_ATTR_HIGH_ENTRY_LIMIT, "High Entry Limit", "Highest value an update may write", hvtR8},
      {HDA_ATTR_LOW_ENTRY_LIMIT, "Low Entry Limit", "Lowest value an update may write", hvtR8},
  };
  return table;
}

HdaStatus ReadItemAttribute(const HdaItem& item, uint32_t attributeId, HdaValue& value) {
  switch (attributeId) {
    case HDA_ATTR_DATA_TYPE: value = static_cast<int32_t>(item.Source->Type()); break;
    case HDA_ATTR_DESCRIPTION: value = item.Description; break;
    case HDA_ATTR_ENG_UNITS: value = item.EngUnits; break;
    case HDA_ATTR_STEPPED: value = int32_t(item.Stepped ? 1 : 0); break;
    case HDA_ATTR_ARCHIVING: value = int32_t(1); break;
    case HDA_ATTR_DERIVE_EQUATION: value = item.DeriveEquation; break;
    case HDA_ATTR_NODE_NAME: value = item.NodeName; break;
    case HDA_ATTR_PROCESS_NAME: value = item.ProcessName; break;
    case HDA_ATTR_SOURCE_NAME: value = item.SourceName; break;
    case HDA_ATTR_SOURCE_TYPE: value = item.SourceType; break;
    case HDA_ATTR_NORMAL_MAXIMUM: value = item.NormalMaximum; break;
    case HDA_ATTR_NORMAL_MINIMUM: value = item.NormalMinimum; break;
    case HDA_ATTR_ITEMID: value = item.ItemId; break;
    case HDA_ATTR_MAX_TIME_INT: value = item.MaxTimeInterval; break;
    case HDA_ATTR_MIN_TIME_INT: value = item.MinTimeInterval; break;
    // Every sample is stored: no deviation, measured absolutely (1).
    case HDA_ATTR_EXCEPTION_DEV: value = 0.0; break;
    case HDA_ATTR_EXCEPTION_DEV_TYPE: value = int32_t(1); break;
    case HDA_ATTR_HIGH_ENTRY_LIMIT: value = item.HighEntryLimit; break;
    case HDA_ATTR_LOW_ENTRY_LIMIT: value = item.LowEntryLimit; break;
    default: return HdaStatus::InvalidAttribute;
  }
  return HdaStatus::Ok;
}
