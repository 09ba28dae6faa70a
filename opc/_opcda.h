#pragma once
// OPC Data Access 3.00 custom interfaces, which include those of versions 1.0 and 2.05.

#include "platform/win32.h"

typedef DWORD OPCHANDLE;

typedef enum tagOPCDATASOURCE {
  OPC_DS_CACHE = 1,
  OPC_DS_DEVICE,
} OPCDATASOURCE;

typedef enum tagOPCBROWSETYPE {
  OPC_BRANCH = 1,
  OPC_LEAF,
  OPC_FLAT,
} OPCBROWSETYPE;

typedef enum tagOPCNAMESPACETYPE {
  OPC_NS_HIERARCHIAL = 1,
  OPC_NS_FLAT,
} OPCNAMESPACETYPE;

typedef enum tagOPCBROWSEDIRECTION {
  OPC_BROWSE_UP = 1,
  OPC_BROWSE_DOWN,
  OPC_BROWSE_TO,
} OPCBROWSEDIRECTION;

typedef enum tagOPCEUTYPE {
  OPC_NOENUM = 0,
  OPC_ANALOG,
  OPC_ENUMERATED,
} OPCEUTYPE;

typedef enum tagOPCSERVERSTATE {
  OPC_STATUS_RUNNING = 1,
  OPC_STATUS_FAILED,
  OPC_STATUS_NOCONFIG,
  OPC_STATUS_SUSPENDED,
  OPC_STATUS_TEST,
  OPC_STATUS_COMM_FAULT,
} OPCSERVERSTATE;

typedef enum tagOPCENUMSCOPE {
  OPC_ENUM_PRIVATE_CONNECTIONS = 1,
  OPC_ENUM_PUBLIC_CONNECTIONS,
  OPC_ENUM_ALL_CONNECTIONS,
  OPC_ENUM_PRIVATE,
  OPC_ENUM_PUBLIC,
  OPC_ENUM_ALL,
} OPCENUMSCOPE;

typedef enum tagOPCBROWSEFILTER {
  OPC_BROWSE_FILTER_ALL = 1,
  OPC_BROWSE_FILTER_BRANCHES,
  OPC_BROWSE_FILTER_ITEMS,
} OPCBROWSEFILTER;

// Headers of the data-object stream of the 1.0 asynchronous transfers.
typedef struct tagOPCGROUPHEADER {
  DWORD dwSize;
  DWORD dwItemCount;
  OPCHANDLE hClientGroup;
  DWORD dwTransactionID;
  HRESULT hrStatus;
} OPCGROUPHEADER;

typedef struct tagOPCITEMHEADER1 {
  OPCHANDLE hClient;
  DWORD dwValueOffset;
  WORD wQuality;
  WORD wReserved;
  FILETIME ftTimeStampItem;
} OPCITEMHEADER1;

typedef struct tagOPCITEMHEADER2 {
  OPCHANDLE hClient;
  DWORD dwValueOffset;
  WORD wQuality;
  WORD wReserved;
} OPCITEMHEADER2;

typedef struct tagOPCGROUPHEADERWRITE {
  DWORD dwItemCount;
  OPCHANDLE hClientGroup;
  DWORD dwTransactionID;
  HRESULT hrStatus;
} OPCGROUPHEADERWRITE;

typedef struct tagOPCITEMHEADERWRITE {
  OPCHANDLE hClient;
  HRESULT dwError;
} OPCITEMHEADERWRITE;

typedef struct tagOPCITEMSTATE {
  OPCHANDLE hClient;
  FILETIME ftTimeStamp;
  WORD wQuality;
  WORD wReserved;
  VARIANT vDataValue;
} OPCITEMSTATE;

typedef struct tagOPCSERVERSTATUS {
  FILETIME ftStartTime;
  FILETIME ftCurrentTime;
  FILETIME ftLastUpdateTime;
  OPCSERVERSTATE dwServerState;
  DWORD dwGroupCount;
  DWORD dwBandWidth;
  WORD wMajorVersion;
  WORD wMinorVersion;
  WORD wBuildNumber;
  WORD wReserved;
  LPWSTR szVendorInfo;
} OPCSERVERSTATUS;

