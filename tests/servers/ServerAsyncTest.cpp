// Asynchronous requests, advise and playback: answers come through the data callback on the
// thread of the client's apartment (here the main thread, while the test pumps), carrying the
// client's transaction id; cancels are confirmed with the cancel id.

#include "opc/_opcda.h"
#include "tests/servers/ServerTestSupport.h"

namespace {

std::vector<double> Numbers(const std::vector<TSample>& samples) {
  std::vector<double> numbers;
  for (const TSample& s : samples) numbers.push_back(std::get<double>(s.Value));
  return numbers;
}

}  // namespace

class ServerAsyncTest : public ServerTest {
protected:
  void SetUp() override {
    ServerTest::SetUp();
    FSink = ComPtr<TDataSink>(new TDataSink);
    FAdvise = std::make_unique<TAdvise>(FServer.Get(), FSink.Get());
    FRamp = Handle(u"Test.Ramp");
    FRead = Interface<IOPCHDA_AsyncRead>();
  }
  void TearDown() override {
    FAdvise.reset();
    FRead.Reset();
    ServerTest::TearDown();
  }

  // Waits for the count of calls to reach n.
  bool WaitForCalls(size_t n) { return PumpUntil([&] { return FSink->Calls.size() >= n; }); }

  ComPtr<TDataSink> FSink;
  std::unique_ptr<TAdvise> FAdvise;
  OPCHANDLE FRamp = 0;
  ComPtr<IOPCHDA_AsyncRead> FRead;
};

TEST_F(ServerAsyncTest, ReadsAnswerOnTheClientThreadWithTheTransactionId) {
  OPCHANDLE handles[] = {FRamp, 0xBAD};
  OPCHDA_TIME start = Time(At(1)), end = Time(At(1, 1));
  DWORD cancelId = 0;
  HRESULT* errors = nullptr;
  ASSERT_EQ(FRead->ReadRaw(77, &start, &end, 0, FALSE, 2, handles, &cancelId, &errors), S_FALSE);
  EXPECT_NE(cancelId, 0u);
  EXPECT_EQ(errors[0], S_OK);
  EXPECT_EQ(errors[1], OPC_E_INVALIDHANDLE);
  CoTaskMemFree(errors);
  // Nothing arrives until the client's thread takes its calls.
  EXPECT_TRUE(FSink->Calls.empty());
  ASSERT_TRUE(WaitForCalls(1));
  const TDataSink::TCall& raw = FSink->Calls[0];
  EXPECT_EQ(raw.Kind, "ReadComplete");
  EXPECT_EQ(raw.Transaction, 77u);
  EXPECT_EQ(raw.Status, S_FALSE);
  EXPECT_EQ(raw.Thread, std::this_thread::get_id());
  ASSERT_EQ(raw.Items.size(), 2u);
  EXPECT_EQ(Numbers(raw.Items[0]), (std::vector<double>{360, 361, 362, 363, 364, 365}));
  EXPECT_EQ(raw.Errors, (std::vector<HRESULT>{S_OK, OPC_E_INVALIDHANDLE}));
  EXPECT_EQ(raw.Clients[0], 1u);
  // A finished request can no longer be cancelled.
  EXPECT_EQ(FRead->Cancel(cancelId), E_FAIL);
  EXPECT_EQ(FRead->Cancel(0xFFFF), E_FAIL);

  DWORD aggregate = OPCHDA_COUNT;
  ASSERT_EQ(FRead->ReadProcessed(78, &start, &end, Seconds(30), 1, &FRamp, &aggregate, &cancelId, &errors), S_OK);
  CoTaskMemFree(errors);
  FILETIME stamp = ToFileTime(At(1, 0, 5));
  ASSERT_EQ(FRead->ReadAtTime(79, 1, &stamp, 1, &FRamp, &cancelId, &errors), S_OK);
  CoTaskMemFree(errors);
  DWORD attribute = OPCHDA_ITEMID;
  ASSERT_EQ(FRead->ReadAttribute(80, &start, &end, FRamp, 1, &attribute, &cancelId, &errors), S_OK);
  CoTaskMemFree(errors);
  ASSERT_TRUE(WaitForCalls(4));
  EXPECT_EQ(FSink->Calls[1].Transaction, 78u);
  EXPECT_EQ(Numbers(FSink->Calls[1].Items[0]), (std::vector<double>{3, 3}));
  EXPECT_EQ(FSink->Calls[2].Transaction, 79u);
  EXPECT_EQ(Numbers(FSink->Calls[2].Items[0]), (std::vector<double>{360.5}));
  EXPECT_EQ(FSink->Calls[3].Kind, "ReadAttributeComplete");
  EXPECT_EQ(FSink->Calls[3].Clients[0], 1u);
  EXPECT_EQ(FSink->Calls[3].Items[0][0].Value, TValue(std::string("Test.Ramp")));
}

