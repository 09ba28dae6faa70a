#pragma once
// OPC Historical Data Access 1.20 custom interfaces.

#include "platform/win32.h"

typedef DWORD OPCHANDLE;

typedef enum tagOPCHDA_SERVERSTATUS {
  OPCHDA_UP = 1,
  OPCHDA_DOWN,
  OPCHDA_INDETERMINATE,
} OPCHDA_SERVERSTATUS;

typedef enum tagOPCHDA_BROWSEDIRECTION {
  OPCHDA_BROWSE_UP = 1,
  OPCHDA_BROWSE_DOWN,
  OPCHDA_BROWSE_DIRECT,
} OPCHDA_BROWSEDIRECTION;

typedef enum tagOPCHDA_BROWSETYPE {
  OPCHDA_BRANCH = 1,
  OPCHDA_LEAF,
  OPCHDA_FLAT,
  OPCHDA_ITEMS,
} OPCHDA_BROWSETYPE;

typedef enum tagOPCHDA_ANNOTATIONCAPABILITIES {
  OPCHDA_READANNOTATIONCAP = 0x01,
  OPCHDA_INSERTANNOTATIONCAP = 0x02,
} OPCHDA_ANNOTATIONCAPABILITIES;

typedef enum tagOPCHDA_UPDATECAPABILITIES {
  OPCHDA_INSERTCAP = 0x01,
  OPCHDA_REPLACECAP = 0x02,
  OPCHDA_INSERTREPLACECAP = 0x04,
  OPCHDA_DELETERAWCAP = 0x08,
  OPCHDA_DELETEATTIMECAP = 0x10,
} OPCHDA_UPDATECAPABILITIES;

typedef enum tagOPCHDA_OPERATORCODES {
  OPCHDA_EQUAL = 1,
  OPCHDA_LESS,
  OPCHDA_LESSEQUAL,
  OPCHDA_GREATER,
  OPCHDA_GREATEREQUAL,
  OPCHDA_NOTEQUAL,
} OPCHDA_OPERATORCODES;

typedef enum tagOPCHDA_EDITTYPE {
  OPCHDA_INSERT = 1,
  OPCHDA_REPLACE,
  OPCHDA_INSERTREPLACE,
  OPCHDA_DELETE,
} OPCHDA_EDITTYPE;

typedef enum tagOPCHDA_AGGREGATE {
  OPCHDA_NOAGGREGATE = 0,
  OPCHDA_INTERPOLATIVE,
  OPCHDA_TOTAL,
  OPCHDA_AVERAGE,
  OPCHDA_TIMEAVERAGE,
  OPCHDA_COUNT,
  OPCHDA_STDEV,
  OPCHDA_MINIMUMACTUALTIME,
  OPCHDA_MINIMUM,
  OPCHDA_MAXIMUMACTUALTIME,
  OPCHDA_MAXIMUM,
  OPCHDA_START,
  OPCHDA_END,
  OPCHDA_DELTA,
  OPCHDA_REGSLOPE,
  OPCHDA_REGCONST,
  OPCHDA_REGDEV,
  OPCHDA_VARIANCE,
  OPCHDA_RANGE,
  OPCHDA_DURATIONGOOD,
  OPCHDA_DURATIONBAD,
  OPCHDA_PERCENTGOOD,
  OPCHDA_PERCENTBAD,
  OPCHDA_WORSTQUALITY,
  OPCHDA_ANNOTATIONS,
} OPCHDA_AGGREGATE;

typedef struct tagOPCHDA_ANNOTATION {
  OPCHANDLE hClient;
  DWORD dwNumValues;
  FILETIME* ftTimeStamps;
  LPWSTR* szAnnotation;
  FILETIME* ftAnnotationTime;
  LPWSTR* szUser;
} OPCHDA_ANNOTATION;

typedef struct tagOPCHDA_MODIFIEDITEM {
  OPCHANDLE hClient;
  DWORD dwCount;
  FILETIME* pftTimeStamps;
  DWORD* pdwQualities;
  VARIANT* pvDataValues;
  FILETIME* pftModificationTime;
  OPCHDA_EDITTYPE* pEditType;
  LPWSTR* szUser;
} OPCHDA_MODIFIEDITEM;

