// Layout of the records that cross the interfaces. A server built from other declarations lays
// them out by the same C rules, so every size and offset must match. The expected figures are
// worked out for LP64 from the published field lists: pointers 8 bytes, VARIANT 24, FILETIME 8 at
// 4-byte alignment, and every DWORD, LONG, BOOL, HRESULT and enumeration 32 bits as on Windows.

#include <gtest/gtest.h>

#include <cstddef>

#include "opc/_OPCHDA.h"
#include "opc/_OPC_AE.h"
#include "opc/_opcda.h"

TEST(OpcRecordLayout, BuildingBlocksHaveTheirWindowsWidths) {
  // 'long' is 64-bit here but 32-bit on Windows: a DWORD or LONG of the native long would
  // shift every record below.
  EXPECT_EQ(sizeof(DWORD), 4u);
  EXPECT_EQ(sizeof(LONG), 4u);
  EXPECT_EQ(sizeof(BOOL), 4u);
  EXPECT_EQ(sizeof(HRESULT), 4u);
  EXPECT_EQ(sizeof(OPCHANDLE), 4u);
  EXPECT_EQ(sizeof(VARTYPE), 2u);
  EXPECT_EQ(sizeof(FILETIME), 8u);
  EXPECT_EQ(alignof(FILETIME), 4u);
  EXPECT_EQ(sizeof(VARIANT), 24u);
  // Servers hand out arrays of these enumerations (OPCHDA_MODIFIEDITEM::pEditType).
  EXPECT_EQ(sizeof(OPCHDA_EDITTYPE), 4u);
  EXPECT_EQ(sizeof(OPCHDA_OPERATORCODES), 4u);
  EXPECT_EQ(sizeof(OPCSERVERSTATE), 4u);
  EXPECT_EQ(sizeof(OPCEVENTSERVERSTATE), 4u);
}

TEST(OpcRecordLayout, HistoryRecords) {
  EXPECT_EQ(sizeof(OPCHDA_TIME), 24u);
  EXPECT_EQ(offsetof(OPCHDA_TIME, szTime), 8u);
  EXPECT_EQ(offsetof(OPCHDA_TIME, ftTime), 16u);

  EXPECT_EQ(sizeof(OPCHDA_ITEM), 40u);
  EXPECT_EQ(offsetof(OPCHDA_ITEM, haAggregate), 4u);
  EXPECT_EQ(offsetof(OPCHDA_ITEM, dwCount), 8u);
  EXPECT_EQ(offsetof(OPCHDA_ITEM, pftTimeStamps), 16u);
  EXPECT_EQ(offsetof(OPCHDA_ITEM, pdwQualities), 24u);
  EXPECT_EQ(offsetof(OPCHDA_ITEM, pvDataValues), 32u);

  EXPECT_EQ(sizeof(OPCHDA_ANNOTATION), 40u);
  EXPECT_EQ(offsetof(OPCHDA_ANNOTATION, dwNumValues), 4u);
  EXPECT_EQ(offsetof(OPCHDA_ANNOTATION, ftTimeStamps), 8u);
  EXPECT_EQ(offsetof(OPCHDA_ANNOTATION, szAnnotation), 16u);
  EXPECT_EQ(offsetof(OPCHDA_ANNOTATION, ftAnnotationTime), 24u);
  EXPECT_EQ(offsetof(OPCHDA_ANNOTATION, szUser), 32u);

  EXPECT_EQ(sizeof(OPCHDA_MODIFIEDITEM), 56u);
  EXPECT_EQ(offsetof(OPCHDA_MODIFIEDITEM, dwCount), 4u);
  EXPECT_EQ(offsetof(OPCHDA_MODIFIEDITEM, pftTimeStamps), 8u);
  EXPECT_EQ(offsetof(OPCHDA_MODIFIEDITEM, pdwQualities), 16u);
  EXPECT_EQ(offsetof(OPCHDA_MODIFIEDITEM, pvDataValues), 24u);
  EXPECT_EQ(offsetof(OPCHDA_MODIFIEDITEM, pftModificationTime), 32u);
  EXPECT_EQ(offsetof(OPCHDA_MODIFIEDITEM, pEditType), 40u);
  EXPECT_EQ(offsetof(OPCHDA_MODIFIEDITEM, szUser), 48u);

  EXPECT_EQ(sizeof(OPCHDA_ATTRIBUTE), 32u);
  EXPECT_EQ(offsetof(OPCHDA_ATTRIBUTE, dwNumValues), 4u);
  EXPECT_EQ(offsetof(OPCHDA_ATTRIBUTE, dwAttributeID), 8u);
  EXPECT_EQ(offsetof(OPCHDA_ATTRIBUTE, ftTimeStamps), 16u);
  EXPECT_EQ(offsetof(OPCHDA_ATTRIBUTE, vAttributeValues), 24u);
}

