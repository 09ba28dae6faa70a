#pragma once
// The toolkit's shared vocabulary: server specifications and protocols, the records and small
// classes that travel between components and transports, the exception family, the
// transport-neutral interfaces, the component base classes and the quality and state texts.
//
// The toolkit interfaces derive from IUnknown, so ComPtr holds them and QueryInterface finds
// them by their ids. They pass std::string and toolkit objects and may raise, so they are
// meant for callers in this process, not for marshalling. A transport object derives from
// TZelkImplements<TZelkIntfComponent, IZelkConnection, ...>, which answers IUnknown for every
// listed interface with the one reference count of TZelkIntfComponent.

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/StringList.h"
#include "platform/win32.h"
#include "toolkit/OleVariant.h"

// ---------------------------------------------------------------------------------------------
// Enumerations and sets

// The OPC specifications a server may implement.
enum tZelkServerSpec : uint8_t {
  svr_DA10 = 0,
  svr_DA20 = 1,
  svr_DA30 = 2,
  svr_AE10 = 3,
  svr_BA10 = 4,
  svr_BA20 = 5,
  svr_DX10 = 6,
  svr_HDA10 = 7,
  svr_UA = 8,
};

// A set of specifications as a 9-bit mask: bit n stands for the member with value n.
class tZelkServerSet {
public:
  constexpr tZelkServerSet() = default;
  constexpr tZelkServerSet(std::initializer_list<tZelkServerSpec> members) {
    for (tZelkServerSpec member : members) Include(member);
  }
  static constexpr tZelkServerSet FromBits(uint16_t bits) {
    tZelkServerSet set;
    set.FBits = bits & kAllBits;
    return set;
  }

  constexpr bool Contains(tZelkServerSpec member) const { return (FBits & Bit(member)) != 0; }
  constexpr void Include(tZelkServerSpec member) { FBits = static_cast<uint16_t>(FBits | Bit(member)); }
  constexpr void Exclude(tZelkServerSpec member) { FBits = static_cast<uint16_t>(FBits & ~Bit(member)); }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr uint16_t Bits() const { return FBits; }

  constexpr tZelkServerSet operator|(tZelkServerSet other) const { return FromBits(FBits | other.FBits); }
  constexpr tZelkServerSet operator&(tZelkServerSet other) const { return FromBits(FBits & other.FBits); }
  constexpr bool operator==(const tZelkServerSet&) const = default;

private:
  static constexpr uint16_t kAllBits = 0x01FF;
  static constexpr uint16_t Bit(tZelkServerSpec member) { return static_cast<uint16_t>(1u << member); }
  uint16_t FBits = 0;
};

// The protocol of a connection.
enum tZelkConnectionType : int32_t {
  coXML = 0,
  coCOM = 1,
  coUA = 2,
};

// The requested data type of a DA item; each value is the variant type code it stands for.
enum ZelkADatatype : int32_t {
  vtEMPTY = 0,
  vtNULL = 1,
  vtI2 = 2,
  vtI4 = 3,
  vtR4 = 4,
  vtR8 = 5,
  vtCY = 6,
  vtDATE = 7,
  vtBSTR = 8,
  vtDISPATCH = 9,
  vtERROR = 10,
  vtBOOL = 11,
  vtVARIANT = 12,
  vtUNKNOWN = 13,
  vtDECIMAL = 14,
  vtundef = 15,  // the code no variant type has
  vtI1 = 16,
  vtUI1 = 17,
  vtUI2 = 18,
  vtUI4 = 19,
  vtI8 = 20,
  vtUI8 = 21,
  vtINT = 22,
  vtUINT = 23,
  vtVOID = 24,
  vtHRESULT = 25,
  vtPTR = 26,
  vtSAFEARRAY = 27,
  vtCARRAY = 28,
  vtUSERDEFINED = 29,
  vtLPSTR = 30,
  vtLPWSTR = 31,
};

// Called once per server a server enumeration finds: its description, ProgID, class id in
// registry form and the specifications it implements.
using tZelkAddServerEvent = std::function<void(const std::string& Caption, const std::string& Name,
                                               const std::string& ClsId, tZelkServerSet ServerType)>;

// ---------------------------------------------------------------------------------------------
// Records

