#pragma once
// OPC Alarms and Events 1.10 custom interfaces.

#include "platform/win32.h"

typedef DWORD OPCHANDLE;

typedef enum tagOPCAEBROWSEDIRECTION {
  OPCAE_BROWSE_UP = 1,
  OPCAE_BROWSE_DOWN,
  OPCAE_BROWSE_TO,
} OPCAEBROWSEDIRECTION;

typedef enum tagOPCAEBROWSETYPE {
  OPC_AREA = 1,
  OPC_SOURCE,
} OPCAEBROWSETYPE;

typedef enum tagOPCEVENTSERVERSTATE {
  OPCAE_STATUS_RUNNING = 1,
  OPCAE_STATUS_FAILED,
  OPCAE_STATUS_NOCONFIG,
  OPCAE_STATUS_SUSPENDED,
  OPCAE_STATUS_TEST,
  OPCAE_STATUS_COMM_FAULT,
} OPCEVENTSERVERSTATE;

typedef struct tagONEVENTSTRUCT {
  WORD wChangeMask;
  WORD wNewState;
  LPWSTR szSource;
  FILETIME ftTime;
  LPWSTR szMessage;
  DWORD dwEventType;
  DWORD dwEventCategory;
  DWORD dwSeverity;
  LPWSTR szConditionName;
  LPWSTR szSubconditionName;
  WORD wQuality;
  WORD wReserved;
  BOOL bAckRequired;
  FILETIME ftActiveTime;
  DWORD dwCookie;
  DWORD dwNumEventAttrs;
  VARIANT* pEventAttributes;
  LPWSTR szActorID;
} ONEVENTSTRUCT;

typedef struct tagOPCEVENTSERVERSTATUS {
  FILETIME ftStartTime;
  FILETIME ftCurrentTime;
  FILETIME ftLastUpdateTime;
  OPCEVENTSERVERSTATE dwServerState;
  WORD wMajorVersion;
  WORD wMinorVersion;
  WORD wBuildNumber;
  WORD wReserved;
  LPWSTR szVendorInfo;
} OPCEVENTSERVERSTATUS;

typedef struct tagOPCCONDITIONSTATE {
  WORD wState;
  WORD wReserved1;
  LPWSTR szActiveSubCondition;
  LPWSTR szASCDefinition;
  DWORD dwASCSeverity;
  LPWSTR szASCDescription;
  WORD wQuality;
  WORD wReserved2;
  FILETIME ftLastAckTime;
  FILETIME ftSubCondLastActive;
  FILETIME ftCondLastActive;
  FILETIME ftCondLastInactive;
  LPWSTR szAcknowledgerID;
  LPWSTR szComment;
  DWORD dwNumSCs;
  LPWSTR* pszSCNames;
  LPWSTR* pszSCDefinitions;
  DWORD* pdwSCSeverities;
  LPWSTR* pszSCDescriptions;
  DWORD dwNumEventAttrs;
  VARIANT* pEventAttributes;
  HRESULT* pErrors;
} OPCCONDITIONSTATE;

// Condition state bits (OPCCONDITIONSTATE::wState, ONEVENTSTRUCT::wNewState).
#define OPC_CONDITION_ENABLED 0x0001
#define OPC_CONDITION_ACTIVE 0x0002
#define OPC_CONDITION_ACKED 0x0004

// ONEVENTSTRUCT::wChangeMask.
#define OPC_CHANGE_ACTIVE_STATE 0x0001
#define OPC_CHANGE_ACK_STATE 0x0002
#define OPC_CHANGE_ENABLE_STATE 0x0004
#define OPC_CHANGE_QUALITY 0x0008
#define OPC_CHANGE_SEVERITY 0x0010
#define OPC_CHANGE_SUBCONDITION 0x0020
#define OPC_CHANGE_MESSAGE 0x0040
#define OPC_CHANGE_ATTRIBUTE 0x0080

// Event types.
#define OPC_SIMPLE_EVENT 0x0001
#define OPC_TRACKING_EVENT 0x0002
#define OPC_CONDITION_EVENT 0x0004
#define OPC_ALL_EVENTS 0x0007

// IOPCEventServer::QueryAvailableFilters.
#define OPC_FILTER_BY_EVENT 0x0001
#define OPC_FILTER_BY_CATEGORY 0x0002
#define OPC_FILTER_BY_SEVERITY 0x0004
#define OPC_FILTER_BY_AREA 0x0008
#define OPC_FILTER_BY_SOURCE 0x0010

