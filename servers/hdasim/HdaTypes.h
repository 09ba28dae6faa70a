#pragma once
// Values, qualities and codes of the simulation historian's backend. The numbers are those the
// OPC HDA interfaces publish, declared here again so that the backend needs no COM headers.

#include <cstdint>
#include <string>
#include <variant>

// VARTYPE codes as Windows defines them.
enum HdaVarType : uint16_t {
  hvtEmpty = 0,  // VT_EMPTY
  hvtI2 = 2,     // VT_I2
  hvtI4 = 3,     // VT_I4
  hvtR8 = 5,     // VT_R8
  hvtCY = 6,     // VT_CY
  hvtBSTR = 8,   // VT_BSTR
  hvtBool = 11,  // VT_BOOL
};

// Quality word: history flags in bits 16 to 23, the OPC DA quality in the low 16 bits.
constexpr uint32_t HDA_EXTRADATA = 0x00010000;
constexpr uint32_t HDA_INTERPOLATED = 0x00020000;
constexpr uint32_t HDA_RAW = 0x00040000;
constexpr uint32_t HDA_CALCULATED = 0x00080000;
constexpr uint32_t HDA_NOBOUND = 0x00100000;
constexpr uint32_t HDA_NODATA = 0x00200000;
constexpr uint32_t HDA_DATALOST = 0x00400000;
constexpr uint32_t HDA_CONVERSION = 0x00800000;
constexpr uint32_t HDA_PARTIAL = 0x01000000;

constexpr uint32_t DA_QUALITY_MASK = 0xFFFF;
constexpr uint32_t DA_QUALITY_BAD = 0x00;
constexpr uint32_t DA_QUALITY_UNCERTAIN = 0x40;
constexpr uint32_t DA_QUALITY_GOOD = 0xC0;

// The two status bits of the OPC DA quality decide good, uncertain and bad.
enum class HdaQualityClass { Bad, Uncertain, Good };
HdaQualityClass QualityClassOf(uint32_t quality);
inline bool IsGoodQuality(uint32_t quality) { return QualityClassOf(quality) == HdaQualityClass::Good; }

enum HdaEditType : uint32_t {
  hetInsert = 1,         // OPCHDA_INSERT
  hetReplace = 2,        // OPCHDA_REPLACE
  hetInsertReplace = 3,  // OPCHDA_INSERTREPLACE
  hetDelete = 4,         // OPCHDA_DELETE
};

// Outcome of a request or of one item of it; the COM layer maps each to its HRESULT.
enum class HdaStatus {
  Ok,               // S_OK
  MoreData,         // OPC_S_MOREDATA: the value limit cut the answer
  NoData,           // OPC_S_NODATA
  Inserted,         // OPC_S_INSERTED
  Replaced,         // OPC_S_REPLACED
  UnknownItem,      // OPC_E_INVALIDHANDLE / OPC_E_UNKNOWNITEMID
  InvalidDataType,  // OPC_E_INVALIDDATATYPE
  InvalidAggregate, // OPC_E_INVALIDAGGREGATE
  InvalidAttribute, // OPC_E_INVALIDATTRID
  InvalidTime,      // E_INVALIDARG: a time outside the history or an unusable range
  OutOfRange,       // OPC_E_RANGE: a value outside the item's entry limits
  MaxExceeded,      // OPC_E_MAXEXCEEDED
  DataExists,       // OPC_E_DATAEXISTS
  NoDataExists,     // OPC_E_NODATAEXISTS
};

// A value as the history stores it: empty (a missing bound, no data), VT_R8, VT_I4 or text.
using HdaValue = std::variant<std::monostate, double, int32_t, std::string>;

HdaVarType VarTypeOf(const HdaValue& value);
bool IsEmpty(const HdaValue& value);
// Numbers widen to double; text and empty values give NaN.
double ToNumber(const HdaValue& value);
// The shortest text that reads back to the same number; text values as they are.
std::string ToText(const HdaValue& value);
// The value in the item's type: text that reads as a number converts, a double converts to
// VT_I4 only when it is a whole number in range. False when it does not fit the type.
bool CoerceValue(const HdaValue& value, HdaVarType type, HdaValue& result);

struct HdaSample {
  int64_t Time = 0;  // FILETIME ticks, UTC
  HdaValue Value;
  uint32_t Quality = 0;
};

// One earlier state of history, kept by every edit.
struct HdaModifiedSample {
  int64_t Time = 0;
  HdaValue Value;
  uint32_t Quality = 0;
  int64_t ModificationTime = 0;
  HdaEditType EditType = hetInsert;
  std::string User;
};

struct HdaAnnotation {
  int64_t Time = 0;
  std::string Text;
  int64_t CreationTime = 0;
  std::string User;
};