// A server's status; times are local.
struct TServerStateRecord {
  TDateTime Starttime = 0;
  TDateTime Currenttime = 0;
  TDateTime LastUpdateTime = 0;
  int32_t ServerState = 0;
  int32_t GroupCount = 0;
  int32_t MaxValues = 0;
  uint32_t BandWidth = 0;
  int32_t MajorVersion = 0;
  int32_t MinorVersion = 0;
  std::string BuildNumber;
  std::string VendorInfo;
  std::string Version;
  std::string StatusInfo;
  std::string _ClientHandle;
  std::string ProductName;
};

// The state of one DA group. The three reserved fields are kept for other transports; the COM
// group sets them to 0.
struct TGroupStateRecord {
  int32_t UpdateRate = 0;
  bool Active = false;
  std::string Name;
  int32_t TimeBias = 0;
  float Deadband = 0;
  int32_t LCID = 0;
  int32_t ClientHandle = 0;
  int32_t ServerHandle = 0;
  int32_t Reserved1 = 0;
  int32_t Reserved2 = 0;
  int32_t Reserved3 = 0;
};

// ---------------------------------------------------------------------------------------------
// Address-space nodes

// One node of an address space: a branch, a leaf or both. Owned by the list or browser that
// made it.
class TZelkBrowseItem : public TObject {
public:
  // Strings empty, IsItem false, IsFolder and HasChilds true, Kind and Tag 0.
  TZelkBrowseItem() = default;
  std::string ClassName() const override { return "TZelkBrowseItem"; }

  // Copies every property but ItemId (computed); a null source changes nothing.
  virtual void Assign(const TZelkBrowseItem* Source);

  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  const std::string& ItemName() const { return FItemName; }
  // Also makes Value the NodeId while NodeId is empty.
  void SetItemName(const std::string& Value);
  const std::string& ItemPath() const { return FItemPath; }
  void SetItemPath(const std::string& Value) { FItemPath = Value; }
  bool IsItem() const { return FIsItem; }
  void SetIsItem(bool Value) { FIsItem = Value; }
  bool IsFolder() const { return FIsFolder; }
  void SetIsFolder(bool Value) { FIsFolder = Value; }
  bool HasChilds() const { return FHasChilds; }
  void SetHasChilds(bool Value) { FHasChilds = Value; }
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t Value) { FTag = Value; }
  const std::string& NodeId() const { return FNodeId; }
  void SetNodeId(const std::string& Value) { FNodeId = Value; }
  int32_t Kind() const { return FKind; }
  void SetKind(int32_t Value) { FKind = Value; }

  std::string ItemId() const { return GetItemId(); }
  // NodeId when set; else ItemPath + "//" + ItemName when a path is set; else ItemName.
  std::string GetItemId() const;

private:
  std::string FName;
  std::string FItemName;
  std::string FItemPath;
  bool FIsItem = false;
  bool FIsFolder = true;
  bool FHasChilds = true;
  int32_t FTag = 0;
  std::string FNodeId;
  int32_t FKind = 0;
};

// Forward enumerator over a list of objects it does not own: MoveNext first moves to index 0.
class TZelkListEnumerator : public TObject {
public:
  explicit TZelkListEnumerator(const TList* AList) : FList(AList) {}
  std::string ClassName() const override { return "TZelkListEnumerator"; }

  // Advances and returns true while an entry follows; at the end it stays and returns false.
  bool MoveNext();

protected:
  int32_t FIndex = -1;
  const TList* FList;
};

class TZelkBrowseEnumerator : public TZelkListEnumerator {
public:
  using TZelkListEnumerator::TZelkListEnumerator;
  std::string ClassName() const override { return "TZelkBrowseEnumerator"; }

  TZelkBrowseItem* Current() const { return GetCurrent(); }
  TZelkBrowseItem* GetCurrent() const;
};

// An ordered list that owns its browse items. It is a TListOf<TZelkBrowseItem>, so a browser
// fills it through IZelkBrowser::SetBrowseList like any list of browse items; entries that
// leave it other than by Extract are freed.
class TZelkBrowseItems : public TListOf<TZelkBrowseItem> {
public:
  TZelkBrowseItems() = default;
  ~TZelkBrowseItems() override { Clear(); }
  std::string ClassName() const override { return "TZelkBrowseItems"; }

  // Appends an independent copy of every entry of Source; entries already here stay.
  void Assign(const TZelkBrowseItems* Source);

  // Raises EListError outside 0..Count()-1.
  TZelkBrowseItem* GetBrowseItem(int32_t Index) const { return Items(Index); }
  // A new enumerator over this list; the caller owns it.
  std::unique_ptr<TZelkBrowseEnumerator> GetEnumerator() const;