typedef struct tagOPCITEMDEF {
  LPWSTR szAccessPath;
  LPWSTR szItemID;
  BOOL bActive;
  OPCHANDLE hClient;
  DWORD dwBlobSize;
  BYTE* pBlob;
  VARTYPE vtRequestedDataType;
  WORD wReserved;
} OPCITEMDEF;

typedef struct tagOPCITEMATTRIBUTES {
  LPWSTR szAccessPath;
  LPWSTR szItemID;
  BOOL bActive;
  OPCHANDLE hClient;
  OPCHANDLE hServer;
  DWORD dwAccessRights;
  DWORD dwBlobSize;
  BYTE* pBlob;
  VARTYPE vtRequestedDataType;
  VARTYPE vtCanonicalDataType;
  OPCEUTYPE dwEUType;
  VARIANT vEUInfo;
} OPCITEMATTRIBUTES;

typedef struct tagOPCITEMRESULT {
  OPCHANDLE hServer;
  VARTYPE vtCanonicalDataType;
  WORD wReserved;
  DWORD dwAccessRights;
  DWORD dwBlobSize;
  BYTE* pBlob;
} OPCITEMRESULT;

typedef struct tagOPCITEMPROPERTY {
  VARTYPE vtDataType;
  WORD wReserved;
  DWORD dwPropertyID;
  LPWSTR szItemID;
  LPWSTR szDescription;
  VARIANT vValue;
  HRESULT hrErrorID;
  DWORD dwReserved;
} OPCITEMPROPERTY;

typedef struct tagOPCITEMPROPERTIES {
  HRESULT hrErrorID;
  DWORD dwNumProperties;
  OPCITEMPROPERTY* pItemProperties;
  DWORD dwReserved;
} OPCITEMPROPERTIES;

typedef struct tagOPCBROWSEELEMENT {
  LPWSTR szName;
  LPWSTR szItemID;
  DWORD dwFlagValue;
  DWORD dwReserved;
  OPCITEMPROPERTIES ItemProperties;
} OPCBROWSEELEMENT;

typedef struct tagOPCITEMVQT {
  VARIANT vDataValue;
  BOOL bQualitySpecified;
  WORD wQuality;
  WORD wReserved;
  BOOL bTimeStampSpecified;
  DWORD dwReserved;
  FILETIME ftTimeStamp;
} OPCITEMVQT;

// Access rights mask.
#define OPC_READABLE 0x01
#define OPC_WRITEABLE 0x02

// OPCBROWSEELEMENT::dwFlagValue.
#define OPC_BROWSE_HASCHILDREN 0x01
#define OPC_BROWSE_ISITEM 0x02

// Complex data description systems and property values.
#define OPC_TYPE_SYSTEM_OPCBINARY u"OPCBinary"
#define OPC_TYPE_SYSTEM_XMLSCHEMA u"XMLSchema"
#define OPC_CONSISTENCY_WINDOW_UNKNOWN u"Unknown"
#define OPC_CONSISTENCY_WINDOW_NOT_CONSISTENT u"Not Consistent"
#define OPC_WRITE_BEHAVIOR_BEST_EFFORT u"Best Effort"
#define OPC_WRITE_BEHAVIOR_ALL_OR_NOTHING u"All or Nothing"

// The quality word: quality (bits 7-6), substatus (5-2), limit (1-0). The status mask covers the
// quality bits too.
#define OPC_QUALITY_MASK 0xC0
#define OPC_STATUS_MASK 0xFC
#define OPC_LIMIT_MASK 0x03

#define OPC_QUALITY_BAD 0x00
#define OPC_QUALITY_UNCERTAIN 0x40
#define OPC_QUALITY_GOOD 0xC0

#define OPC_QUALITY_CONFIG_ERROR 0x04
#define OPC_QUALITY_NOT_CONNECTED 0x08
#define OPC_QUALITY_DEVICE_FAILURE 0x0C
#define OPC_QUALITY_SENSOR_FAILURE 0x10
#define OPC_QUALITY_LAST_KNOWN 0x14
#define OPC_QUALITY_COMM_FAILURE 0x18
#define OPC_QUALITY_OUT_OF_SERVICE 0x1C
#define OPC_QUALITY_WAITING_FOR_INITIAL_DATA 0x20