TEST_F(ServerAsyncTest, UpdatesAndAnnotationsComplete) {
  ComPtr<IOPCHDA_AsyncUpdate> update = Interface<IOPCHDA_AsyncUpdate>();
  FILETIME stamp = ToFileTime(At(3));
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_R8;
  value.dblVal = 12.5;
  DWORD quality = 0xC0, cancelId = 0;
  HRESULT* errors = nullptr;
  ASSERT_EQ(update->Replace(90, 1, &FRamp, &stamp, &value, &quality, &cancelId, &errors), S_OK);
  CoTaskMemFree(errors);
  ASSERT_TRUE(WaitForCalls(1));
  EXPECT_EQ(FSink->Calls[0].Kind, "UpdateComplete");
  EXPECT_EQ(FSink->Calls[0].Transaction, 90u);
  EXPECT_EQ(FSink->Calls[0].Clients, (std::vector<OPCHANDLE>{1}));
  EXPECT_EQ(FSink->Calls[0].Errors, (std::vector<HRESULT>{S_OK}));
  EXPECT_EQ(ReadRaw(FRamp, Time(At(3)), Time(At(3))).Samples[0].Value, TValue(12.5));

  OPCHDA_TIME start = Time(At(3)), end = Time(At(3, 1));
  ASSERT_EQ(FRead->ReadModified(91, &start, &end, 0, 1, &FRamp, &cancelId, &errors), S_OK);
  CoTaskMemFree(errors);
  ASSERT_TRUE(WaitForCalls(2));
  EXPECT_EQ(FSink->Calls[1].Kind, "ReadModifiedComplete");
  EXPECT_EQ(Numbers(FSink->Calls[1].Items[0]), (std::vector<double>{80}));  // n = 1080 before the edit

  ComPtr<IOPCHDA_AsyncAnnotations> annotations = Interface<IOPCHDA_AsyncAnnotations>();
  LPWSTR text = const_cast<LPWSTR>(u"noted");
  OPCHDA_ANNOTATION record{0, 1, nullptr, &text, nullptr, nullptr};
  ASSERT_EQ(annotations->Insert(92, 1, &FRamp, &stamp, &record, &cancelId, &errors), S_OK);
  CoTaskMemFree(errors);
  ASSERT_TRUE(WaitForCalls(3));
  EXPECT_EQ(FSink->Calls[2].Kind, "InsertAnnotations");
  ASSERT_EQ(annotations->Read(93, &start, &end, 1, &FRamp, &cancelId, &errors), S_OK);
  CoTaskMemFree(errors);
  ASSERT_TRUE(WaitForCalls(4));
  EXPECT_EQ(FSink->Calls[3].Transaction, 93u);
  ASSERT_EQ(FSink->Calls[3].Items[0].size(), 1u);
  EXPECT_EQ(FSink->Calls[3].Items[0][0].Value, TValue(std::string("noted")));
  EXPECT_EQ(FSink->Calls[3].Items[0][0].Time, At(3));
}

