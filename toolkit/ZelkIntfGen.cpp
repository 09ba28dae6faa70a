#include "toolkit/ZelkIntfGen.h"

#include <vector>

#include "toolkit/ZelkError.h"

namespace {

// Built on first use, so that a transport may register from a static initialiser of any
// translation unit; freed with the process.
std::vector<std::unique_ptr<TIFRegisterClass>>& Registry() {
  static std::vector<std::unique_ptr<TIFRegisterClass>> registry;
  return registry;
}

}  // namespace

bool RegisterConnection(std::unique_ptr<TIFRegisterClass> Reg) {
  if (!Reg || FindConnection(Reg->Connectiontype, false)) return false;
  Registry().push_back(std::move(Reg));
  return true;
}

TIFRegisterClass* FindConnection(tZelkConnectionType ConnectionType, bool RaiseIfMissing) {
  for (const auto& record : Registry())
    if (record->Connectiontype == ConnectionType) return record.get();
  if (RaiseIfMissing) throw EOPCException(std::string(SConnectionNotRegistered) + "\r\n" + SAddLinkUnit);
  return nullptr;
}

bool ConnectionRegistered(tZelkConnectionType ConnectionType) { return FindConnection(ConnectionType, false); }

tZelkConnectionType DefaultConnectionType() {
  if (Registry().empty()) throw EOPCException(std::string(SNoDefaultConnection) + " " + SAddLinkUnit);
  return Registry().front()->Connectiontype;
}

ComPtr<IZelkServerBrowser> CreateServerBrowser(tZelkConnectionType ConnectionType) {
  return FindConnection(ConnectionType, true)->IFCreateZelkServerBrowser();
}

void GetServerNames(tZelkConnectionType ConnectionType, const std::string& ServerName, std::string& Caption,
                    std::string& ClsId) {
  FindConnection(ConnectionType, true)->IFGetServerNames(ServerName, Caption, ClsId);
}

void DestroyConnectionRegistry() { Registry().clear(); }