#define OPC_QUALITY_LAST_USABLE 0x44
#define OPC_QUALITY_SENSOR_CAL 0x50
#define OPC_QUALITY_EGU_EXCEEDED 0x54
#define OPC_QUALITY_SUB_NORMAL 0x58

#define OPC_QUALITY_LOCAL_OVERRIDE 0xD8

#define OPC_LIMIT_OK 0x00
#define OPC_LIMIT_LOW 0x01
#define OPC_LIMIT_HIGH 0x02
#define OPC_LIMIT_CONST 0x03

// Item property ids and the descriptions servers give them.
#define OPC_PROPERTY_DATATYPE 1
#define OPC_PROPERTY_VALUE 2
#define OPC_PROPERTY_QUALITY 3
#define OPC_PROPERTY_TIMESTAMP 4
#define OPC_PROPERTY_ACCESS_RIGHTS 5
#define OPC_PROPERTY_SCAN_RATE 6
#define OPC_PROPERTY_EU_TYPE 7
#define OPC_PROPERTY_EU_INFO 8
#define OPC_PROPERTY_EU_UNITS 100
#define OPC_PROPERTY_DESCRIPTION 101
#define OPC_PROPERTY_HIGH_EU 102
#define OPC_PROPERTY_LOW_EU 103
#define OPC_PROPERTY_HIGH_IR 104
#define OPC_PROPERTY_LOW_IR 105
#define OPC_PROPERTY_CLOSE_LABEL 106
#define OPC_PROPERTY_OPEN_LABEL 107
#define OPC_PROPERTY_TIMEZONE 108
#define OPC_PROPERTY_CONDITION_STATUS 300
#define OPC_PROPERTY_ALARM_QUICK_HELP 301
#define OPC_PROPERTY_ALARM_AREA_LIST 302
#define OPC_PROPERTY_PRIMARY_ALARM_AREA 303
#define OPC_PROPERTY_CONDITION_LOGIC 304
#define OPC_PROPERTY_LIMIT_EXCEEDED 305
#define OPC_PROPERTY_DEADBAND 306
#define OPC_PROPERTY_HIHI_LIMIT 307
#define OPC_PROPERTY_HI_LIMIT 308
#define OPC_PROPERTY_LO_LIMIT 309
#define OPC_PROPERTY_LOLO_LIMIT 310
#define OPC_PROPERTY_CHANGE_RATE_LIMIT 311
#define OPC_PROPERTY_DEVIATION_LIMIT 312
#define OPC_PROPERTY_SOUND_FILE 313
#define OPC_PROPERTY_TYPE_SYSTEM_ID 600
#define OPC_PROPERTY_DICTIONARY_ID 601
#define OPC_PROPERTY_TYPE_ID 602
#define OPC_PROPERTY_DICTIONARY 603
#define OPC_PROPERTY_TYPE_DESCRIPTION 604
#define OPC_PROPERTY_CONSISTENCY_WINDOW 605
#define OPC_PROPERTY_WRITE_BEHAVIOR 606
#define OPC_PROPERTY_UNCONVERTED_ITEM_ID 607
#define OPC_PROPERTY_UNFILTERED_ITEM_ID 608
#define OPC_PROPERTY_DATA_FILTER_VALUE 609

