// A COM call is a jump through a vtable slot: a method declared out of the published order calls
// a different method of the server. Slots 0-2 belong to IUnknown; each interface's own methods
// follow in the order the standard lists them, after those of the interface it extends.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <numeric>
#include <type_traits>
#include <vector>

#include "opc/_OPCCOMN.h"
#include "opc/_OPCHDA.h"
#include "opc/_OPC_AE.h"
#include "opc/_opcda.h"

namespace {

// The vtable slot a pointer to a virtual member function refers to, read from its Itanium C++ ABI
// representation; SIZE_MAX for a non-virtual function.
template <class Method>
size_t VtableSlot(Method method) {
  struct {
    uintptr_t ptr;
    ptrdiff_t adj;
  } raw;
  static_assert(sizeof(raw) == sizeof(Method));
  std::memcpy(&raw, &method, sizeof raw);
#if defined(__arm__) || defined(__aarch64__)
  if ((raw.adj & 1) == 0) return SIZE_MAX;
  return raw.ptr / sizeof(void*);
#else
  if ((raw.ptr & 1) == 0) return SIZE_MAX;
  return (raw.ptr - 1) / sizeof(void*);
#endif
}

template <class... Methods>
void ExpectPublishedOrder(const char* name, size_t firstSlot, Methods... methods) {
  const std::vector<size_t> slots{VtableSlot(methods)...};
  std::vector<size_t> expected(slots.size());
  std::iota(expected.begin(), expected.end(), firstSlot);
  EXPECT_EQ(slots, expected) << name;
}

}  // namespace

TEST(OpcVtableOrder, CommonInterfaces) {
  ExpectPublishedOrder("IOPCShutdown", 3, &IOPCShutdown::ShutdownRequest);
  ExpectPublishedOrder("IOPCCommon", 3, &IOPCCommon::SetLocaleID, &IOPCCommon::GetLocaleID,
                       &IOPCCommon::QueryAvailableLocaleIDs, &IOPCCommon::GetErrorString, &IOPCCommon::SetClientName);
  ExpectPublishedOrder("IOPCServerList", 3, &IOPCServerList::EnumClassesOfCategories,
                       &IOPCServerList::GetClassDetails, &IOPCServerList::CLSIDFromProgID);
  ExpectPublishedOrder("IOPCEnumGUID", 3, &IOPCEnumGUID::Next, &IOPCEnumGUID::Skip, &IOPCEnumGUID::Reset,
                       &IOPCEnumGUID::Clone);
  ExpectPublishedOrder("IOPCServerList2", 3, &IOPCServerList2::EnumClassesOfCategories,
                       &IOPCServerList2::GetClassDetails, &IOPCServerList2::CLSIDFromProgID);
}