  int32_t Tag() const { return FTag; }
  void SetTag(int32_t Value) { FTag = Value; }

protected:
  void Notify(void* item, TListNotification action) override;

private:
  int32_t FTag = 0;
};

// ---------------------------------------------------------------------------------------------
// DA item records

// The client side of one DA item. Transports (the DA group and connection) read and write the
// fields directly; users go through the properties. Its address is the item's OPC client
// handle.
class TZelkItemData : public TObject {
public:
  TZelkItemData() = default;
  std::string ClassName() const override { return "TZelkItemData"; }

  bool IsActive() const { return FIsActive; }
  void SetIsActive(bool Value) { FIsActive = Value; }
  int32_t EUType() const { return FEUType; }
  void SetEUType(int32_t Value) { FEUType = Value; }
  int32_t CanonicalDatatype() const { return FCanonicalDatatype; }
  void SetCanonicalDatatype(int32_t Value) { FCanonicalDatatype = Value; }
  int32_t BaseDatatype() const { return fBaseDatatype; }
  void SetBaseDatatype(int32_t Value) { fBaseDatatype = Value; }
  TDateTime TimeStamp() const { return FTimeStamp; }
  void SetTimeStamp(TDateTime Value) { FTimeStamp = Value; }
  int32_t ServerHandle() const { return FServerHandle; }
  void SetServerHandle(int32_t Value) { FServerHandle = Value; }
  int32_t RequestType() const { return FRequesttype; }
  void SetRequestType(int32_t Value) { FRequesttype = Value; }
  const std::string& ItemID() const { return FItemID; }
  const std::string& AccessPath() const { return FAccessPath; }
  void SetAccessPath(const std::string& Value) { FAccessPath = Value; }
  int32_t AccessRights() const { return FAccessRights; }
  void SetAccessRights(int32_t Value) { FAccessRights = Value; }
  uint32_t Quality() const { return FQuality; }
  void SetQuality(uint32_t Value) { FQuality = Value; }
  int64_t LastError() const { return FLastError; }
  void SetLastError(int64_t Value) { FLastError = Value; }
  void* Data() const { return FData; }
  void SetData(void* Value) { FData = Value; }
  const OleVariant& WantValue() const { return FWantValue; }
  void SetWantValue(const OleVariant& Value) { FWantValue = Value; }
  int32_t ChangeCount() const { return FChangeCount; }
  void SetChangeCount(int32_t Value) { FChangeCount = Value; }
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t Value) { FTag = Value; }
  int32_t WantQuality() const { return FWantQuality; }
  void SetWantQuality(int32_t Value) { FWantQuality = Value; }
  TDateTime WantTimeStamp() const { return FWantTimeStamp; }
  void SetWantTimeStamp(TDateTime Value) { FWantTimeStamp = Value; }
  float DeadBand() const { return FDeadBand; }
  void SetDeadBand(float Value) { FDeadBand = Value; }
  int32_t Samplerate() const { return FSamplerate; }
  void SetSamplerate(int32_t Value) { FSamplerate = Value; }
  const std::string& ItemName() const { return fItemName; }
  void SetItemName(const std::string& Value) { fItemName = Value; }
  const OleVariant& Value() const { return FValue; }
  const OleVariant& EUInfo() const { return FEUInfo; }
  void SetEUInfo(const OleVariant& Value) { FEUInfo = Value; }

  bool FIsActive = false;
  int32_t FEUType = 0;
  int32_t FCanonicalDatatype = 0;
  int32_t fBaseDatatype = 0;
  TDateTime FTimeStamp = 0;
  int32_t FServerHandle = -1;  // -1 while the item is not added
  ZelkADatatype FRequestDatatype = vtEMPTY;
  int32_t FRequesttype = 0;
  std::string FItemID;
  std::string FAccessPath;
  int32_t FAccessRights = 0;
  uint32_t FQuality = 0;
  int64_t FLastError = 0;  // sign-extended result code; 0 = success
  void* FData = nullptr;
  OleVariant FWantValue;
  TListOf<TObject> FGUIItems;  // display objects bound to the item, not owned
  int32_t FChangeCount = 0;
  int32_t FTag = 0;
  int32_t FWantQuality = -1;     // negative: write no quality
  TDateTime FWantTimeStamp = 0;  // 0 or less: write no time stamp
  float FDeadBand = 0;
  int32_t FSamplerate = 0;
  std::string fItemName;
  OleVariant FValue;
  OleVariant FEUInfo;
  bool FIsArray = false;
};

