// Entries of the process's global interface table.

#include "toolkit/com/ZelkCom.h"

namespace {

// Created on first use and kept for the life of the process.
IGlobalInterfaceTable* GlobalInterfaceTable() {
  static IGlobalInterfaceTable* const table = [] {
    IGlobalInterfaceTable* created = nullptr;
    OleCheck(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr,
                              CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                              IID_IGlobalInterfaceTable, reinterpret_cast<void**>(&created)));
    return created;
  }();
  return table;
}

}  // namespace

TGIP::TGIP(IUnknown* Unk, REFIID AIID) { SetIntf(Unk, AIID); }

TGIP::~TGIP() {
  if (Registered()) GlobalInterfaceTable()->RevokeInterfaceFromGlobal(FCookie);
}

void TGIP::SetIntf(IUnknown* Unk, REFIID AIID) {
  RevokeIntf();
  DWORD cookie = 0;
  OleCheck(GlobalInterfaceTable()->RegisterInterfaceInGlobal(Unk, AIID, &cookie));
  FCookie = cookie;
  FIID = AIID;
}

void TGIP::GetIntf(void** Intf) const { OleCheck(GlobalInterfaceTable()->GetInterfaceFromGlobal(FCookie, FIID, Intf)); }

void TGIP::RevokeIntf() {
  if (!Registered()) return;
  OleCheck(GlobalInterfaceTable()->RevokeInterfaceFromGlobal(FCookie));
  FCookie = 0;
  FIID = GUID_NULL;
}