// Result codes of event servers.
#define OPC_S_ALREADYACKED ((HRESULT)0x00040200L)
#define OPC_S_INVALIDBUFFERTIME ((HRESULT)0x00040201L)
#define OPC_S_INVALIDMAXSIZE ((HRESULT)0x00040202L)
#define OPC_S_INVALIDKEEPALIVETIME ((HRESULT)0x00040203L)
#define OPC_E_INVALIDBRANCHNAME ((HRESULT)0xC0040203L)
#define OPC_E_INVALIDTIME ((HRESULT)0xC0040204L)
#define OPC_E_BUSY ((HRESULT)0xC0040205L)
#define OPC_E_NOINFO ((HRESULT)0xC0040206L)

ZELK_DEFINE_GUID(IID_IOPCEventServer, 0x65168851, 0x5783, 0x11D1, 0x84, 0xA0, 0x00, 0x60, 0x8C, 0xB8, 0xA7, 0xE9);
struct IOPCEventServer : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetStatus(OPCEVENTSERVERSTATUS** ppEventServerStatus) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateEventSubscription(BOOL bActive, DWORD dwBufferTime, DWORD dwMaxSize,
                                                            OPCHANDLE hClientSubscription, REFIID riid,
                                                            LPUNKNOWN* ppUnk, DWORD* pdwRevisedBufferTime,
                                                            DWORD* pdwRevisedMaxSize) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryAvailableFilters(DWORD* pdwFilterMask) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryEventCategories(DWORD dwEventType, DWORD* pdwCount,
                                                         DWORD** ppdwEventCategories,
                                                         LPWSTR** ppszEventCategoryDescs) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryConditionNames(DWORD dwEventCategory, DWORD* pdwCount,
                                                        LPWSTR** ppszConditionNames) = 0;
  virtual HRESULT STDMETHODCALLTYPE QuerySubConditionNames(LPWSTR szConditionName, DWORD* pdwCount,
                                                           LPWSTR** ppszSubConditionNames) = 0;
  virtual HRESULT STDMETHODCALLTYPE QuerySourceConditions(LPWSTR szSource, DWORD* pdwCount,
                                                          LPWSTR** ppszConditionNames) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryEventAttributes(DWORD dwEventCategory, DWORD* pdwCount, DWORD** ppdwAttrIDs,
                                                         LPWSTR** ppszAttrDescs, VARTYPE** ppvtAttrTypes) = 0;
  virtual HRESULT STDMETHODCALLTYPE TranslateToItemIDs(LPWSTR szSource, DWORD dwEventCategory, LPWSTR szConditionName,
                                                       LPWSTR szSubconditionName, DWORD dwCount,
                                                       DWORD* pdwAssocAttrIDs, LPWSTR** ppszAttrItemIDs,
                                                       LPWSTR** ppszNodeNames, CLSID** ppCLSIDs) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetConditionState(LPWSTR szSource, LPWSTR szConditionName, DWORD dwNumEventAttrs,
                                                      DWORD* pdwAttributeIDs,
                                                      OPCCONDITIONSTATE** ppConditionState) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnableConditionByArea(DWORD dwNumAreas, LPWSTR* pszAreas) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnableConditionBySource(DWORD dwNumSources, LPWSTR* pszSources) = 0;
  virtual HRESULT STDMETHODCALLTYPE DisableConditionByArea(DWORD dwNumAreas, LPWSTR* pszAreas) = 0;
  virtual HRESULT STDMETHODCALLTYPE DisableConditionBySource(DWORD dwNumSources, LPWSTR* pszSources) = 0;
  virtual HRESULT STDMETHODCALLTYPE AckCondition(DWORD dwCount, LPWSTR szAcknowledgerID, LPWSTR szComment,
                                                 LPWSTR* pszSource, LPWSTR* pszConditionName,
                                                 FILETIME* pftActiveTime, DWORD* pdwCookie, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateAreaBrowser(REFIID riid, LPUNKNOWN* ppUnk) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCEventServer, IID_IOPCEventServer);

ZELK_DEFINE_GUID(IID_IOPCEventSubscriptionMgt, 0x65168855, 0x5783, 0x11D1, 0x84, 0xA0, 0x00, 0x60, 0x8C, 0xB8, 0xA7,
                 0xE9);