TEST_F(ServerAsyncTest, AdviseDeliversNewSamplesUntilCancelled) {
  OPCHDA_TIME start = Time(At(36, 34));
  DWORD cancelId = 0;
  HRESULT* errors = nullptr;
  ASSERT_EQ(FRead->AdviseRaw(5, &start, ToFileTime(20 * 10'000), 1, &FRamp, &cancelId, &errors), S_OK);
  CoTaskMemFree(errors);
  ASSERT_TRUE(WaitForCalls(1));
  EXPECT_EQ(FSink->Calls[0].Kind, "DataChange");
  EXPECT_EQ(FSink->Calls[0].Transaction, 5u);
  // n = 13164 at 36:34:00.
  EXPECT_EQ(Numbers(FSink->Calls[0].Items[0]), (std::vector<double>{164, 165, 166, 167, 168, 169}));

  TestNow += 20 * TicksPerSecond;  // history moves on to 36:35:16
  ASSERT_TRUE(WaitForCalls(2));
  EXPECT_EQ(Numbers(FSink->Calls[1].Items[0]), (std::vector<double>{170, 171}));
  EXPECT_EQ(FSink->Calls[1].Items[0][0].Time, At(36, 35));

  ASSERT_EQ(FRead->Cancel(cancelId), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return !FSink->Cancelled.empty(); }));
  EXPECT_EQ(FSink->Cancelled, (std::vector<DWORD>{cancelId}));
  EXPECT_EQ(FRead->Cancel(cancelId), E_FAIL);
  const size_t calls = FSink->Calls.size();
  TestNow += 60 * TicksPerSecond;
  PumpUntil([] { return false; }, std::chrono::milliseconds(150));
  EXPECT_EQ(FSink->Calls.size(), calls);

  // Processed advise: every completed interval, the past ones at once.
  DWORD aggregate = OPCHDA_COUNT;
  OPCHDA_TIME from = Time(At(36, 30));
  ASSERT_EQ(FRead->AdviseProcessed(6, &from, Seconds(60), 1, &FRamp, &aggregate, 2, &cancelId, &errors), S_OK);
  CoTaskMemFree(errors);
  // Now is 36:36:16: [36:30, 36:32), [36:32, 36:34) and [36:34, 36:36) are complete.
  ASSERT_TRUE(WaitForCalls(calls + 3));
  EXPECT_EQ(Numbers(FSink->Calls[calls].Items[0]), (std::vector<double>{6, 6}));
  EXPECT_EQ(FSink->Calls[calls + 2].Items[0][0].Time, At(36, 34));
  EXPECT_EQ(FRead->Cancel(cancelId), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return FSink->Cancelled.size() == 2; }));
}

TEST_F(ServerAsyncTest, PlaybackDeliversPortionsAtTheUpdateInterval) {
  ComPtr<IOPCHDA_Playback> playback = Interface<IOPCHDA_Playback>();
  OPCHDA_TIME start = Time(At(1)), end = Time(At(1, 1));
  DWORD cancelId = 0;
  HRESULT* errors = nullptr;
  ASSERT_EQ(playback->ReadRawWithUpdate(11, &start, &end, 0, Seconds(20), ToFileTime(10 * 10'000), 1, &FRamp,
                                        &cancelId, &errors),
            S_OK);
  CoTaskMemFree(errors);
  ASSERT_TRUE(WaitForCalls(3));
  for (const TDataSink::TCall& call : FSink->Calls) {
    EXPECT_EQ(call.Kind, "Playback");
    EXPECT_EQ(call.Transaction, 11u);
  }
  EXPECT_EQ(Numbers(FSink->Calls[0].Items[0]), (std::vector<double>{360, 361}));
  EXPECT_EQ(Numbers(FSink->Calls[2].Items[0]), (std::vector<double>{364, 365}));
  // The end was reached: nothing more, and nothing left to cancel.
  PumpUntil([] { return false; }, std::chrono::milliseconds(100));
  EXPECT_EQ(FSink->Calls.size(), 3u);
  EXPECT_EQ(playback->Cancel(cancelId), E_FAIL);

  // Without an end it goes on until cancelled.
  DWORD aggregate = OPCHDA_AVERAGE;
  OPCHDA_TIME none = NoTime();
  ASSERT_EQ(playback->ReadProcessedWithUpdate(12, &start, &none, Seconds(10), 3, ToFileTime(10 * 10'000), 1, &FRamp,
                                              &aggregate, &cancelId, &errors),
            S_OK);
  CoTaskMemFree(errors);
  ASSERT_TRUE(WaitForCalls(5));
  EXPECT_EQ(Numbers(FSink->Calls[3].Items[0]), (std::vector<double>{360, 361, 362}));
  EXPECT_EQ(Numbers(FSink->Calls[4].Items[0]), (std::vector<double>{363, 364, 365}));
  EXPECT_EQ(playback->Cancel(cancelId), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return FSink->Cancelled.size() == 1; }));
  EXPECT_EQ(FSink->Cancelled[0], cancelId);
}