// One property of a DA item as the DA connection returns it; the connection fills the fields,
// users read the properties (only Tag is theirs to write).
class TZelkItemProperty : public TObject {
public:
  // Numbers 0, description empty, Value the integer 1.
  TZelkItemProperty() : FValue(int32_t{1}) {}
  std::string ClassName() const override { return "TZelkItemProperty"; }

  int32_t Id() const { return FId; }
  int64_t Error() const { return FStatusCode; }
  int64_t StatusCode() const { return FStatusCode; }
  const std::string& Description() const { return FDescription; }
  int32_t Datatype() const { return FDataType; }
  const OleVariant& Value() const { return FValue; }
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t Value) { FTag = Value; }

  int32_t FId = 0;
  int64_t FStatusCode = 0;  // sign-extended result code
  std::string FDescription;
  int32_t FDataType = 0;
  OleVariant FValue;
  int32_t FTag = 0;
  int32_t FQuality = 0;
  TDateTime FTimeStamp = 0;
};

// ---------------------------------------------------------------------------------------------
// Messages

// One queued message. OParam travels with the message: whoever ends up holding the message
// (the handler, or the queue when it discards it) disposes of OParam; freeing a TZelkMsg
// never frees its OParam.
class TZelkMsg : public TObject {
public:
  TZelkMsg(int32_t AMsgId, int64_t AIParam, TObject* AOParam) : MsgId(AMsgId), IParam(AIParam), OParam(AOParam) {}
  std::string ClassName() const override { return "TZelkMsg"; }

  int32_t MsgId;
  int64_t IParam;
  TObject* OParam;
};

// One log entry a transport hands to its component.
class TZelkLogMsg : public TPersistent {
public:
  std::string ClassName() const override { return "TZelkLogMsg"; }
  // From a TZelkLogMsg: copies the five fields; anything else goes to TPersistent::Assign.
  void Assign(const TPersistent* Source) override;

  TDateTime LogTime = 0;
  int32_t LogSeverity = 0;
  uint32_t LogType = 0;
  std::string Msg;
  std::string Detail;
};

// ---------------------------------------------------------------------------------------------
// Exceptions

class EOPCException : public Exception {
public:
  using Exception::Exception;
};

class EOPCBrowserException : public EOPCException {
public:
  using EOPCException::EOPCException;
};

class EOPCGroupException : public EOPCException {
public:
  using EOPCException::EOPCException;
};

class EOPCServerException : public EOPCException {
public:
  using EOPCException::EOPCException;
};

class EOPCServerListException : public EOPCServerException {
public:
  using EOPCServerException::EOPCServerException;
};

// ---------------------------------------------------------------------------------------------
// Transport-neutral interfaces (methods in slot order)

struct IZelkBrowser;

// {EE37583A-B0C2-41C2-A263-CEAE0601CD55}
ZELK_DEFINE_GUID(IID_IZelkServerBrowser, 0xEE37583A, 0xB0C2, 0x41C2, 0xA2, 0x63, 0xCE, 0xAE, 0x06, 0x01, 0xCD, 0x55);
// {0B39CD52-407F-4983-A1EF-33E36ACAA2C3}
ZELK_DEFINE_GUID(IID_IZelkGroup, 0x0B39CD52, 0x407F, 0x4983, 0xA1, 0xEF, 0x33, 0xE3, 0x6A, 0xCA, 0xA2, 0xC3);
// {B17D0EFD-A7E8-4DA3-BC3B-DE22AE3E73E9}
ZELK_DEFINE_GUID(IID_IZelkBrowser, 0xB17D0EFD, 0xA7E8, 0x4DA3, 0xBC, 0x3B, 0xDE, 0x22, 0xAE, 0x3E, 0x73, 0xE9);
// {2E0EDBB1-C374-4575-B7AC-0CCBAB0973B9}
ZELK_DEFINE_GUID(IID_IZelkConnection, 0x2E0EDBB1, 0xC374, 0x4575, 0xB7, 0xAC, 0x0C, 0xCB, 0xAB, 0x09, 0x73, 0xB9);
// {B64D9A7C-1FA9-4AC3-9049-3C36448580DD}
ZELK_DEFINE_GUID(IID_IZelkDAConnection, 0xB64D9A7C, 0x1FA9, 0x4AC3, 0x90, 0x49, 0x3C, 0x36, 0x44, 0x85, 0x80, 0xDD);