#define OPC_PROPERTY_DESC_DATATYPE u"Item Canonical Data Type"
#define OPC_PROPERTY_DESC_VALUE u"Item Value"
#define OPC_PROPERTY_DESC_QUALITY u"Item Quality"
#define OPC_PROPERTY_DESC_TIMESTAMP u"Item Timestamp"
#define OPC_PROPERTY_DESC_ACCESS_RIGHTS u"Item Access Rights"
#define OPC_PROPERTY_DESC_SCAN_RATE u"Server Scan Rate"
#define OPC_PROPERTY_DESC_EU_TYPE u"Item EU Type"
#define OPC_PROPERTY_DESC_EU_INFO u"Item EU Info"
#define OPC_PROPERTY_DESC_EU_UNITS u"EU Units"
#define OPC_PROPERTY_DESC_DESCRIPTION u"Item Description"
#define OPC_PROPERTY_DESC_HIGH_EU u"High EU"
#define OPC_PROPERTY_DESC_LOW_EU u"Low EU"
#define OPC_PROPERTY_DESC_HIGH_IR u"High Instrument Range"
#define OPC_PROPERTY_DESC_LOW_IR u"Low Instrument Range"
#define OPC_PROPERTY_DESC_CLOSE_LABEL u"Contact Close Label"
#define OPC_PROPERTY_DESC_OPEN_LABEL u"Contact Open Label"
#define OPC_PROPERTY_DESC_TIMEZONE u"Item Timezone"
#define OPC_PROPERTY_DESC_CONDITION_STATUS u"Condition Status"
#define OPC_PROPERTY_DESC_ALARM_QUICK_HELP u"Alarm Quick Help"
#define OPC_PROPERTY_DESC_ALARM_AREA_LIST u"Alarm Area List"
#define OPC_PROPERTY_DESC_PRIMARY_ALARM_AREA u"Primary Alarm Area"
#define OPC_PROPERTY_DESC_CONDITION_LOGIC u"Condition Logic"
#define OPC_PROPERTY_DESC_LIMIT_EXCEEDED u"Limit Exceeded"
#define OPC_PROPERTY_DESC_DEADBAND u"Deadband"
#define OPC_PROPERTY_DESC_HIHI_LIMIT u"HiHi Limit"
#define OPC_PROPERTY_DESC_HI_LIMIT u"Hi Limit"
#define OPC_PROPERTY_DESC_LO_LIMIT u"Lo Limit"
#define OPC_PROPERTY_DESC_LOLO_LIMIT u"LoLo Limit"
#define OPC_PROPERTY_DESC_CHANGE_RATE_LIMIT u"Rate of Change Limit"
#define OPC_PROPERTY_DESC_DEVIATION_LIMIT u"Deviation Limit"
#define OPC_PROPERTY_DESC_SOUND_FILE u"Sound File"
#define OPC_PROPERTY_DESC_TYPE_SYSTEM_ID u"Type System ID"
#define OPC_PROPERTY_DESC_DICTIONARY_ID u"Dictionary ID"
#define OPC_PROPERTY_DESC_TYPE_ID u"Type ID"
#define OPC_PROPERTY_DESC_DICTIONARY u"Dictionary"
#define OPC_PROPERTY_DESC_TYPE_DESCRIPTION u"Type Description"
#define OPC_PROPERTY_DESC_CONSISTENCY_WINDOW u"Consistency Window"
#define OPC_PROPERTY_DESC_WRITE_BEHAVIOR u"Write Behavior"
#define OPC_PROPERTY_DESC_UNCONVERTED_ITEM_ID u"Unconverted Item ID"
#define OPC_PROPERTY_DESC_UNFILTERED_ITEM_ID u"Unfiltered Item ID"
#define OPC_PROPERTY_DESC_DATA_FILTER_VALUE u"Data Filter Value"