typedef struct tagOPCHDA_ATTRIBUTE {
  OPCHANDLE hClient;
  DWORD dwNumValues;
  DWORD dwAttributeID;
  FILETIME* ftTimeStamps;
  VARIANT* vAttributeValues;
} OPCHDA_ATTRIBUTE;

// A time given either as a FILETIME or, when bString is set, as a relative or absolute time text.
typedef struct tagOPCHDA_TIME {
  BOOL bString;
  LPWSTR szTime;
  FILETIME ftTime;
} OPCHDA_TIME;

typedef struct tagOPCHDA_ITEM {
  OPCHANDLE hClient;
  DWORD haAggregate;
  DWORD dwCount;
  FILETIME* pftTimeStamps;
  DWORD* pdwQualities;
  VARIANT* pvDataValues;
} OPCHDA_ITEM;

// Item attribute ids and names.
#define OPCHDA_DATA_TYPE 0x01
#define OPCHDA_DESCRIPTION 0x02
#define OPCHDA_ENG_UNITS 0x03
#define OPCHDA_STEPPED 0x04
#define OPCHDA_ARCHIVING 0x05
#define OPCHDA_DERIVE_EQUATION 0x06
#define OPCHDA_NODE_NAME 0x07
#define OPCHDA_PROCESS_NAME 0x08
#define OPCHDA_SOURCE_NAME 0x09
#define OPCHDA_SOURCE_TYPE 0x0A
#define OPCHDA_NORMAL_MAXIMUM 0x0B
#define OPCHDA_NORMAL_MINIMUM 0x0C
#define OPCHDA_ITEMID 0x0D
#define OPCHDA_MAX_TIME_INT 0x0E
#define OPCHDA_MIN_TIME_INT 0x0F
#define OPCHDA_EXCEPTION_DEV 0x10
#define OPCHDA_EXCEPTION_DEV_TYPE 0x11
#define OPCHDA_HIGH_ENTRY_LIMIT 0x12
#define OPCHDA_LOW_ENTRY_LIMIT 0x13

#define OPCHDA_ATTRNAME_DATA_TYPE u"Data Type"
#define OPCHDA_ATTRNAME_DESCRIPTION u"Description"
#define OPCHDA_ATTRNAME_ENG_UNITS u"Eng Units"
#define OPCHDA_ATTRNAME_STEPPED u"Stepped"
#define OPCHDA_ATTRNAME_ARCHIVING u"Archiving"
#define OPCHDA_ATTRNAME_DERIVE_EQUATION u"Derive Equation"
#define OPCHDA_ATTRNAME_NODE_NAME u"Node Name"
#define OPCHDA_ATTRNAME_PROCESS_NAME u"Process Name"
#define OPCHDA_ATTRNAME_SOURCE_NAME u"Source Name"
#define OPCHDA_ATTRNAME_SOURCE_TYPE u"Source Type"
#define OPCHDA_ATTRNAME_NORMAL_MAXIMUM u"Normal Maximum"
#define OPCHDA_ATTRNAME_NORMAL_MINIMUM u"Normal Minimum"
#define OPCHDA_ATTRNAME_ITEMID u"ItemID"
#define OPCHDA_ATTRNAME_MAX_TIME_INT u"Max Time Interval"
#define OPCHDA_ATTRNAME_MIN_TIME_INT u"Min Time Interval"
#define OPCHDA_ATTRNAME_EXCEPTION_DEV u"Exception Deviation"
#define OPCHDA_ATTRNAME_EXCEPTION_DEV_TYPE u"Exception Dev Type"
#define OPCHDA_ATTRNAME_HIGH_ENTRY_LIMIT u"High Entry Limit"
#define OPCHDA_ATTRNAME_LOW_ENTRY_LIMIT u"Low Entry Limit"