// A connection to one server, whatever the transport.
struct IZelkConnection : IUnknown {
  virtual void Connect(const std::string& ClientName, const std::string& Server, const std::string& Computer,
                       TStrings* Params, int32_t Delay) = 0;
  virtual void Disconnect() = 0;
  virtual int32_t GetLocaleId() = 0;
  virtual bool SetOption(const std::string& Option, const std::string& Value) = 0;
  virtual void SetLocaleId(int32_t Value) = 0;
  // The highest DA specification the server offers: 3, 2 or 1.
  virtual int32_t Servertype() = 0;
  // The implementing object itself.
  virtual TObject* GetObject() = 0;
  virtual tZelkConnectionType Connectiontype() = 0;
  virtual bool SetClientName(const std::string& ClientName) = 0;
  // The periodic keep-alive probe: false when the server no longer answers.
  virtual bool DoTimer() = 0;
};
ZELK_DECLARE_UUIDOF(IZelkConnection, IID_IZelkConnection);

struct IZelkDAConnection : IZelkConnection {
  virtual std::string GetErrorString(uint32_t Errorcode) = 0;
  virtual std::string ErrorIDToString(uint32_t Errorcode) = 0;
  // RaiseErrors: raise instead of returning false.
  virtual bool QueryAvailableProperties(TStrings* ItemIds, TStrings* PropIds, bool Values, bool RaiseErrors) = 0;
  virtual std::string LookupItemId(const std::string& ItemId, int32_t PropId) = 0;
  virtual void GetServerInfo(TServerStateRecord& dState, int32_t Options) = 0;
  virtual ComPtr<IZelkBrowser> CreateBrowser() = 0;
};
ZELK_DECLARE_UUIDOF(IZelkDAConnection, IID_IZelkDAConnection);

// Walks an address space; Browse fills the list given to SetBrowseList (owned by the caller).
struct IZelkBrowser : IUnknown {
  // 1 hierarchical, 2 flat (the OPC DA numbering); -1 when the browser cannot tell.
  virtual int32_t GetOrganization() = 0;
  virtual bool MoveDown(TZelkBrowseItem* Folder) = 0;
  virtual bool Moveto(TZelkBrowseItem* Folder) = 0;
  virtual bool MovetoRoot() = 0;
  virtual bool Moveup() = 0;
  virtual TZelkBrowseItem* GetCurrentPosition() = 0;
  virtual std::string GetCurrentPath(const std::string& Delimiter) = 0;
  virtual void SetFilter(int32_t FolderType, int32_t AccessRights, int32_t DataType, const std::string& Filter) = 0;
  virtual bool Browse(bool flat) = 0;
  virtual void SetBrowseList(TListOf<TZelkBrowseItem>* BrowseList) = 0;
};
ZELK_DECLARE_UUIDOF(IZelkBrowser, IID_IZelkBrowser);

// Lists the servers of a computer.
struct IZelkServerBrowser : IUnknown {
  virtual void Execute(tZelkServerSet Servertype, const std::string& Computer, const std::string& Proxy,
                       int32_t Options, tZelkAddServerEvent AddServerEvent) = 0;
};
ZELK_DECLARE_UUIDOF(IZelkServerBrowser, IID_IZelkServerBrowser);

// One DA group. The two trailing arguments of SetState and AddGroup are kept for other
// transports; the COM group ignores them.
struct IZelkGroup : IUnknown {
  virtual void RemoveGroup(bool ServerGone, int32_t& ServerHandle) = 0;
  virtual void SetName(const std::string& Name) = 0;
  virtual void GetState(TGroupStateRecord& State) = 0;
  virtual void SetState(int32_t& UpdateRate, bool Active, int32_t TimeBias, float Deadband, int32_t Lcid,
                        int32_t ClientHandle, int32_t Reserved1, int32_t Reserved2) = 0;
  virtual bool SyncWrite(TListOf<TZelkItemData>* Items) = 0;
  virtual bool AsyncWrite(TListOf<TZelkItemData>* Items) = 0;
  virtual bool AsyncRead(TListOf<TZelkItemData>* Items) = 0;
  virtual bool SyncRead(TListOf<TZelkItemData>* Items, bool FromCache) = 0;
  virtual bool ReadItemAttributes(TListOf<TZelkItemData>* Items) = 0;
  virtual void Cancel() = 0;
  virtual void Refresh(int32_t MaxAge) = 0;
  virtual bool AddItems(TListOf<TZelkItemData>* Items, bool AddToGroup) = 0;
  virtual bool RemoveItems(bool ServerGone, TListOf<TZelkItemData>* Items) = 0;
  virtual bool SetActiveState(TListOf<TZelkItemData>* Items, bool Active) = 0;
  virtual bool SetDatatypes(TListOf<TZelkItemData>* Items) = 0;
  virtual TObject* GetObject() = 0;
  virtual void AddGroup(int32_t& ServerHandle, const std::string& Name, int32_t ClientHandle, bool Active,
                        float Deadband, int32_t TimeBias, int32_t Lcid, int32_t& UpdateRate, bool Advise,
                        int32_t Reserved1, int32_t Reserved2) = 0;
};
ZELK_DECLARE_UUIDOF(IZelkGroup, IID_IZelkGroup);