TEST(OpcVtableOrder, HistoryInterfaces) {
  ExpectPublishedOrder("IOPCHDA_Browser", 3, &IOPCHDA_Browser::GetEnum, &IOPCHDA_Browser::ChangeBrowsePosition,
                       &IOPCHDA_Browser::GetItemID, &IOPCHDA_Browser::GetBranchPosition);
  ExpectPublishedOrder("IOPCHDA_Server", 3, &IOPCHDA_Server::GetItemAttributes, &IOPCHDA_Server::GetAggregates,
                       &IOPCHDA_Server::GetHistorianStatus, &IOPCHDA_Server::GetItemHandles,
                       &IOPCHDA_Server::ReleaseItemHandles, &IOPCHDA_Server::ValidateItemIDs,
                       &IOPCHDA_Server::CreateBrowse);
  ExpectPublishedOrder("IOPCHDA_SyncRead", 3, &IOPCHDA_SyncRead::ReadRaw, &IOPCHDA_SyncRead::ReadProcessed,
                       &IOPCHDA_SyncRead::ReadAtTime, &IOPCHDA_SyncRead::ReadModified,
                       &IOPCHDA_SyncRead::ReadAttribute);
  ExpectPublishedOrder("IOPCHDA_SyncUpdate", 3, &IOPCHDA_SyncUpdate::QueryCapabilities, &IOPCHDA_SyncUpdate::Insert,
                       &IOPCHDA_SyncUpdate::Replace, &IOPCHDA_SyncUpdate::InsertReplace,
                       &IOPCHDA_SyncUpdate::DeleteRaw, &IOPCHDA_SyncUpdate::DeleteAtTime);
  ExpectPublishedOrder("IOPCHDA_SyncAnnotations", 3, &IOPCHDA_SyncAnnotations::QueryCapabilities,
                       &IOPCHDA_SyncAnnotations::Read, &IOPCHDA_SyncAnnotations::Insert);
  ExpectPublishedOrder("IOPCHDA_AsyncRead", 3, &IOPCHDA_AsyncRead::ReadRaw, &IOPCHDA_AsyncRead::AdviseRaw,
                       &IOPCHDA_AsyncRead::ReadProcessed, &IOPCHDA_AsyncRead::AdviseProcessed,
                       &IOPCHDA_AsyncRead::ReadAtTime, &IOPCHDA_AsyncRead::ReadModified,
                       &IOPCHDA_AsyncRead::ReadAttribute, &IOPCHDA_AsyncRead::Cancel);
  ExpectPublishedOrder("IOPCHDA_AsyncUpdate", 3, &IOPCHDA_AsyncUpdate::QueryCapabilities,
                       &IOPCHDA_AsyncUpdate::Insert, &IOPCHDA_AsyncUpdate::Replace,
                       &IOPCHDA_AsyncUpdate::InsertReplace, &IOPCHDA_AsyncUpdate::DeleteRaw,
                       &IOPCHDA_AsyncUpdate::DeleteAtTime, &IOPCHDA_AsyncUpdate::Cancel);
  ExpectPublishedOrder("IOPCHDA_AsyncAnnotations", 3, &IOPCHDA_AsyncAnnotations::QueryCapabilities,
                       &IOPCHDA_AsyncAnnotations::Read, &IOPCHDA_AsyncAnnotations::Insert,
                       &IOPCHDA_AsyncAnnotations::Cancel);
  ExpectPublishedOrder("IOPCHDA_Playback", 3, &IOPCHDA_Playback::ReadRawWithUpdate,
                       &IOPCHDA_Playback::ReadProcessedWithUpdate, &IOPCHDA_Playback::Cancel);
  ExpectPublishedOrder("IOPCHDA_DataCallback", 3, &IOPCHDA_DataCallback::OnDataChange,
                       &IOPCHDA_DataCallback::OnReadComplete, &IOPCHDA_DataCallback::OnReadModifiedComplete,
                       &IOPCHDA_DataCallback::OnReadAttributeComplete, &IOPCHDA_DataCallback::OnReadAnnotations,
                       &IOPCHDA_DataCallback::OnInsertAnnotations, &IOPCHDA_DataCallback::OnPlayback,
                       &IOPCHDA_DataCallback::OnUpdateComplete, &IOPCHDA_DataCallback::OnCancelComplete);
}