// Result codes of Data Access servers.
#define OPC_E_INVALIDHANDLE ((HRESULT)0xC0040001L)
#define OPC_E_BADTYPE ((HRESULT)0xC0040004L)
#define OPC_E_PUBLIC ((HRESULT)0xC0040005L)
#define OPC_E_BADRIGHTS ((HRESULT)0xC0040006L)
#define OPC_E_UNKNOWNITEMID ((HRESULT)0xC0040007L)
#define OPC_E_INVALIDITEMID ((HRESULT)0xC0040008L)
#define OPC_E_INVALIDFILTER ((HRESULT)0xC0040009L)
#define OPC_E_UNKNOWNPATH ((HRESULT)0xC004000AL)
#define OPC_E_RANGE ((HRESULT)0xC004000BL)
#define OPC_E_DUPLICATENAME ((HRESULT)0xC004000CL)
#define OPC_S_UNSUPPORTEDRATE ((HRESULT)0x0004000DL)
#define OPC_S_CLAMP ((HRESULT)0x0004000EL)
#define OPC_S_INUSE ((HRESULT)0x0004000FL)
#define OPC_E_INVALIDCONFIGFILE ((HRESULT)0xC0040010L)
#define OPC_E_NOTFOUND ((HRESULT)0xC0040011L)
#define OPC_E_INVALID_PID ((HRESULT)0xC0040203L)
#define OPC_E_DEADBANDNOTSET ((HRESULT)0xC0040400L)
#define OPC_E_DEADBANDNOTSUPPORTED ((HRESULT)0xC0040401L)
#define OPC_E_NOBUFFERING ((HRESULT)0xC0040402L)
#define OPC_E_INVALIDCONTINUATIONPOINT ((HRESULT)0xC0040403L)
#define OPC_S_DATAQUEUEOVERFLOW ((HRESULT)0x00040404L)
#define OPC_E_RATENOTSET ((HRESULT)0xC0040405L)
#define OPC_E_NOTSUPPORTED ((HRESULT)0xC0040406L)
#define OPCCPX_E_TYPE_CHANGED ((HRESULT)0xC0040407L)
#define OPCCPX_E_FILTER_DUPLICATE ((HRESULT)0xC0040408L)
#define OPCCPX_E_FILTER_INVALID ((HRESULT)0xC0040409L)
#define OPCCPX_E_FILTER_ERROR ((HRESULT)0xC004040AL)
#define OPCCPX_S_FILTER_NO_DATA ((HRESULT)0x0004040BL)

ZELK_DEFINE_GUID(IID_IOPCServer, 0x39C13A4D, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3);
struct IOPCServer : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE AddGroup(LPCWSTR szName, BOOL bActive, DWORD dwRequestedUpdateRate,
                                             OPCHANDLE hClientGroup, LONG* pTimeBias, FLOAT* pPercentDeadband,
                                             DWORD dwLCID, OPCHANDLE* phServerGroup, DWORD* pRevisedUpdateRate,
                                             REFIID riid, LPUNKNOWN* ppUnk) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetErrorString(HRESULT dwError, LCID dwLocale, LPWSTR* ppString) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetGroupByName(LPCWSTR szName, REFIID riid, LPUNKNOWN* ppUnk) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStatus(OPCSERVERSTATUS** ppServerStatus) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemoveGroup(OPCHANDLE hServerGroup, BOOL bForce) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateGroupEnumerator(OPCENUMSCOPE dwScope, REFIID riid, LPUNKNOWN* ppUnk) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCServer, IID_IOPCServer);

ZELK_DEFINE_GUID(IID_IOPCServerPublicGroups, 0x39C13A4E, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3);
struct IOPCServerPublicGroups : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetPublicGroupByName(LPCWSTR szName, REFIID riid, LPUNKNOWN* ppUnk) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemovePublicGroup(OPCHANDLE hServerGroup, BOOL bForce) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCServerPublicGroups, IID_IOPCServerPublicGroups);

ZELK_DEFINE_GUID(IID_IOPCBrowseServerAddressSpace, 0x39C13A4F, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD,
                 0xB3);
struct IOPCBrowseServerAddressSpace : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryOrganization(OPCNAMESPACETYPE* pNameSpaceType) = 0;
  virtual HRESULT STDMETHODCALLTYPE ChangeBrowsePosition(OPCBROWSEDIRECTION dwBrowseDirection, LPCWSTR szString) = 0;
  virtual HRESULT STDMETHODCALLTYPE BrowseOPCItemIDs(OPCBROWSETYPE dwBrowseFilterType, LPCWSTR szFilterCriteria,
                                                     VARTYPE vtDataTypeFilter, DWORD dwAccessRightsFilter,
                                                     IEnumString** ppIEnumString) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetItemID(LPWSTR szItemDataID, LPWSTR* szItemID) = 0;
  virtual HRESULT STDMETHODCALLTYPE BrowseAccessPaths(LPCWSTR szItemID, IEnumString** ppIEnumString) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCBrowseServerAddressSpace, IID_IOPCBrowseServerAddressSpace);

