// The COM connection to an OPC HDA server: its IOPCHDA_Server and the historian status.

#include "opc/_opcactivex.h"
#include "platform/rtl/StringUtils.h"
#include "toolkit/ZelkError.h"
#include "toolkit/hda/ZelkHDA.h"

ComPtr<IOPCHDA_Server> TZelkCOMHDAConnection::OPCServer() {
  ComPtr<IOPCHDA_Server> server;
  ComPtr<IUnknown> object = TZelkCOMConnection::OPCServer();
  if (object && FAILED(object.As(&server))) server.Reset();
  return server;
}

namespace {

// What GetHistorianStatus allocates, released however the status read ends.
struct THistorianStatusOut {
  ~THistorianStatusOut() {
    CoTaskMemFree(CurrentTime);
    CoTaskMemFree(StartTime);
    CoTaskMemFree(StatusString);
    CoTaskMemFree(VendorInfo);
  }
  OPCHDA_SERVERSTATUS Status = OPCHDA_UP;
  FILETIME* CurrentTime = nullptr;
  FILETIME* StartTime = nullptr;
  WORD MajorVersion = 0;
  WORD MinorVersion = 0;
  WORD BuildNumber = 0;
  DWORD MaxReturnValues = 0;
  LPWSTR StatusString = nullptr;
  LPWSTR VendorInfo = nullptr;
};

TDateTime LocalTimeOf(const FILETIME* Time) { return Time ? FileTimeToLocalDateTime(*Time) : 0; }
std::string TextOf(LPCWSTR Text) { return Text ? Utf16ToUtf8(Text) : std::string(); }

}  // namespace

TServerStateRecord TZelkCOMHDAConnection::GetStatus() {
  CheckServer();
  ComPtr<IOPCHDA_Server> server = OPCServer();
  if (!server) throw EOPCServerException(SSpecificationNotSupported);
  THistorianStatusOut out;
  CheckOPCResult(server->GetHistorianStatus(&out.Status, &out.CurrentTime, &out.StartTime, &out.MajorVersion,
                                            &out.MinorVersion, &out.BuildNumber, &out.MaxReturnValues,
                                            &out.StatusString, &out.VendorInfo));
  TServerStateRecord state;
  state.Starttime = LocalTimeOf(out.StartTime);
  state.LastUpdateTime = 0;
  state.Currenttime = LocalTimeOf(out.CurrentTime);
  state.ServerState = out.Status;
  state.VendorInfo = TextOf(out.VendorInfo);
  state.MajorVersion = out.MajorVersion;
  state.MinorVersion = out.MinorVersion;
  state.BuildNumber = IntToStr(out.BuildNumber);
  state.MaxValues = static_cast<int32_t>(out.MaxReturnValues);
  state.GroupCount = 0;
  state.StatusInfo = TextOf(out.StatusString);
  state.Version = Format("%d.%d.%d", out.MajorVersion, out.MinorVersion, out.BuildNumber);
  return state;
}

bool TZelkCOMHDAConnection::DoTimer() {
  try {
    GetStatus();
    return true;
  } catch (...) {
    return false;
  }
}