TEST(OpcVtableOrder, DataAccessInterfaces) {
  ExpectPublishedOrder("IOPCServer", 3, &IOPCServer::AddGroup, &IOPCServer::GetErrorString,
                       &IOPCServer::GetGroupByName, &IOPCServer::GetStatus, &IOPCServer::RemoveGroup,
                       &IOPCServer::CreateGroupEnumerator);
  ExpectPublishedOrder("IOPCServerPublicGroups", 3, &IOPCServerPublicGroups::GetPublicGroupByName,
                       &IOPCServerPublicGroups::RemovePublicGroup);
  ExpectPublishedOrder("IOPCBrowseServerAddressSpace", 3, &IOPCBrowseServerAddressSpace::QueryOrganization,
                       &IOPCBrowseServerAddressSpace::ChangeBrowsePosition,
                       &IOPCBrowseServerAddressSpace::BrowseOPCItemIDs, &IOPCBrowseServerAddressSpace::GetItemID,
                       &IOPCBrowseServerAddressSpace::BrowseAccessPaths);
  ExpectPublishedOrder("IOPCGroupStateMgt", 3, &IOPCGroupStateMgt::GetState, &IOPCGroupStateMgt::SetState,
                       &IOPCGroupStateMgt::SetName, &IOPCGroupStateMgt::CloneGroup);
  ExpectPublishedOrder("IOPCGroupStateMgt2", 7, &IOPCGroupStateMgt2::SetKeepAlive,
                       &IOPCGroupStateMgt2::GetKeepAlive);
  ExpectPublishedOrder("IOPCPublicGroupStateMgt", 3, &IOPCPublicGroupStateMgt::GetState,
                       &IOPCPublicGroupStateMgt::MoveToPublic);
  ExpectPublishedOrder("IOPCSyncIO", 3, &IOPCSyncIO::Read, &IOPCSyncIO::Write);
  ExpectPublishedOrder("IOPCSyncIO2", 5, &IOPCSyncIO2::ReadMaxAge, &IOPCSyncIO2::WriteVQT);
  ExpectPublishedOrder("IOPCAsyncIO", 3, &IOPCAsyncIO::Read, &IOPCAsyncIO::Write, &IOPCAsyncIO::Refresh,
                       &IOPCAsyncIO::Cancel);
  ExpectPublishedOrder("IOPCAsyncIO2", 3, &IOPCAsyncIO2::Read, &IOPCAsyncIO2::Write, &IOPCAsyncIO2::Refresh2,
                       &IOPCAsyncIO2::Cancel2, &IOPCAsyncIO2::SetEnable, &IOPCAsyncIO2::GetEnable);
  ExpectPublishedOrder("IOPCAsyncIO3", 9, &IOPCAsyncIO3::ReadMaxAge, &IOPCAsyncIO3::WriteVQT,
                       &IOPCAsyncIO3::RefreshMaxAge);
  ExpectPublishedOrder("IOPCItemMgt", 3, &IOPCItemMgt::AddItems, &IOPCItemMgt::ValidateItems,
                       &IOPCItemMgt::RemoveItems, &IOPCItemMgt::SetActiveState, &IOPCItemMgt::SetClientHandles,
                       &IOPCItemMgt::SetDatatypes, &IOPCItemMgt::CreateEnumerator);
  ExpectPublishedOrder("IEnumOPCItemAttributes", 3, &IEnumOPCItemAttributes::Next, &IEnumOPCItemAttributes::Skip,
                       &IEnumOPCItemAttributes::Reset, &IEnumOPCItemAttributes::Clone);
  ExpectPublishedOrder("IOPCDataCallback", 3, &IOPCDataCallback::OnDataChange, &IOPCDataCallback::OnReadComplete,
                       &IOPCDataCallback::OnWriteComplete, &IOPCDataCallback::OnCancelComplete);
  ExpectPublishedOrder("IOPCItemProperties", 3, &IOPCItemProperties::QueryAvailableProperties,
                       &IOPCItemProperties::GetItemProperties, &IOPCItemProperties::LookupItemIDs);
  ExpectPublishedOrder("IOPCItemDeadbandMgt", 3, &IOPCItemDeadbandMgt::SetItemDeadband,
                       &IOPCItemDeadbandMgt::GetItemDeadband, &IOPCItemDeadbandMgt::ClearItemDeadband);
  ExpectPublishedOrder("IOPCItemSamplingMgt", 3, &IOPCItemSamplingMgt::SetItemSamplingRate,
                       &IOPCItemSamplingMgt::GetItemSamplingRate, &IOPCItemSamplingMgt::ClearItemSamplingRate,
                       &IOPCItemSamplingMgt::SetItemBufferEnable, &IOPCItemSamplingMgt::GetItemBufferEnable);
  ExpectPublishedOrder("IOPCBrowse", 3, &IOPCBrowse::GetProperties, &IOPCBrowse::Browse);
  ExpectPublishedOrder("IOPCItemIO", 3, &IOPCItemIO::Read, &IOPCItemIO::WriteVQT);
}