struct IOPCEventSubscriptionMgt : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetFilter(DWORD dwEventType, DWORD dwNumCategories, DWORD* pdwEventCategories,
                                              DWORD dwLowSeverity, DWORD dwHighSeverity, DWORD dwNumAreas,
                                              LPWSTR* pszAreaList, DWORD dwNumSources, LPWSTR* pszSourceList) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFilter(DWORD* pdwEventType, DWORD* pdwNumCategories,
                                              DWORD** ppdwEventCategories, DWORD* pdwLowSeverity,
                                              DWORD* pdwHighSeverity, DWORD* pdwNumAreas, LPWSTR** ppszAreaList,
                                              DWORD* pdwNumSources, LPWSTR** ppszSourceList) = 0;
  virtual HRESULT STDMETHODCALLTYPE SelectReturnedAttributes(DWORD dwEventCategory, DWORD dwCount,
                                                             DWORD* dwAttributeIDs) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetReturnedAttributes(DWORD dwEventCategory, DWORD* pdwCount,
                                                          DWORD** ppdwAttributeIDs) = 0;
  virtual HRESULT STDMETHODCALLTYPE Refresh(DWORD dwConnection) = 0;
  virtual HRESULT STDMETHODCALLTYPE CancelRefresh(DWORD dwConnection) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetState(BOOL* pbActive, DWORD* pdwBufferTime, DWORD* pdwMaxSize,
                                             OPCHANDLE* phClientSubscription) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetState(BOOL* pbActive, DWORD* pdwBufferTime, DWORD* pdwMaxSize,
                                             OPCHANDLE hClientSubscription, DWORD* pdwRevisedBufferTime,
                                             DWORD* pdwRevisedMaxSize) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCEventSubscriptionMgt, IID_IOPCEventSubscriptionMgt);

ZELK_DEFINE_GUID(IID_IOPCEventAreaBrowser, 0x65168857, 0x5783, 0x11D1, 0x84, 0xA0, 0x00, 0x60, 0x8C, 0xB8, 0xA7, 0xE9);
struct IOPCEventAreaBrowser : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ChangeBrowsePosition(OPCAEBROWSEDIRECTION dwBrowseDirection, LPCWSTR szString) = 0;
  virtual HRESULT STDMETHODCALLTYPE BrowseOPCAreas(OPCAEBROWSETYPE dwBrowseFilterType, LPCWSTR szFilterCriteria,
                                                   IEnumString** ppIEnumString) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetQualifiedAreaName(LPCWSTR szAreaName, LPWSTR* pszQualifiedAreaName) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetQualifiedSourceName(LPCWSTR szSourceName, LPWSTR* pszQualifiedSourceName) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCEventAreaBrowser, IID_IOPCEventAreaBrowser);

ZELK_DEFINE_GUID(IID_IOPCEventSink, 0x6516885F, 0x5783, 0x11D1, 0x84, 0xA0, 0x00, 0x60, 0x8C, 0xB8, 0xA7, 0xE9);
struct IOPCEventSink : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE OnEvent(OPCHANDLE hClientSubscription, BOOL bRefresh, BOOL bLastRefresh,
                                            DWORD dwCount, ONEVENTSTRUCT* pEvents) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCEventSink, IID_IOPCEventSink);

ZELK_DEFINE_GUID(IID_IOPCEventServer2, 0x71BBE88E, 0x9564, 0x4BCD, 0xBC, 0xFC, 0x71, 0xC5, 0x58, 0xD9, 0x4F, 0x2D);
struct IOPCEventServer2 : IOPCEventServer {
  virtual HRESULT STDMETHODCALLTYPE EnableConditionByArea2(DWORD dwNumAreas, LPWSTR* pszAreas, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnableConditionBySource2(DWORD dwNumSources, LPWSTR* pszSources,
                                                             HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE DisableConditionByArea2(DWORD dwNumAreas, LPWSTR* pszAreas,
                                                            HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE DisableConditionBySource2(DWORD dwNumSources, LPWSTR* pszSources,
                                                              HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEnableStateByArea(DWORD dwNumAreas, LPWSTR* pszAreas, BOOL** pbEnabled,
                                                         BOOL** pbEffectivelyEnabled, HRESULT** ppErrors) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEnableStateBySource(DWORD dwNumSources, LPWSTR* pszSources, BOOL** pbEnabled,
                                                           BOOL** pbEffectivelyEnabled, HRESULT** ppErrors) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCEventServer2, IID_IOPCEventServer2);

ZELK_DEFINE_GUID(IID_IOPCEventSubscriptionMgt2, 0x94C955DC, 0x3684, 0x4CCB, 0xAF, 0xAB, 0xF8, 0x98, 0xCE, 0x19, 0xAA,
                 0xC3);
struct IOPCEventSubscriptionMgt2 : IOPCEventSubscriptionMgt {
  virtual HRESULT STDMETHODCALLTYPE SetKeepAlive(DWORD dwKeepAliveTime, DWORD* pdwRevisedKeepAliveTime) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetKeepAlive(DWORD* pdwKeepAliveTime) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCEventSubscriptionMgt2, IID_IOPCEventSubscriptionMgt2);
