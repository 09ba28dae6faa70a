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

// A transport may leave out factories it does not have; asking for one is then an error the
// caller can show, not a call through an empty function.
template <class TFactory>
const TFactory& RequireFactory(const TFactory& Factory, const char* Missing) {
  if (!Factory) throw EOPCException(Missing);
  return Factory;
}

constexpr char SNoServerBrowser[] = "Server enumeration not supported by this connection type";
constexpr char SNoServerNames[] = "Server name resolution not supported by this connection type";

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
  ComPtr<IZelkServerBrowser> browser =
      RequireFactory(FindConnection(ConnectionType, true)->IFCreateZelkServerBrowser, SNoServerBrowser)();
  if (!browser) throw EOPCException(SNoServerBrowser);
  return browser;
}

void GetServerNames(tZelkConnectionType ConnectionType, const std::string& ServerName, std::string& Caption,
                    std::string& ClsId) {
  RequireFactory(FindConnection(ConnectionType, true)->IFGetServerNames, SNoServerNames)(ServerName, Caption, ClsId);
}

void DestroyConnectionRegistry() { Registry().clear(); }
