// Interface, category and class ids: a server and a client agree on nothing else first.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "opc/_OPCCOMN.h"
#include "opc/_OPCHDA.h"
#include "opc/_OPC_AE.h"
#include "opc/_opcda.h"

namespace {

std::string GuidText(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", unsigned(g.Data1),
                unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

struct PublishedId {
  const char* name;
  const GUID& id;
  const char* published;
};

struct PublishedInterface {
  const char* name;
  const GUID& iid;
  const GUID& uuidof;
  const char* published;
};

#define INTERFACE_ID(Interface, text) {#Interface, IID_##Interface, __uuidof(Interface), text}

}  // namespace

TEST(OpcIdentifiers, CategoriesAndClassesHaveThePublishedIds) {
  const PublishedId ids[] = {
      {"CATID_OPCDAServer10", CATID_OPCDAServer10, "63D5F430-CFE4-11d1-B2C8-0060083BA1FB"},
      {"CATID_OPCDAServer20", CATID_OPCDAServer20, "63D5F432-CFE4-11d1-B2C8-0060083BA1FB"},
      {"CATID_OPCDAServer30", CATID_OPCDAServer30, "CC603642-66D7-48f1-B69A-B625E73652D7"},
      {"CATID_XMLDAServer10", CATID_XMLDAServer10, "3098EDA4-A006-48b2-A27F-247453959408"},
      {"CATID_OPCHDAServer10", CATID_OPCHDAServer10, "7DE5B060-E089-11d2-A5E6-000086339399"},
      {"CATID_OPCAEServer10", CATID_OPCAEServer10, "58E13251-AC87-11d1-84D5-00608CB8A7E9"},
      {"CATID_OPCBatchServer10", CATID_OPCBatchServer10, "A8080DA0-E23E-11D2-AFA7-00C04F539421"},
      {"CATID_OPCBatchServer20", CATID_OPCBatchServer20, "843DE67B-B0C9-11d4-A0B7-000102A980B1"},
      {"CATID_OPCDXServer10", CATID_OPCDXServer10, "A0C85BB8-4161-4fd6-8655-BB584601C9E0"},
      {"CLSID_OPCServerList", CLSID_OPCServerList, "13486D51-4821-11D2-A494-3CB306C10000"},
  };
  for (const PublishedId& entry : ids) EXPECT_EQ(GuidText(entry.id), Upper(entry.published)) << entry.name;
}

// Each IID_ constant and the id __uuidof finds for the type must both be the published one, so a
// QueryInterface for the wrong interface cannot slip through a miswired declaration.
TEST(OpcIdentifiers, InterfacesHaveThePublishedIds) {
  const PublishedInterface interfaces[] = {
      INTERFACE_ID(IOPCShutdown, "F31DFDE1-07B6-11d2-B2D8-0060083BA1FB"),
      INTERFACE_ID(IOPCCommon, "F31DFDE2-07B6-11d2-B2D8-0060083BA1FB"),
      INTERFACE_ID(IOPCServerList, "13486D50-4821-11D2-A494-3CB306C10000"),
      INTERFACE_ID(IOPCEnumGUID, "55C382C8-21C7-4e88-96C1-BECFB1E3F483"),
      INTERFACE_ID(IOPCServerList2, "9DD0B56C-AD9E-43ee-8305-487F3188BF7A"),

      INTERFACE_ID(IOPCServer, "39c13a4d-011e-11d0-9675-0020afd8adb3"),
      INTERFACE_ID(IOPCServerPublicGroups, "39c13a4e-011e-11d0-9675-0020afd8adb3"),
      INTERFACE_ID(IOPCBrowseServerAddressSpace, "39c13a4f-011e-11d0-9675-0020afd8adb3"),
      INTERFACE_ID(IOPCGroupStateMgt, "39c13a50-011e-11d0-9675-0020afd8adb3"),
      INTERFACE_ID(IOPCPublicGroupStateMgt, "39c13a51-011e-11d0-9675-0020afd8adb3"),
      INTERFACE_ID(IOPCSyncIO, "39c13a52-011e-11d0-9675-0020afd8adb3"),
      INTERFACE_ID(IOPCAsyncIO, "39c13a53-011e-11d0-9675-0020afd8adb3"),
      INTERFACE_ID(IOPCItemMgt, "39c13a54-011e-11d0-9675-0020afd8adb3"),
      INTERFACE_ID(IEnumOPCItemAttributes, "39c13a55-011e-11d0-9675-0020afd8adb3"),
      INTERFACE_ID(IOPCDataCallback, "39c13a70-011e-11d0-9675-0020afd8adb3"),
      INTERFACE_ID(IOPCAsyncIO2, "39c13a71-011e-11d0-9675-0020afd8adb3"),
      INTERFACE_ID(IOPCItemProperties, "39c13a72-011e-11d0-9675-0020afd8adb3"),
      INTERFACE_ID(IOPCItemDeadbandMgt, "5946DA93-8B39-4ec8-AB3D-AA73DF5BC86F"),
      INTERFACE_ID(IOPCItemSamplingMgt, "3E22D313-F08B-41a5-86C8-95E95CB49FFC"),
      INTERFACE_ID(IOPCBrowse, "39227004-A18F-4b57-8B0A-5235670F4468"),
      INTERFACE_ID(IOPCItemIO, "85C0B427-2893-4cbc-BD78-E5FC5146F08F"),
      INTERFACE_ID(IOPCSyncIO2, "730F5F0F-55B1-4c81-9E18-FF8A0904E1FA"),
      INTERFACE_ID(IOPCAsyncIO3, "0967B97B-36EF-423e-B6F8-6BFF1E40D39D"),
      INTERFACE_ID(IOPCGroupStateMgt2, "8E368666-D72E-4f78-87ED-647611C61C9F"),

      INTERFACE_ID(IOPCHDA_Server, "1F1217B0-DEE0-11d2-A5E5-000086339399"),
      INTERFACE_ID(IOPCHDA_Browser, "1F1217B1-DEE0-11d2-A5E5-000086339399"),
      INTERFACE_ID(IOPCHDA_SyncRead, "1F1217B2-DEE0-11d2-A5E5-000086339399"),
      INTERFACE_ID(IOPCHDA_SyncUpdate, "1F1217B3-DEE0-11d2-A5E5-000086339399"),
      INTERFACE_ID(IOPCHDA_SyncAnnotations, "1F1217B4-DEE0-11d2-A5E5-000086339399"),
      INTERFACE_ID(IOPCHDA_AsyncRead, "1F1217B5-DEE0-11d2-A5E5-000086339399"),
      INTERFACE_ID(IOPCHDA_AsyncUpdate, "1F1217B6-DEE0-11d2-A5E5-000086339399"),
      INTERFACE_ID(IOPCHDA_AsyncAnnotations, "1F1217B7-DEE0-11d2-A5E5-000086339399"),
      INTERFACE_ID(IOPCHDA_Playback, "1F1217B8-DEE0-11d2-A5E5-000086339399"),
      INTERFACE_ID(IOPCHDA_DataCallback, "1F1217B9-DEE0-11d2-A5E5-000086339399"),

      INTERFACE_ID(IOPCEventServer, "65168851-5783-11D1-84A0-00608CB8A7E9"),
      INTERFACE_ID(IOPCEventSubscriptionMgt, "65168855-5783-11D1-84A0-00608CB8A7E9"),
      INTERFACE_ID(IOPCEventAreaBrowser, "65168857-5783-11D1-84A0-00608CB8A7E9"),
      INTERFACE_ID(IOPCEventSink, "6516885F-5783-11D1-84A0-00608CB8A7E9"),
      INTERFACE_ID(IOPCEventServer2, "71BBE88E-9564-4bcd-BCFC-71C558D94F2D"),
      INTERFACE_ID(IOPCEventSubscriptionMgt2, "94C955DC-3684-4ccb-AFAB-F898CE19AAC3"),
  };
  for (const PublishedInterface& entry : interfaces) {
    EXPECT_EQ(GuidText(entry.iid), Upper(entry.published)) << entry.name;
    EXPECT_TRUE(IsEqualIID(entry.uuidof, entry.iid)) << entry.name;
  }
}