// ---------------------------------------------------------------------------------------------
// Component base classes

// A component that receives messages. Both operations do nothing here; a queueing component
// overrides them.
class TZelkComponent : public TComponent {
public:
  explicit TZelkComponent(TComponent* AOwner) : TComponent(AOwner) {}
  std::string ClassName() const override { return "TZelkComponent"; }

  virtual void HandleMsg(TObject* Msg);
  // Callable from any thread. OParam's ownership passes with the call: this base has nowhere
  // to deliver it and frees it.
  virtual void PostMsg(int32_t MessageId, int64_t IParam, TObject* OParam);
};

// The base of transport objects: a reference-counted interface object (it starts with no
// reference and frees itself when the last one goes) that posts its events to the component
// owning it. It is an IUnknown itself, the identity of the object.
class TZelkIntfComponent : public TObject, public IUnknown {
public:
  // A given owner must be a TZelkComponent: otherwise raises EOPCException "Owner is not
  // inherited from TZelkComponent". No owner is accepted.
  explicit TZelkIntfComponent(TComponent* AOwner);
  std::string ClassName() const override { return "TZelkIntfComponent"; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // The owning component, not owned.
  TComponent* Owner() const { return FOwner; }
  // The component events are posted to; raises EOPCException "Owner has nil value" without
  // an owner.
  TZelkComponent* GetHandler() const;

protected:
  ~TZelkIntfComponent() override = default;
  // The listed interfaces of a subclass, without a new reference; null for others.
  virtual void* FindInterface(REFIID riid);

private:
  TComponent* FOwner;
  std::atomic<ULONG> FRefCount{0};
};

// Implements IUnknown for Interfaces on top of Base (TZelkIntfComponent or a subclass), which
// holds the count and answers for its own interfaces. QueryInterface finds the listed ids only:
// a DA connection is TZelkImplements<TZelkCOMConnection, IZelkDAConnection>, whose base answers
// for IZelkConnection, and it overrides the IZelkConnection methods it inherits twice.
template <class Base, class... Interfaces>
class TZelkImplements : public Base, public Interfaces... {
public:
  using Base::Base;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    return Base::QueryInterface(riid, ppvObject);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return Base::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return Base::Release(); }

protected:
  void* FindInterface(REFIID riid) override {
    void* found = nullptr;
    (void)((riid == __uuidof(Interfaces) && (found = static_cast<Interfaces*>(this)) != nullptr) || ...);
    return found ? found : Base::FindInterface(riid);
  }
};

// ---------------------------------------------------------------------------------------------
// Texts

// "running", "failed" ... for states 0..6 (the list depends on the protocol); else "unknown".
std::string ServerStateToString(int32_t State, tZelkConnectionType Protocol);
// coUA: UAStatusToString of the whole value; other protocols: DAQualityToString of its low byte.
std::string QualityToString(int32_t Quality, tZelkConnectionType Protocol);
// The major word ("good", "uncertain", "bad", or empty) directly followed by the substatus word.
std::string DAQualityToString(uint8_t Quality);
std::string UAStatusToString(int32_t Status);
// The substatus word of major and substatus bits together; empty for unknown bits.
std::string QualitySubstatusToString(int32_t Bits);

// ---------------------------------------------------------------------------------------------
// Helpers

// COM for the calling thread as a single-threaded apartment, and its end.
HRESULT ZelkCoInitialize();
void ZelkCoUninitialize();

// Frees the object and leaves the pointer null.
template <class T>
void FreeAndNil(T*& Obj) {
  delete Obj;
  Obj = nullptr;
}