ZELK_DEFINE_GUID(IID_IOPCGroupStateMgt, 0x39C13A50, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3);
struct IOPCGroupStateMgt : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetState(DWORD* pUpdateRate, BOOL* pActive, LPWSTR* ppName, LONG* pTimeBias,
                                             FLOAT* pPercentDeadband, DWORD* pLCID, OPCHANDLE* phClientGroup,
                                             OPCHANDLE* phServerGroup) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetState(DWORD* pRequestedUpdateRate, DWORD* pRevisedUpdateRate, BOOL* pActive,
                                             LONG* pTimeBias, FLOAT* pPercentDeadband, DWORD* pLCID,
                                             OPCHANDLE* phClientGroup) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetName(LPCWSTR szName) = 0;
  virtual HRESULT STDMETHODCALLTYPE CloneGroup(LPCWSTR szName, REFIID riid, LPUNKNOWN* ppUnk) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCGroupStateMgt, IID_IOPCGroupStateMgt);

ZELK_DEFINE_GUID(IID_IOPCPublicGroupStateMgt, 0x39C13A51, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3);
struct IOPCPublicGroupStateMgt : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetState(BOOL* pPublic) = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveToPublic() = 0;
};
ZELK_DECLARE_UUIDOF(IOPCPublicGroupStateMgt, IID_IOPCPublicGroupStateMgt);

ZELK_DEFINE_GUID(IID_IOPCSyncIO, 0x39C13A52, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3);
struct IOPCSyncIO : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Read(OPCDATASOURCE dwSource, DWORD dwCount, OPCHANDLE* phServer,
                                         OPCITEMSTATE** ppItemValues, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues,
                                          HRESULT** ppErrors) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCSyncIO, IID_IOPCSyncIO);

