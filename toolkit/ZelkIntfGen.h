#pragma once
// The process-wide registry of connection types: each transport registers one record of
// factory functions at start-up, and components find a transport by its connection type
// without naming its classes. The first record registered is the default type.
//
// Filled on the main thread before the first component is created and only read afterwards;
// it holds no lock.

#include <functional>
#include <memory>
#include <string>

#include "toolkit/ZelkIntf.h"

// One transport's factories. Owned by the registry once registered.
class TIFRegisterClass : public TObject {
public:
  std::string ClassName() const override { return "TIFRegisterClass"; }

  tZelkConnectionType Connectiontype = coCOM;
  // The transport's server enumeration object, without owner.
  std::function<ComPtr<IZelkServerBrowser>()> IFCreateZelkServerBrowser;
  // A DA group bound to a DA connection.
  std::function<ComPtr<IZelkGroup>(IZelkConnection* Connection)> IFCreateZelkGroup;
  // An address-space browser for a DA connection.
  std::function<ComPtr<IZelkBrowser>(IZelkDAConnection* Connection)> IFCreateZelkBrowser;
  // Turns a server name into a display caption and a class-id string.
  std::function<void(const std::string& ServerName, std::string& Caption, std::string& ClsId)> IFGetServerNames;
  // A DA connection owned by AOwner; Options is kept for other transports (COM ignores it).
  std::function<ComPtr<IZelkDAConnection>(TComponent* AOwner, int32_t Options)> IFCreateZelkDAServer;
};

// Appends Reg and returns true, unless a record for its connection type is registered already:
// then the first one stays in force, Reg is freed and the result is false.
bool RegisterConnection(std::unique_ptr<TIFRegisterClass> Reg);
// The record of the type; null when there is none, or with RaiseIfMissing EOPCException
// "Connection not registered" CR LF "add ZelkXMLLink, ZelkCOMLink or ZelkUALink in uses clause".
TIFRegisterClass* FindConnection(tZelkConnectionType ConnectionType, bool RaiseIfMissing);
bool ConnectionRegistered(tZelkConnectionType ConnectionType);
// The type of the first record; an empty registry raises EOPCException "No default connection
// registered add ZelkXMLLink, ZelkCOMLink or ZelkUALink in uses clause".
tZelkConnectionType DefaultConnectionType();
// Both raise as FindConnection(ConnectionType, true) does for a missing type, and raise
// EOPCException "Server enumeration not supported by this connection type" or "Server name
// resolution not supported by this connection type" when the record lacks the factory (or
// the browser factory returns none).
ComPtr<IZelkServerBrowser> CreateServerBrowser(tZelkConnectionType ConnectionType);
void GetServerNames(tZelkConnectionType ConnectionType, const std::string& ServerName, std::string& Caption,
                    std::string& ClsId);

// Frees every record and empties the registry, as program shutdown does. Records found
// earlier are gone afterwards.
void DestroyConnectionRegistry();
