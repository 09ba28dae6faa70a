#pragma once
// The COM transport: the connection to one OPC server over COM, its shutdown sink, the
// global-interface-table entry, the enumeration of the OPC servers of a computer, and the COM
// routines the HDA and DA clients share.

#include <memory>
#include <string>
#include <vector>

#include "opc/_OPCCOMN.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/rtl/StringList.h"
#include "platform/win32.h"
#include "toolkit/ZelkIntf.h"

// ---------------------------------------------------------------------------------------------
// Shared routines

// The system's text for a code without its line end and closing full stop, as it reads inside
// a sentence; empty when the system has none.
std::string SysErrorMessage(HRESULT hr);
// The text of the platform's COM error for hr: the system's message, or "OLE error %.8x"
// when it has none.
std::string OleErrorText(HRESULT hr);
// Raises the platform's COM error: EOleSysError with OleErrorText(hr) and hr as its code.
[[noreturn]] void OleError(HRESULT hr);
// OleError for a failure code; success codes pass.
void OleCheck(HRESULT hr);

// Passes success codes (0 and above); raises RaiseOPCError for the others.
void CheckOPCResult(HRESULT hr);
// A code with an OPC message raises EOPCException "<name> <message>"; any other code the
// platform's COM error.
[[noreturn]] void RaiseOPCError(HRESULT hr);

// A system string holding S (empty text: an empty string, not null). The caller frees it.
// Raises std::bad_alloc when there is no memory for it.
BSTR AllocOleString(const std::string& S);
// The registry form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; empty when the conversion fails.
std::string ClsIdToString(const CLSID& ClsId);
// A registered ProgID, else class-id text; false (ClsId GUID_NULL) when neither.
bool ServerNameToClsId(const std::string& Name, CLSID& ClsId);
bool IsClsIdString(const std::string& Text);
// The COM transport's server-name look-up. A registered ProgID gives its class-id string as
// both caption and class id; class-id text whose class has a ProgID gives that ProgID and the
// normalised class id; otherwise class-id text stays the class id and anything else the
// caption.
void ResolveServerName(const std::string& ServerName, std::string& Caption, std::string& ClsId);
// Replaces List with the strings of Enum, up to the first empty one, freeing each string.
void EnumStringsToList(IEnumString* Enum, TStrings* List);

// ---------------------------------------------------------------------------------------------
// Global interface table

// One entry of the process's global interface table: an interface registered once and
// fetched by any thread as a pointer valid there. Failures of the table raise the platform's
// COM error.
class TGIP : public TObject {
public:
  TGIP(IUnknown* Unk, REFIID AIID);
  // Revokes the entry; a failure to revoke is ignored here.
  ~TGIP() override;
  std::string ClassName() const override { return "TGIP"; }

  // Replaces the entry with Unk's AIID interface.
  void SetIntf(IUnknown* Unk, REFIID AIID);
  // The registered interface (of the registered id) for the calling thread, with a reference
  // for the caller.
  void GetIntf(void** Intf) const;
  void RevokeIntf();
  bool Registered() const { return FCookie != 0; }

private:
  DWORD FCookie = 0;
  IID FIID = GUID_NULL;
};

// ---------------------------------------------------------------------------------------------
// Connection

// Process-wide and false unless set: a connection created while it is true keeps its server
// object in the global interface table, so that threads other than the connecting one can
// use it.
extern bool MultiThreadCOM;

class TZelkCOMConnection;

// The IOPCShutdown sink of one connection. It only posts message 1025 to the connection's
// component; the component reacts after the server's call has returned.
class TZelkShutdownEvent : public TComObject<IOPCShutdown> {
public:
  // A sink for aOPCServer, advised on its server when that offers connection points
  // (version 2 or higher). RetCode tells whether the advise succeeded.
  static ComPtr<TZelkShutdownEvent> create(TZelkCOMConnection* aOPCServer);

  HRESULT STDMETHODCALLTYPE ShutdownRequest(LPCWSTR szReason) override;

  // Not owned. Cleared when the connection lets go of the sink, since a server may still call
  // a sink it was never told to forget.
  TZelkCOMConnection* OPCServer;
  DWORD Cookie = 0;
  // S_OK while advised and no shutdown was requested; E_FAIL otherwise.
  HRESULT RetCode = E_FAIL;

private:
  explicit TZelkShutdownEvent(TZelkCOMConnection* aOPCServer) : OPCServer(aOPCServer) {}
};

// A connection to one OPC server over COM: by ProgID or class-id text, on this computer or a
// named one; the server's IOPCCommon and shutdown notification where it offers them. The HDA
// and DA connections derive from it.
class TZelkCOMConnection : public TZelkImplements<TZelkIntfComponent, IZelkConnection> {
public:
  explicit TZelkCOMConnection(TComponent* AOwner);
  std::string ClassName() const override { return "TZelkCOMConnection"; }

