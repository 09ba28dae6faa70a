// History updates through IOPCHDA_SyncUpdate, the modified values they leave, and annotations.

#include "opc/_opcda.h"
#include "platform/rtl/StringUtils.h"
#include "tests/servers/ServerTestSupport.h"

namespace {

VARIANT Number(double value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = value;
  return v;
}

struct TModified {
  int64_t Time;
  TValue Value;
  OPCHDA_EDITTYPE Edit;
  std::string User;
};

}  // namespace

class ServerUpdateTest : public ServerTest {
protected:
  void SetUp() override {
    ServerTest::SetUp();
    ASSERT_EQ(Interface<IOPCCommon>()->SetClientName(u"Update test"), S_OK);
    FRamp = Handle(u"Test.Ramp");
    FUpdate = Interface<IOPCHDA_SyncUpdate>();
  }

  // One edit of one item: its per-item code; the call's result must agree.
  HRESULT Edit(OPCHDA_EDITTYPE type, int64_t time, VARIANT value, DWORD quality = 0xC0, OPCHANDLE handle = 0) {
    OPCHANDLE h = handle ? handle : FRamp;
    FILETIME stamp = ToFileTime(time);
    HRESULT* errors = nullptr;
    HRESULT result;
    switch (type) {
      case OPCHDA_INSERT: result = FUpdate->Insert(1, &h, &stamp, &value, &quality, &errors); break;
      case OPCHDA_REPLACE: result = FUpdate->Replace(1, &h, &stamp, &value, &quality, &errors); break;
      case OPCHDA_INSERTREPLACE: result = FUpdate->InsertReplace(1, &h, &stamp, &value, &quality, &errors); break;
      default: result = FUpdate->DeleteAtTime(1, &h, &stamp, &errors); break;
    }
    if (FAILED(result)) return result;
    const HRESULT error = errors[0];
    EXPECT_EQ(result, FAILED(error) ? S_FALSE : S_OK);
    CoTaskMemFree(errors);
    return error;
  }

  std::vector<TModified> Modified(int64_t start, int64_t end) {
    OPCHDA_TIME from = Time(start), to = Time(end);
    OPCHDA_MODIFIEDITEM* items = nullptr;
    HRESULT* errors = nullptr;
    EXPECT_EQ(Interface<IOPCHDA_SyncRead>()->ReadModified(&from, &to, 0, 1, &FRamp, &items, &errors), S_OK);
    std::vector<TModified> records;
    for (DWORD i = 0; i < items[0].dwCount; ++i)
      records.push_back({ToTicks(items[0].pftTimeStamps[i]), ValueOf(items[0].pvDataValues[i]), items[0].pEditType[i],
                         Utf16ToUtf8(items[0].szUser[i])});
    FreeModified(items, 1);
    CoTaskMemFree(errors);
    return records;
  }

  OPCHANDLE FRamp = 0;
  ComPtr<IOPCHDA_SyncUpdate> FUpdate;
};

TEST_F(ServerUpdateTest, EditsChangeHistoryAndLeaveModifiedValues) {
  OPCHDA_UPDATECAPABILITIES capabilities{};
  ASSERT_EQ(FUpdate->QueryCapabilities(&capabilities), S_OK);
  EXPECT_EQ(capabilities, 0x1F);

  EXPECT_EQ(Edit(OPCHDA_REPLACE, At(1), Number(42.5)), S_OK);
  EXPECT_EQ(Edit(OPCHDA_INSERT, At(1), Number(1)), OPC_E_DATAEXISTS);
  EXPECT_EQ(Edit(OPCHDA_INSERT, At(1, 0, 5), Number(7), 0x40), S_OK);
  EXPECT_EQ(Edit(OPCHDA_INSERTREPLACE, At(1, 0, 5), Number(8)), OPC_S_REPLACED);
  EXPECT_EQ(Edit(OPCHDA_INSERTREPLACE, At(1, 0, 6), Number(9)), OPC_S_INSERTED);
  EXPECT_EQ(Edit(OPCHDA_DELETE, At(1, 0, 10), {}), S_OK);
  EXPECT_EQ(Edit(OPCHDA_DELETE, At(1, 0, 11), {}), OPC_E_NODATAEXISTS);
  EXPECT_EQ(Edit(OPCHDA_REPLACE, At(1, 0, 12), Number(1)), OPC_E_NODATAEXISTS);

  TRead r = ReadRaw(FRamp, Time(At(1)), Time(At(1, 0, 30)));
  ASSERT_EQ(r.Samples.size(), 4u);
  EXPECT_EQ(r.Samples[0].Value, TValue(42.5));
  EXPECT_EQ(r.Samples[0].Quality, OPCHDA_RAW | 0xC0u);
  EXPECT_EQ(r.Samples[1].Time, At(1, 0, 5));
  EXPECT_EQ(r.Samples[1].Value, TValue(8.0));
  EXPECT_EQ(r.Samples[2].Time, At(1, 0, 6));
  EXPECT_EQ(r.Samples[3].Time, At(1, 0, 20));  // 01:00:10 is gone

  const std::vector<TModified> records = Modified(At(1), At(1, 0, 30));
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(records[0].Time, At(1));
  EXPECT_EQ(records[0].Value, TValue(360.0));  // what stood before the replace
  EXPECT_EQ(records[0].Edit, OPCHDA_REPLACE);
  EXPECT_EQ(records[0].User, "Update test");
  EXPECT_EQ(records[1].Edit, OPCHDA_INSERT);
  EXPECT_EQ(records[1].Value, TValue(7.0));
  EXPECT_EQ(records[4].Time, At(1, 0, 10));
  EXPECT_EQ(records[4].Edit, OPCHDA_DELETE);
  EXPECT_EQ(records[4].Value, TValue(361.0));

  // Delete raw empties a stretch.
  OPCHDA_TIME from = Time(At(2)), to = Time(At(2, 1));
  HRESULT* errors = nullptr;
  ASSERT_EQ(FUpdate->DeleteRaw(&from, &to, 1, &FRamp, &errors), S_OK);
  EXPECT_EQ(errors[0], S_OK);
  CoTaskMemFree(errors);
  EXPECT_EQ(ReadRaw(FRamp, Time(At(2)), Time(At(2, 1))).Error, OPC_S_NODATA);
}