TEST(OpcVtableOrder, EventInterfaces) {
  ExpectPublishedOrder("IOPCEventServer", 3, &IOPCEventServer::GetStatus, &IOPCEventServer::CreateEventSubscription,
                       &IOPCEventServer::QueryAvailableFilters, &IOPCEventServer::QueryEventCategories,
                       &IOPCEventServer::QueryConditionNames, &IOPCEventServer::QuerySubConditionNames,
                       &IOPCEventServer::QuerySourceConditions, &IOPCEventServer::QueryEventAttributes,
                       &IOPCEventServer::TranslateToItemIDs, &IOPCEventServer::GetConditionState,
                       &IOPCEventServer::EnableConditionByArea, &IOPCEventServer::EnableConditionBySource,
                       &IOPCEventServer::DisableConditionByArea, &IOPCEventServer::DisableConditionBySource,
                       &IOPCEventServer::AckCondition, &IOPCEventServer::CreateAreaBrowser);
  ExpectPublishedOrder("IOPCEventServer2", 19, &IOPCEventServer2::EnableConditionByArea2,
                       &IOPCEventServer2::EnableConditionBySource2, &IOPCEventServer2::DisableConditionByArea2,
                       &IOPCEventServer2::DisableConditionBySource2, &IOPCEventServer2::GetEnableStateByArea,
                       &IOPCEventServer2::GetEnableStateBySource);
  ExpectPublishedOrder("IOPCEventSubscriptionMgt", 3, &IOPCEventSubscriptionMgt::SetFilter,
                       &IOPCEventSubscriptionMgt::GetFilter, &IOPCEventSubscriptionMgt::SelectReturnedAttributes,
                       &IOPCEventSubscriptionMgt::GetReturnedAttributes, &IOPCEventSubscriptionMgt::Refresh,
                       &IOPCEventSubscriptionMgt::CancelRefresh, &IOPCEventSubscriptionMgt::GetState,
                       &IOPCEventSubscriptionMgt::SetState);
  ExpectPublishedOrder("IOPCEventSubscriptionMgt2", 11, &IOPCEventSubscriptionMgt2::SetKeepAlive,
                       &IOPCEventSubscriptionMgt2::GetKeepAlive);
  ExpectPublishedOrder("IOPCEventAreaBrowser", 3, &IOPCEventAreaBrowser::ChangeBrowsePosition,
                       &IOPCEventAreaBrowser::BrowseOPCAreas, &IOPCEventAreaBrowser::GetQualifiedAreaName,
                       &IOPCEventAreaBrowser::GetQualifiedSourceName);
  ExpectPublishedOrder("IOPCEventSink", 3, &IOPCEventSink::OnEvent);
}

// Parameter order and types of the calls the history client makes most, as the published IDL
// gives them: a swapped pair of same-typed parameters would compile but exchange the arguments.
static_assert(std::is_same_v<decltype(&IOPCHDA_SyncRead::ReadRaw),
                             HRESULT (IOPCHDA_SyncRead::*)(OPCHDA_TIME*, OPCHDA_TIME*, DWORD, BOOL, DWORD,
                                                           OPCHANDLE*, OPCHDA_ITEM**, HRESULT**)>);
static_assert(std::is_same_v<decltype(&IOPCHDA_SyncRead::ReadProcessed),
                             HRESULT (IOPCHDA_SyncRead::*)(OPCHDA_TIME*, OPCHDA_TIME*, FILETIME, DWORD, OPCHANDLE*,
                                                           DWORD*, OPCHDA_ITEM**, HRESULT**)>);
static_assert(std::is_same_v<decltype(&IOPCHDA_SyncRead::ReadAttribute),
                             HRESULT (IOPCHDA_SyncRead::*)(OPCHDA_TIME*, OPCHDA_TIME*, OPCHANDLE, DWORD, DWORD*,
                                                           OPCHDA_ATTRIBUTE**, HRESULT**)>);
static_assert(std::is_same_v<decltype(&IOPCHDA_AsyncRead::AdviseProcessed),
                             HRESULT (IOPCHDA_AsyncRead::*)(DWORD, OPCHDA_TIME*, FILETIME, DWORD, OPCHANDLE*,
                                                            DWORD*, DWORD, DWORD*, HRESULT**)>);
static_assert(std::is_same_v<decltype(&IOPCHDA_Playback::ReadRawWithUpdate),
                             HRESULT (IOPCHDA_Playback::*)(DWORD, OPCHDA_TIME*, OPCHDA_TIME*, DWORD, FILETIME,
                                                           FILETIME, DWORD, OPCHANDLE*, DWORD*, HRESULT**)>);
static_assert(std::is_same_v<decltype(&IOPCHDA_DataCallback::OnReadAttributeComplete),
                             HRESULT (IOPCHDA_DataCallback::*)(DWORD, HRESULT, OPCHANDLE, DWORD, OPCHDA_ATTRIBUTE*,
                                                               HRESULT*)>);
static_assert(std::is_same_v<decltype(&IOPCHDA_DataCallback::OnPlayback),
                             HRESULT (IOPCHDA_DataCallback::*)(DWORD, HRESULT, DWORD, OPCHDA_ITEM**, HRESULT*)>);
static_assert(std::is_same_v<decltype(&IOPCHDA_Server::GetHistorianStatus),
                             HRESULT (IOPCHDA_Server::*)(OPCHDA_SERVERSTATUS*, FILETIME**, FILETIME**, WORD*, WORD*,
                                                         WORD*, DWORD*, LPWSTR*, LPWSTR*)>);