#define OPCHDA_AGGRNAME_INTERPOLATIVE u"Interpolative"
#define OPCHDA_AGGRNAME_TOTAL u"Total"
#define OPCHDA_AGGRNAME_AVERAGE u"Average"
#define OPCHDA_AGGRNAME_TIMEAVERAGE u"Time Average"
#define OPCHDA_AGGRNAME_COUNT u"Count"
#define OPCHDA_AGGRNAME_STDEV u"Standard Deviation"
#define OPCHDA_AGGRNAME_MINIMUMACTUALTIME u"Minimum Actual Time"
#define OPCHDA_AGGRNAME_MINIMUM u"Minimum"
#define OPCHDA_AGGRNAME_MAXIMUMACTUALTIME u"Maximum Actual Time"
#define OPCHDA_AGGRNAME_MAXIMUM u"Maximum"
#define OPCHDA_AGGRNAME_START u"Start"
#define OPCHDA_AGGRNAME_END u"End"
#define OPCHDA_AGGRNAME_DELTA u"Delta"
#define OPCHDA_AGGRNAME_REGSLOPE u"Regression Line Slope"
#define OPCHDA_AGGRNAME_REGCONST u"Regression Line Constant"
#define OPCHDA_AGGRNAME_REGDEV u"Regression Line Error"
#define OPCHDA_AGGRNAME_VARIANCE u"Variance"
#define OPCHDA_AGGRNAME_RANGE u"Range"
#define OPCHDA_AGGRNAME_DURATIONGOOD u"Duration Good"
#define OPCHDA_AGGRNAME_DURATIONBAD u"Duration Bad"
#define OPCHDA_AGGRNAME_PERCENTGOOD u"Percent Good"
#define OPCHDA_AGGRNAME_PERCENTBAD u"Percent Bad"
#define OPCHDA_AGGRNAME_WORSTQUALITY u"Worst Quality"
#define OPCHDA_AGGRNAME_ANNOTATIONS u"Annotations"

// History quality flags: the high 16 bits of a value's quality; the low 16 bits hold its Data
// Access quality.
#define OPCHDA_EXTRADATA 0x00010000
#define OPCHDA_INTERPOLATED 0x00020000
#define OPCHDA_RAW 0x00040000
#define OPCHDA_CALCULATED 0x00080000
#define OPCHDA_NOBOUND 0x00100000
#define OPCHDA_NODATA 0x00200000
#define OPCHDA_DATALOST 0x00400000
#define OPCHDA_CONVERSION 0x00800000
#define OPCHDA_PARTIAL 0x01000000

// Result codes of history servers.
#define OPC_E_MAXEXCEEDED ((HRESULT)0xC0041001L)
#define OPC_S_NODATA ((HRESULT)0x40041002L)
#define OPC_S_MOREDATA ((HRESULT)0x40041003L)
#define OPC_E_INVALIDAGGREGATE ((HRESULT)0xC0041004L)
#define OPC_S_CURRENTVALUE ((HRESULT)0x40041005L)
#define OPC_S_EXTRADATA ((HRESULT)0x40041006L)
#define OPC_W_NOFILTER ((HRESULT)0x80041007L)
#define OPC_E_UNKNOWNATTRID ((HRESULT)0xC0041008L)
#define OPC_E_NOT_AVAIL ((HRESULT)0xC0041009L)
#define OPC_E_INVALIDDATATYPE ((HRESULT)0xC004100AL)
#define OPC_E_DATAEXISTS ((HRESULT)0xC004100BL)
#define OPC_E_INVALIDATTRID ((HRESULT)0xC004100CL)
#define OPC_E_NODATAEXISTS ((HRESULT)0xC004100DL)
#define OPC_S_INSERTED ((HRESULT)0x4004100EL)
#define OPC_S_REPLACED ((HRESULT)0x4004100FL)