TEST_F(ServerUpdateTest, EditsThatCannotBeMade) {
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(u"not a number");
  EXPECT_EQ(Edit(OPCHDA_REPLACE, At(1), text), OPC_E_INVALIDDATATYPE);
  VariantClear(&text);
  VARIANT unknown;
  VariantInit(&unknown);
  unknown.vt = VT_UNKNOWN;
  EXPECT_EQ(Edit(OPCHDA_REPLACE, At(1), unknown), OPC_E_INVALIDDATATYPE);
  EXPECT_EQ(Edit(OPCHDA_REPLACE, At(1), Number(5000)), OPC_E_RANGE);
  EXPECT_EQ(Edit(OPCHDA_INSERT, At(40), Number(1)), E_INVALIDARG);  // after now
  EXPECT_EQ(Edit(OPCHDA_INSERT, At(1, 0, 1), Number(1), 0xC0, 0xBAD), OPC_E_INVALIDHANDLE);
  EXPECT_EQ(ReadRaw(FRamp, Time(At(1)), Time(At(1))).Samples[0].Value, TValue(360.0));

  FILETIME stamp = ToFileTime(At(1));
  DWORD quality = 0xC0;
  VARIANT value = Number(1);
  HRESULT* errors = reinterpret_cast<HRESULT*>(1);
  EXPECT_EQ(FUpdate->Insert(1, &FRamp, &stamp, nullptr, &quality, &errors), E_INVALIDARG);
  EXPECT_EQ(errors, nullptr);
  EXPECT_EQ(FUpdate->Insert(1, nullptr, &stamp, &value, &quality, &errors), E_INVALIDARG);
  EXPECT_EQ(FUpdate->DeleteAtTime(1, &FRamp, nullptr, &errors), E_INVALIDARG);
  OPCHDA_TIME none = NoTime(), start = Time(At(1));
  EXPECT_EQ(FUpdate->DeleteRaw(&start, &none, 1, &FRamp, &errors), E_INVALIDARG);
}

TEST_F(ServerUpdateTest, AnnotationsAreInsertedAndRead) {
  ComPtr<IOPCHDA_SyncAnnotations> annotations = Interface<IOPCHDA_SyncAnnotations>();
  OPCHDA_ANNOTATIONCAPABILITIES capabilities{};
  ASSERT_EQ(annotations->QueryCapabilities(&capabilities), S_OK);
  EXPECT_EQ(capabilities, 0x03);

  FILETIME stamps[] = {ToFileTime(At(1)), ToFileTime(At(1, 0, 20))};
  LPWSTR texts[] = {const_cast<LPWSTR>(u"pump started"), const_cast<LPWSTR>(u"checked")};
  LPWSTR users[] = {const_cast<LPWSTR>(u""), const_cast<LPWSTR>(u"operator")};
  OPCHDA_ANNOTATION record{0, 2, stamps, texts, nullptr, users};
  OPCHANDLE handles[] = {FRamp, 0xBAD};
  OPCHDA_ANNOTATION records[] = {record, record};
  HRESULT* errors = nullptr;
  ASSERT_EQ(annotations->Insert(2, handles, stamps, records, &errors), S_FALSE);
  EXPECT_EQ(errors[0], S_OK);
  EXPECT_EQ(errors[1], OPC_E_INVALIDHANDLE);
  CoTaskMemFree(errors);

  OPCHDA_TIME from = Time(At(1)), to = Time(At(2));
  OPCHDA_ANNOTATION* read = nullptr;
  ASSERT_EQ(annotations->Read(&from, &to, 1, &FRamp, &read, &errors), S_OK);
  ASSERT_EQ(read[0].dwNumValues, 2u);
  EXPECT_EQ(read[0].hClient, 1u);
  EXPECT_EQ(std::u16string(read[0].szAnnotation[0]), u"pump started");
  EXPECT_EQ(std::u16string(read[0].szUser[0]), u"Update test");  // no author given: the client
  EXPECT_EQ(std::u16string(read[0].szUser[1]), u"operator");
  EXPECT_EQ(ToTicks(read[0].ftTimeStamps[1]), At(1, 0, 20));
  EXPECT_EQ(ToTicks(read[0].ftAnnotationTime[0]), TestNow.load());
  for (DWORD i = 0; i < read[0].dwNumValues; ++i) {
    CoTaskMemFree(read[0].szAnnotation[i]);
    CoTaskMemFree(read[0].szUser[i]);
  }
  for (void* block : {static_cast<void*>(read[0].ftTimeStamps), static_cast<void*>(read[0].szAnnotation),
                      static_cast<void*>(read[0].ftAnnotationTime), static_cast<void*>(read[0].szUser)})
    CoTaskMemFree(block);
  CoTaskMemFree(read);
  CoTaskMemFree(errors);

  // The annotations aggregate counts them.
  TRead counted = ReadProcessed(FRamp, At(1), At(2), 1800, OPCHDA_ANNOTATIONS);
  ASSERT_EQ(counted.Samples.size(), 2u);
  EXPECT_EQ(counted.Samples[0].Value, TValue(2.0));
  EXPECT_EQ(counted.Samples[1].Value, TValue(0.0));
}
