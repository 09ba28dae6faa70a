#include "toolkit/com/ZelkCOMLink.h"

#include "toolkit/com/ZelkCom.h"

bool RegisterCOMLink() {
  if (ConnectionRegistered(coCOM)) return false;
  auto record = std::make_unique<TIFRegisterClass>();
  record->Connectiontype = coCOM;
  record->IFCreateZelkServerBrowser = [] { return ComPtr<IZelkServerBrowser>(new TZelkCOMServerBrowser); };
  record->IFCreateZelkBrowser = [](IZelkDAConnection* Connection) { return Connection->CreateBrowser(); };
  record->IFGetServerNames = ResolveServerName;
  return RegisterConnection(std::move(record));
}