  // Params is not used by COM.
  void Connect(const std::string& ClientName, const std::string& Server, const std::string& Computer,
               TStrings* Params, int32_t Delay) override;
  void Disconnect() override;
  // Raises EOPCException "Not connected to server" when the server has no IOPCCommon.
  int32_t GetLocaleId() override;
  // COM knows no options: always false.
  bool SetOption(const std::string& Option, const std::string& Value) override;
  // Without IOPCCommon nothing happens; the server's answer is not checked.
  void SetLocaleId(int32_t Value) override;
  // 3 with IOPCBrowse, else 2 with connection points, else 1.
  int32_t Servertype() override;
  TObject* GetObject() override { return this; }
  tZelkConnectionType Connectiontype() override { return coCOM; }
  // False without IOPCCommon or for a blank name; else whether the server took the name.
  bool SetClientName(const std::string& ClientName) override;
  // Alive: true here; a specification's connection asks its server.
  bool DoTimer() override;

  // Connecting raises EOPCServerException "Server name not found in registry or empty" or
  // "Unable to connect to OPC server <name>", or the platform's COM error of the creation.
  void SetActive(bool Value);
  bool Active() const { return FActive; }

  // The server object, for the calling thread; null when not connected.
  ComPtr<IUnknown> OPCServer();
  // The server's IOPCCommon, asked once; null when not connected or not offered.
  ComPtr<IOPCCommon> GetCommonIF();
  // Raises EOPCServerException "Not connected to server" without a server object.
  void CheckServer();
  // The server offers connection points (OPC specifications 2 and later); asked once per
  // connect.
  bool Version2orHigher();
  bool Version3();

  // Local creation when Computer is blank, else creation on Computer (this computer's own
  // name, in any case, allows every context). Failures raise the platform's COM error; local
  // ones add ", ClassID: " and the class id.
  static ComPtr<IUnknown> CreateServerObject(REFCLSID ClsId, const std::string& Computer);

protected:
  ~TZelkCOMConnection() override;

  // Runs at the end of a successful connect.
  virtual void InitServer();
  // Lets go of everything tied to the server object; overrides release their own interfaces
  // first, then call this.
  virtual void ReleaseServer();

  ComPtr<IUnknown> FIServer;
  ComPtr<IOPCCommon> FICommon;
  ComPtr<TZelkShutdownEvent> FShutDown;
  std::string FServerName;
  std::string FComputerName;
  bool FActive = false;
  int32_t FDelay = 0;
  int32_t FVersion2orHigher = -1;  // -1 not yet known, 0 no, 1 yes
  std::string FClientName;
  bool FMultiThread;
  std::unique_ptr<TGIP> FSharedServer;

private:
  void ReleaseConnection();
};

// ---------------------------------------------------------------------------------------------
// Server enumeration

// The component-category ids of the members of ServerTypes, in the order they are enumerated:
// DA 1.0, DA 2.0, DA 3.0, Batch 1.0, Batch 2.0, DX 1.0, HDA 1.0, AE 1.0. svr_UA has none.
std::vector<CATID> GetCategoryIds(tZelkServerSet ServerTypes);

// Lists the OPC servers of a computer by component category. It asks the OPC server
// enumerator service of that computer (IOPCServerList2, else IOPCServerList); on this computer
// without the service it reads the categories of the class registry through the
// component-categories manager instead, type by type. One object per enumeration, created
// without owner by the COM record's factory.
class TZelkCOMServerBrowser : public TZelkImplements<TZelkIntfComponent, IZelkServerBrowser> {
public:
  TZelkCOMServerBrowser() : TZelkImplements(nullptr) {}
  std::string ClassName() const override { return "TZelkCOMServerBrowser"; }

  // Reports each server found with its description, ProgID, class id and, with Options 2
  // (type by type), the type it was found under; one pass otherwise, with the empty type set.
  // A class whose details the service cannot read is reported with empty caption and name;
  // the registry walk passes over a class without ProgID. A raising AddServerEvent does not
  // end the enumeration. Proxy is not used. Raises the platform's COM
  // error when the named computer cannot be reached or a category enumeration is refused, and
  // EOPCServerListException "Computer: <name>not found" or "Error: interface IOPCServerList not
  // found" when its service gives no object or no list interface.
  void Execute(tZelkServerSet Servertype, const std::string& Computer, const std::string& Proxy, int32_t Options,
               tZelkAddServerEvent AddServerEvent) override;

protected:
  ~TZelkCOMServerBrowser() override = default;

private:
  template <class TList>
  void EnumFromServerList(TList* List, std::vector<CATID> CatIds, tZelkServerSet ServerType);
  void EnumFromRegistry(const CATID& CatId, tZelkServerSet ServerType);
  // Calls FOnAddServer, if set; what it raises is swallowed.
  void Report(const std::string& Caption, const std::string& Name, REFCLSID ClsId, tZelkServerSet ServerType);

  tZelkAddServerEvent FOnAddServer;
};