TEST(OpcRecordLayout, DataAccessRecords) {
  EXPECT_EQ(sizeof(OPCSERVERSTATUS), 56u);
  EXPECT_EQ(offsetof(OPCSERVERSTATUS, ftCurrentTime), 8u);
  EXPECT_EQ(offsetof(OPCSERVERSTATUS, ftLastUpdateTime), 16u);
  EXPECT_EQ(offsetof(OPCSERVERSTATUS, dwServerState), 24u);
  EXPECT_EQ(offsetof(OPCSERVERSTATUS, dwGroupCount), 28u);
  EXPECT_EQ(offsetof(OPCSERVERSTATUS, dwBandWidth), 32u);
  EXPECT_EQ(offsetof(OPCSERVERSTATUS, wMajorVersion), 36u);
  EXPECT_EQ(offsetof(OPCSERVERSTATUS, wBuildNumber), 40u);
  EXPECT_EQ(offsetof(OPCSERVERSTATUS, szVendorInfo), 48u);

  // FILETIME is two DWORDs, so it packs right after the handle.
  EXPECT_EQ(sizeof(OPCITEMSTATE), 40u);
  EXPECT_EQ(offsetof(OPCITEMSTATE, ftTimeStamp), 4u);
  EXPECT_EQ(offsetof(OPCITEMSTATE, wQuality), 12u);
  EXPECT_EQ(offsetof(OPCITEMSTATE, vDataValue), 16u);

  EXPECT_EQ(sizeof(OPCITEMDEF), 48u);
  EXPECT_EQ(offsetof(OPCITEMDEF, szItemID), 8u);
  EXPECT_EQ(offsetof(OPCITEMDEF, bActive), 16u);
  EXPECT_EQ(offsetof(OPCITEMDEF, hClient), 20u);
  EXPECT_EQ(offsetof(OPCITEMDEF, dwBlobSize), 24u);
  EXPECT_EQ(offsetof(OPCITEMDEF, pBlob), 32u);
  EXPECT_EQ(offsetof(OPCITEMDEF, vtRequestedDataType), 40u);

  EXPECT_EQ(sizeof(OPCITEMRESULT), 24u);
  EXPECT_EQ(offsetof(OPCITEMRESULT, vtCanonicalDataType), 4u);
  EXPECT_EQ(offsetof(OPCITEMRESULT, dwAccessRights), 8u);
  EXPECT_EQ(offsetof(OPCITEMRESULT, dwBlobSize), 12u);
  EXPECT_EQ(offsetof(OPCITEMRESULT, pBlob), 16u);

  EXPECT_EQ(sizeof(OPCITEMVQT), 48u);
  EXPECT_EQ(offsetof(OPCITEMVQT, bQualitySpecified), 24u);
  EXPECT_EQ(offsetof(OPCITEMVQT, wQuality), 28u);
  EXPECT_EQ(offsetof(OPCITEMVQT, bTimeStampSpecified), 32u);
  EXPECT_EQ(offsetof(OPCITEMVQT, ftTimeStamp), 40u);

  EXPECT_EQ(sizeof(OPCITEMPROPERTIES), 24u);
  EXPECT_EQ(offsetof(OPCITEMPROPERTIES, pItemProperties), 8u);
  EXPECT_EQ(offsetof(OPCITEMPROPERTIES, dwReserved), 16u);

  EXPECT_EQ(sizeof(OPCBROWSEELEMENT), 48u);
  EXPECT_EQ(offsetof(OPCBROWSEELEMENT, szItemID), 8u);
  EXPECT_EQ(offsetof(OPCBROWSEELEMENT, dwFlagValue), 16u);
  EXPECT_EQ(offsetof(OPCBROWSEELEMENT, ItemProperties), 24u);
}

TEST(OpcRecordLayout, EventRecord) {
  EXPECT_EQ(sizeof(ONEVENTSTRUCT), 104u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, wNewState), 2u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, szSource), 8u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, ftTime), 16u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, szMessage), 24u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, dwEventType), 32u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, dwSeverity), 40u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, szConditionName), 48u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, szSubconditionName), 56u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, wQuality), 64u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, bAckRequired), 68u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, ftActiveTime), 72u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, dwCookie), 80u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, dwNumEventAttrs), 84u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, pEventAttributes), 88u);
  EXPECT_EQ(offsetof(ONEVENTSTRUCT, szActorID), 96u);
}