ZELK_DEFINE_GUID(IID_IOPCHDA_Browser, 0x1F1217B1, 0xDEE0, 0x11D2, 0xA5, 0xE5, 0x00, 0x00, 0x86, 0x33, 0x93, 0x99);
struct IOPCHDA_Browser : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetEnum(OPCHDA_BROWSETYPE dwBrowseType, IEnumString** ppIEnumString) = 0;
  virtual HRESULT STDMETHODCALLTYPE ChangeBrowsePosition(OPCHDA_BROWSEDIRECTION dwBrowseDirection,
                                                         LPCWSTR szString) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetItemID(LPCWSTR szNode, LPWSTR* pszItemID) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBranchPosition(LPWSTR* pszBranchPos) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCHDA_Browser, IID_IOPCHDA_Browser);

ZELK_DEFINE_GUID(IID_IOPCHDA_Server, 0x1F1217B0, 0xDEE0, 0x11D2, 0xA5, 0xE5, 0x00, 0x00, 0x86, 0x33, 0x93, 0x99);
struct IOPCHDA_Server : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetItemAttributes(DWORD* pdwCount, DWORD** ppdwAttrID, LPWSTR** ppszAttrName,
                                                      LPWSTR** ppszAttrDesc, VARTYPE** ppvtAttrDataType) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAggregates(DWORD* pdwCount, DWORD** ppdwAggrID, LPWSTR** ppszAggrName,
                                                  LPWSTR** ppszAggrDesc) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHistorianStatus(OPCHDA_SERVERSTATUS* pwStatus, FILETIME** pftCurrentTime,
                                                       FILETIME** pftStartTime, WORD* pwMajorVersion,
                                                       WORD* pwMinorVersion, WORD* pwBuildNumber,
                                                       DWORD* pdwMaxReturnValues, LPWSTR* ppszStatusString,
                                                       LPWSTR* ppszVendorInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetItemHandles(DWORD dwCount, LPWSTR* pszItemID, OPCHANDLE* phClient,
                                                   OPCHANDLE** pphServer, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReleaseItemHandles(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ValidateItemIDs(DWORD dwCount, LPWSTR* pszItemID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBrowse(DWORD dwCount, DWORD* pdwAttrID, OPCHDA_OPERATORCODES* pOperator,
                                                 VARIANT* vFilter, IOPCHDA_Browser** pphBrowser,
                                                 HRESULT** ppErrors) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCHDA_Server, IID_IOPCHDA_Server);

ZELK_DEFINE_GUID(IID_IOPCHDA_SyncRead, 0x1F1217B2, 0xDEE0, 0x11D2, 0xA5, 0xE5, 0x00, 0x00, 0x86, 0x33, 0x93, 0x99);
struct IOPCHDA_SyncRead : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ReadRaw(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumValues,
                                            BOOL bBounds, DWORD dwNumItems, OPCHANDLE* phServer,
                                            OPCHDA_ITEM** ppItemValues, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadProcessed(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                                  FILETIME ftResampleInterval, DWORD dwNumItems, OPCHANDLE* phServer,
                                                  DWORD* haAggregate, OPCHDA_ITEM** ppItemValues,
                                                  HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadAtTime(DWORD dwNumTimeStamps, FILETIME* ftTimeStamps, DWORD dwNumItems,
                                               OPCHANDLE* phServer, OPCHDA_ITEM** ppItemValues,
                                               HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadModified(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumValues,
                                                 DWORD dwNumItems, OPCHANDLE* phServer,
                                                 OPCHDA_MODIFIEDITEM** ppItemValues, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadAttribute(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, OPCHANDLE hServer,
                                                  DWORD dwNumAttributes, DWORD* pdwAttributeIDs,
                                                  OPCHDA_ATTRIBUTE** ppAttributeValues, HRESULT** ppErrors) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCHDA_SyncRead, IID_IOPCHDA_SyncRead);

ZELK_DEFINE_GUID(IID_IOPCHDA_SyncUpdate, 0x1F1217B3, 0xDEE0, 0x11D2, 0xA5, 0xE5, 0x00, 0x00, 0x86, 0x33, 0x93, 0x99);
struct IOPCHDA_SyncUpdate : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryCapabilities(OPCHDA_UPDATECAPABILITIES* pCapabilities) = 0;
  virtual HRESULT STDMETHODCALLTYPE Insert(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                                           VARIANT* vDataValues, DWORD* pdwQualities, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Replace(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                                            VARIANT* vDataValues, DWORD* pdwQualities, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE InsertReplace(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                                                  VARIANT* vDataValues, DWORD* pdwQualities, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteRaw(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumItems,
                                              OPCHANDLE* phServer, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteAtTime(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                                                 HRESULT** ppErrors) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCHDA_SyncUpdate, IID_IOPCHDA_SyncUpdate);

ZELK_DEFINE_GUID(IID_IOPCHDA_SyncAnnotations, 0x1F1217B4, 0xDEE0, 0x11D2, 0xA5, 0xE5, 0x00, 0x00, 0x86, 0x33, 0x93,
                 0x99);
struct IOPCHDA_SyncAnnotations : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryCapabilities(OPCHDA_ANNOTATIONCAPABILITIES* pCapabilities) = 0;
  virtual HRESULT STDMETHODCALLTYPE Read(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumItems,
                                         OPCHANDLE* phServer, OPCHDA_ANNOTATION** ppAnnotationValues,
                                         HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Insert(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                                           OPCHDA_ANNOTATION* pAnnotationValues, HRESULT** ppErrors) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCHDA_SyncAnnotations, IID_IOPCHDA_SyncAnnotations);

ZELK_DEFINE_GUID(IID_IOPCHDA_AsyncRead, 0x1F1217B5, 0xDEE0, 0x11D2, 0xA5, 0xE5, 0x00, 0x00, 0x86, 0x33, 0x93, 0x99);
struct IOPCHDA_AsyncRead : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ReadRaw(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                            DWORD dwNumValues, BOOL bBounds, DWORD dwNumItems, OPCHANDLE* phServer,
                                            DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE AdviseRaw(DWORD dwTransactionID, OPCHDA_TIME* htStartTime,
                                              FILETIME ftUpdateInterval, DWORD dwNumItems, OPCHANDLE* phServer,
                                              DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadProcessed(DWORD dwTransactionID, OPCHDA_TIME* htStartTime,
                                                  OPCHDA_TIME* htEndTime, FILETIME ftResampleInterval,
                                                  DWORD dwNumItems, OPCHANDLE* phServer, DWORD* haAggregate,
                                                  DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE AdviseProcessed(DWORD dwTransactionID, OPCHDA_TIME* htStartTime,
                                                    FILETIME ftResampleInterval, DWORD dwNumItems,
                                                    OPCHANDLE* phServer, DWORD* haAggregate, DWORD dwNumIntervals,
                                                    DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadAtTime(DWORD dwTransactionID, DWORD dwNumTimeStamps, FILETIME* ftTimeStamps,
                                               DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID,
                                               HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadModified(DWORD dwTransactionID, OPCHDA_TIME* htStartTime,
                                                 OPCHDA_TIME* htEndTime, DWORD dwNumValues, DWORD dwNumItems,
                                                 OPCHANDLE* phServer, DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadAttribute(DWORD dwTransactionID, OPCHDA_TIME* htStartTime,
                                                  OPCHDA_TIME* htEndTime, OPCHANDLE hServer, DWORD dwNumAttributes,
                                                  DWORD* dwAttributeIDs, DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel(DWORD dwCancelID) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCHDA_AsyncRead, IID_IOPCHDA_AsyncRead);

ZELK_DEFINE_GUID(IID_IOPCHDA_AsyncUpdate, 0x1F1217B6, 0xDEE0, 0x11D2, 0xA5, 0xE5, 0x00, 0x00, 0x86, 0x33, 0x93, 0x99);
struct IOPCHDA_AsyncUpdate : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryCapabilities(OPCHDA_UPDATECAPABILITIES* pCapabilities) = 0;
  virtual HRESULT STDMETHODCALLTYPE Insert(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer,
                                           FILETIME* ftTimeStamps, VARIANT* vDataValues, DWORD* pdwQualities,
                                           DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Replace(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer,
                                            FILETIME* ftTimeStamps, VARIANT* vDataValues, DWORD* pdwQualities,
                                            DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE InsertReplace(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer,
                                                  FILETIME* ftTimeStamps, VARIANT* vDataValues, DWORD* pdwQualities,
                                                  DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteRaw(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                              DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID,
                                              HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteAtTime(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer,
                                                 FILETIME* ftTimeStamps, DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel(DWORD dwCancelID) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCHDA_AsyncUpdate, IID_IOPCHDA_AsyncUpdate);

ZELK_DEFINE_GUID(IID_IOPCHDA_AsyncAnnotations, 0x1F1217B7, 0xDEE0, 0x11D2, 0xA5, 0xE5, 0x00, 0x00, 0x86, 0x33, 0x93,
                 0x99);
struct IOPCHDA_AsyncAnnotations : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryCapabilities(OPCHDA_ANNOTATIONCAPABILITIES* pCapabilities) = 0;
  virtual HRESULT STDMETHODCALLTYPE Read(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                         DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID,
                                         HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Insert(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer,
                                           FILETIME* ftTimeStamps, OPCHDA_ANNOTATION* pAnnotationValues,
                                           DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel(DWORD dwCancelID) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCHDA_AsyncAnnotations, IID_IOPCHDA_AsyncAnnotations);

ZELK_DEFINE_GUID(IID_IOPCHDA_Playback, 0x1F1217B8, 0xDEE0, 0x11D2, 0xA5, 0xE5, 0x00, 0x00, 0x86, 0x33, 0x93, 0x99);
struct IOPCHDA_Playback : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ReadRawWithUpdate(DWORD dwTransactionID, OPCHDA_TIME* htStartTime,
                                                      OPCHDA_TIME* htEndTime, DWORD dwNumValues,
                                                      FILETIME ftUpdateDuration, FILETIME ftUpdateInterval,
                                                      DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID,
                                                      HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadProcessedWithUpdate(DWORD dwTransactionID, OPCHDA_TIME* htStartTime,
                                                            OPCHDA_TIME* htEndTime, FILETIME ftResampleInterval,
                                                            DWORD dwNumIntervals, FILETIME ftUpdateInterval,
                                                            DWORD dwNumItems, OPCHANDLE* phServer,
                                                            DWORD* haAggregate, DWORD* pdwCancelID,
                                                            HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel(DWORD dwCancelID) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCHDA_Playback, IID_IOPCHDA_Playback);

ZELK_DEFINE_GUID(IID_IOPCHDA_DataCallback, 0x1F1217B9, 0xDEE0, 0x11D2, 0xA5, 0xE5, 0x00, 0x00, 0x86, 0x33, 0x93, 0x99);
struct IOPCHDA_DataCallback : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE OnDataChange(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwNumItems,
                                                 OPCHDA_ITEM* pItemValues, HRESULT* phrErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnReadComplete(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwNumItems,
                                                   OPCHDA_ITEM* pItemValues, HRESULT* phrErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnReadModifiedComplete(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwNumItems,
                                                           OPCHDA_MODIFIEDITEM* pItemValues, HRESULT* phrErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnReadAttributeComplete(DWORD dwTransactionID, HRESULT hrStatus, OPCHANDLE hClient,
                                                            DWORD dwNumItems, OPCHDA_ATTRIBUTE* pAttributeValues,
                                                            HRESULT* phrErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnReadAnnotations(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwNumItems,
                                                      OPCHDA_ANNOTATION* pAnnotationValues, HRESULT* phrErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnInsertAnnotations(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwCount,
                                                        OPCHANDLE* phClients, HRESULT* phrErrors) = 0;
  // Playback hands each item's values through a pointer of its own.
  virtual HRESULT STDMETHODCALLTYPE OnPlayback(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwNumItems,
                                               OPCHDA_ITEM** ppItemValues, HRESULT* phrErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnUpdateComplete(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwCount,
                                                     OPCHANDLE* phClients, HRESULT* phrErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnCancelComplete(DWORD dwCancelID) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCHDA_DataCallback, IID_IOPCHDA_DataCallback);