TEST_F(ServerAsyncTest, RequestsThatCannotStart) {
  OPCHDA_TIME start = Time(At(1)), end = Time(At(1, 1)), none = NoTime();
  DWORD cancelId = 5;
  HRESULT* errors = reinterpret_cast<HRESULT*>(1);
  EXPECT_EQ(FRead->ReadRaw(1, &none, &none, 0, FALSE, 1, &FRamp, &cancelId, &errors), E_INVALIDARG);
  EXPECT_EQ(cancelId, 0u);
  EXPECT_EQ(errors, nullptr);
  EXPECT_EQ(FRead->ReadRaw(1, &start, &end, 0, FALSE, 1, nullptr, &cancelId, &errors), E_INVALIDARG);
  EXPECT_EQ(FRead->AdviseRaw(1, &start, ToFileTime(0), 1, &FRamp, &cancelId, &errors), E_INVALIDARG);
  EXPECT_EQ(FRead->ReadRaw(1, &start, &end, 0, FALSE, 1, &FRamp, nullptr, &errors), E_POINTER);
  ComPtr<IOPCHDA_Playback> playback = Interface<IOPCHDA_Playback>();
  EXPECT_EQ(playback->ReadRawWithUpdate(1, &start, &end, 0, ToFileTime(0), Seconds(1), 1, &FRamp, &cancelId, &errors),
            E_INVALIDARG);
  // Spans so long that the time arithmetic would overflow.
  const FILETIME huge = ToFileTime(0x7FFFFFFFFFFFFFFF);
  DWORD aggregate = OPCHDA_AVERAGE;
  EXPECT_EQ(FRead->AdviseProcessed(1, &start, huge, 1, &FRamp, &aggregate, 1, &cancelId, &errors), E_INVALIDARG);
  const FILETIME years = ToFileTime(1'000'000'000'000'000);
  EXPECT_EQ(FRead->AdviseProcessed(1, &start, years, 1, &FRamp, &aggregate, 0xFFFFFFFF, &cancelId, &errors),
            E_INVALIDARG);
  EXPECT_EQ(playback->ReadRawWithUpdate(1, &start, &end, 0, huge, Seconds(1), 1, &FRamp, &cancelId, &errors),
            E_INVALIDARG);
  // A very long update interval is no error: the next delivery is a year away.
  ASSERT_EQ(FRead->AdviseRaw(1, &start, huge, 1, &FRamp, &cancelId, &errors), S_OK);
  CoTaskMemFree(errors);
  EXPECT_EQ(FRead->Cancel(cancelId), S_OK);

  // With no callback advised the answer would have nowhere to go.
  FAdvise.reset();
  EXPECT_EQ(FRead->ReadRaw(1, &start, &end, 0, FALSE, 1, &FRamp, &cancelId, &errors), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(errors, nullptr);
}