ZELK_DEFINE_GUID(IID_IOPCAsyncIO, 0x39C13A53, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3);
struct IOPCAsyncIO : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Read(DWORD dwConnection, OPCDATASOURCE dwSource, DWORD dwCount,
                                         OPCHANDLE* phServer, DWORD* pTransactionID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Write(DWORD dwConnection, DWORD dwCount, OPCHANDLE* phServer,
                                          VARIANT* pItemValues, DWORD* pTransactionID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Refresh(DWORD dwConnection, OPCDATASOURCE dwSource, DWORD* pTransactionID) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel(DWORD dwTransactionID) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCAsyncIO, IID_IOPCAsyncIO);

ZELK_DEFINE_GUID(IID_IOPCItemMgt, 0x39C13A54, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3);
struct IOPCItemMgt : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE AddItems(DWORD dwCount, OPCITEMDEF* pItemArray, OPCITEMRESULT** ppAddResults,
                                             HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ValidateItems(DWORD dwCount, OPCITEMDEF* pItemArray, BOOL bBlobUpdate,
                                                  OPCITEMRESULT** ppValidationResults, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemoveItems(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetActiveState(DWORD dwCount, OPCHANDLE* phServer, BOOL bActive,
                                                   HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetClientHandles(DWORD dwCount, OPCHANDLE* phServer, OPCHANDLE* phClient,
                                                     HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDatatypes(DWORD dwCount, OPCHANDLE* phServer, VARTYPE* pRequestedDatatypes,
                                                 HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateEnumerator(REFIID riid, LPUNKNOWN* ppUnk) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCItemMgt, IID_IOPCItemMgt);

ZELK_DEFINE_GUID(IID_IEnumOPCItemAttributes, 0x39C13A55, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3);
struct IEnumOPCItemAttributes : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, OPCITEMATTRIBUTES** ppItemArray, ULONG* pceltFetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumOPCItemAttributes** ppEnumItemAttributes) = 0;
};
ZELK_DECLARE_UUIDOF(IEnumOPCItemAttributes, IID_IEnumOPCItemAttributes);

ZELK_DEFINE_GUID(IID_IOPCDataCallback, 0x39C13A70, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3);
struct IOPCDataCallback : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE OnDataChange(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMasterquality,
                                                 HRESULT hrMastererror, DWORD dwCount, OPCHANDLE* phClientItems,
                                                 VARIANT* pvValues, WORD* pwQualities, FILETIME* pftTimeStamps,
                                                 HRESULT* pErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnReadComplete(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMasterquality,
                                                   HRESULT hrMastererror, DWORD dwCount, OPCHANDLE* phClientItems,
                                                   VARIANT* pvValues, WORD* pwQualities, FILETIME* pftTimeStamps,
                                                   HRESULT* pErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnWriteComplete(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMastererr,
                                                    DWORD dwCount, OPCHANDLE* pClienthandles, HRESULT* pErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnCancelComplete(DWORD dwTransid, OPCHANDLE hGroup) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCDataCallback, IID_IOPCDataCallback);

ZELK_DEFINE_GUID(IID_IOPCAsyncIO2, 0x39C13A71, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3);
struct IOPCAsyncIO2 : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Read(DWORD dwCount, OPCHANDLE* phServer, DWORD dwTransactionID,
                                         DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues,
                                          DWORD dwTransactionID, DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Refresh2(OPCDATASOURCE dwSource, DWORD dwTransactionID, DWORD* pdwCancelID) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel2(DWORD dwCancelID) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetEnable(BOOL bEnable) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEnable(BOOL* pbEnable) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCAsyncIO2, IID_IOPCAsyncIO2);

ZELK_DEFINE_GUID(IID_IOPCItemProperties, 0x39C13A72, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3);
struct IOPCItemProperties : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryAvailableProperties(LPWSTR szItemID, DWORD* pdwCount, DWORD** ppPropertyIDs,
                                                             LPWSTR** ppDescriptions, VARTYPE** ppvtDataTypes) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetItemProperties(LPWSTR szItemID, DWORD dwCount, DWORD* pdwPropertyIDs,
                                                      VARIANT** ppvData, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE LookupItemIDs(LPWSTR szItemID, DWORD dwCount, DWORD* pdwPropertyIDs,
                                                  LPWSTR** ppszNewItemIDs, HRESULT** ppErrors) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCItemProperties, IID_IOPCItemProperties);

ZELK_DEFINE_GUID(IID_IOPCItemDeadbandMgt, 0x5946DA93, 0x8B39, 0x4EC8, 0xAB, 0x3D, 0xAA, 0x73, 0xDF, 0x5B, 0xC8, 0x6F);
struct IOPCItemDeadbandMgt : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetItemDeadband(DWORD dwCount, OPCHANDLE* phServer, FLOAT* pPercentDeadband,
                                                    HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetItemDeadband(DWORD dwCount, OPCHANDLE* phServer, FLOAT** ppPercentDeadband,
                                                    HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ClearItemDeadband(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCItemDeadbandMgt, IID_IOPCItemDeadbandMgt);

ZELK_DEFINE_GUID(IID_IOPCItemSamplingMgt, 0x3E22D313, 0xF08B, 0x41A5, 0x86, 0xC8, 0x95, 0xE9, 0x5C, 0xB4, 0x9F, 0xFC);
struct IOPCItemSamplingMgt : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetItemSamplingRate(DWORD dwCount, OPCHANDLE* phServer,
                                                        DWORD* pdwRequestedSamplingRate,
                                                        DWORD** ppdwRevisedSamplingRate, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetItemSamplingRate(DWORD dwCount, OPCHANDLE* phServer, DWORD** ppdwSamplingRate,
                                                        HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ClearItemSamplingRate(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetItemBufferEnable(DWORD dwCount, OPCHANDLE* phServer, BOOL* pbEnable,
                                                        HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetItemBufferEnable(DWORD dwCount, OPCHANDLE* phServer, BOOL** ppbEnable,
                                                        HRESULT** ppErrors) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCItemSamplingMgt, IID_IOPCItemSamplingMgt);

ZELK_DEFINE_GUID(IID_IOPCBrowse, 0x39227004, 0xA18F, 0x4B57, 0x8B, 0x0A, 0x52, 0x35, 0x67, 0x0F, 0x44, 0x68);
struct IOPCBrowse : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetProperties(DWORD dwItemCount, LPWSTR* pszItemIDs, BOOL bReturnPropertyValues,
                                                  DWORD dwPropertyCount, DWORD* pdwPropertyIDs,
                                                  OPCITEMPROPERTIES** ppItemProperties) = 0;
  virtual HRESULT STDMETHODCALLTYPE Browse(LPWSTR szItemID, LPWSTR* pszContinuationPoint, DWORD dwMaxElementsReturned,
                                           OPCBROWSEFILTER dwBrowseFilter, LPWSTR szElementNameFilter,
                                           LPWSTR szVendorFilter, BOOL bReturnAllProperties,
                                           BOOL bReturnPropertyValues, DWORD dwPropertyCount, DWORD* pdwPropertyIDs,
                                           BOOL* pbMoreElements, DWORD* pdwCount,
                                           OPCBROWSEELEMENT** ppBrowseElements) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCBrowse, IID_IOPCBrowse);

ZELK_DEFINE_GUID(IID_IOPCItemIO, 0x85C0B427, 0x2893, 0x4CBC, 0xBD, 0x78, 0xE5, 0xFC, 0x51, 0x46, 0xF0, 0x8F);
struct IOPCItemIO : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Read(DWORD dwCount, LPCWSTR* pszItemIDs, DWORD* pdwMaxAge, VARIANT** ppvValues,
                                         WORD** ppwQualities, FILETIME** ppftTimeStamps, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteVQT(DWORD dwCount, LPCWSTR* pszItemIDs, OPCITEMVQT* pItemVQT,
                                             HRESULT** ppErrors) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCItemIO, IID_IOPCItemIO);

ZELK_DEFINE_GUID(IID_IOPCSyncIO2, 0x730F5F0F, 0x55B1, 0x4C81, 0x9E, 0x18, 0xFF, 0x8A, 0x09, 0x04, 0xE1, 0xFA);
struct IOPCSyncIO2 : IOPCSyncIO {
  virtual HRESULT STDMETHODCALLTYPE ReadMaxAge(DWORD dwCount, OPCHANDLE* phServer, DWORD* pdwMaxAge,
                                               VARIANT** ppvValues, WORD** ppwQualities, FILETIME** ppftTimeStamps,
                                               HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteVQT(DWORD dwCount, OPCHANDLE* phServer, OPCITEMVQT* pItemVQT,
                                             HRESULT** ppErrors) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCSyncIO2, IID_IOPCSyncIO2);

ZELK_DEFINE_GUID(IID_IOPCAsyncIO3, 0x0967B97B, 0x36EF, 0x423E, 0xB6, 0xF8, 0x6B, 0xFF, 0x1E, 0x40, 0xD3, 0x9D);
struct IOPCAsyncIO3 : IOPCAsyncIO2 {
  virtual HRESULT STDMETHODCALLTYPE ReadMaxAge(DWORD dwCount, OPCHANDLE* phServer, DWORD* pdwMaxAge,
                                               DWORD dwTransactionID, DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteVQT(DWORD dwCount, OPCHANDLE* phServer, OPCITEMVQT* pItemVQT,
                                             DWORD dwTransactionID, DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE RefreshMaxAge(DWORD dwMaxAge, DWORD dwTransactionID, DWORD* pdwCancelID) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCAsyncIO3, IID_IOPCAsyncIO3);

ZELK_DEFINE_GUID(IID_IOPCGroupStateMgt2, 0x8E368666, 0xD72E, 0x4F78, 0x87, 0xED, 0x64, 0x76, 0x11, 0xC6, 0x1C, 0x9F);
struct IOPCGroupStateMgt2 : IOPCGroupStateMgt {
  virtual HRESULT STDMETHODCALLTYPE SetKeepAlive(DWORD dwKeepAliveTime, DWORD* pdwRevisedKeepAliveTime) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetKeepAlive(DWORD* pdwKeepAliveTime) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCGroupStateMgt2, IID_IOPCGroupStateMgt2);
