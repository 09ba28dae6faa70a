#include "toolkit/hda/ZelkHDARequests.h"

#include <algorithm>
#include <vector>

namespace {

std::mutex& RegistryLock() {
  static std::mutex lock;
  return lock;
}

std::vector<TZelkHDARequests*>& Registry() {
  static std::vector<TZelkHDARequests*> tables;
  return tables;
}

std::unique_ptr<TZelkHDAAsyncTransaction> CopyOf(const TZelkHDAAsyncTransaction& Transaction) {
  auto copy = std::make_unique<TZelkHDAAsyncTransaction>();
  copy->UserData = Transaction.UserData;
  copy->hrStatus = Transaction.hrStatus;
  copy->HdaItems = Transaction.HdaItems;
  copy->HdaItem = Transaction.HdaItem;
  copy->hdaAttributes = Transaction.hdaAttributes;
  copy->UpdateList = Transaction.UpdateList;
  copy->ID = Transaction.ID;
  return copy;
}

bool RefersTo(const TZelkHDAAsyncTransaction& Transaction, const TObject* List) {
  return Transaction.HdaItems == List || Transaction.HdaItem == List || Transaction.hdaAttributes == List ||
         Transaction.UpdateList == List;
}

}  // namespace

TZelkHDARequests::TZelkHDARequests(TZelkHDAServer* Owner) : FOwner(Owner) {
  std::lock_guard lock(RegistryLock());
  Registry().push_back(this);
}

TZelkHDARequests::~TZelkHDARequests() {
  std::lock_guard lock(RegistryLock());
  std::erase(Registry(), this);
}

void TZelkHDARequests::ForgetListEverywhere(const TObject* List) {
  std::lock_guard lock(RegistryLock());
  for (TZelkHDARequests* table : Registry()) table->ForgetList(List);
}

uint32_t TZelkHDARequests::Generation() {
  std::lock_guard lock(FLock);
  return FGeneration;
}

TZelkHDAAsyncTransaction* TZelkHDARequests::Add(std::unique_ptr<TZelkHDAAsyncTransaction> Transaction,
                                                 TZelkHDARequestKind Kind) {
  std::lock_guard lock(FLock);
  // Ids wrap round after 2^32 requests; 0 is never used, and an id still pending is skipped.
  do {
    ++FLastID;
  } while (FLastID == 0 || FEntries.contains(FLastID));
  TZelkHDAAsyncTransaction* transaction = Transaction.get();
  transaction->ID = FLastID;
  TEntry& entry = FEntries[FLastID];
  entry.Transaction = std::move(Transaction);
  entry.Kind = Kind;
  entry.Generation = FGeneration;
  return transaction;
}

void TZelkHDARequests::SetCancelID(uint32_t ID, uint32_t CancelID) {
  std::lock_guard lock(FLock);
  if (auto it = FEntries.find(ID); it != FEntries.end()) {
    it->second.HasCancelID = true;
    it->second.CancelID = CancelID;
  }
}

void TZelkHDARequests::Remove(uint32_t ID) {
  std::unique_ptr<TZelkHDAAsyncTransaction> gone;
  std::lock_guard lock(FLock);
  if (auto it = FEntries.find(ID); it != FEntries.end()) {
    gone = std::move(it->second.Transaction);
    FEntries.erase(it);
  }
}

void TZelkHDARequests::Post(TZelkHDAEventType SubId, const TZelkHDAAsyncTransaction& Transaction) {
  // Under the table's lock, so the component cannot go between the look-up and the post.
  // Posting takes only the queue's lock, and nothing holding that one waits for this table.
  FOwner->PostMsg(ZelkMsgHDACallback, SubId, CopyOf(Transaction).release());
}

void TZelkHDARequests::Deliver(uint32_t Generation, uint32_t ID, TZelkHDARequestKind Kind, HRESULT hrStatus,
                               TZelkHDAEventType SubId, const TWriter& Write) {
  std::lock_guard lock(FLock);
  auto it = FEntries.find(ID);
  if (!FOwner || it == FEntries.end()) return;
  TEntry& entry = it->second;
  if (entry.Kind != Kind || entry.State != TState::Pending || entry.Generation != Generation) return;
  try {
    Write(*entry.Transaction);
  } catch (...) {
    // What could not be converted is missing; the request still completes.
  }
  entry.Transaction->hrStatus = hrStatus;
  if (!Streams(Kind)) entry.State = TState::Delivered;
  Post(SubId, *entry.Transaction);
}

void TZelkHDARequests::ConfirmCancel(uint32_t Generation, uint32_t CancelID) {
  std::lock_guard lock(FLock);
  if (!FOwner) return;
  for (auto& [id, entry] : FEntries) {
    if (entry.HasCancelID && entry.CancelID == CancelID && entry.State == TState::Pending &&
        entry.Generation == Generation) {
      entry.State = TState::Cancelled;
      Post(evCancelComplete, *entry.Transaction);
      return;
    }
  }
}

bool TZelkHDARequests::Claim(uint32_t ID, bool Keep) {
  std::unique_ptr<TZelkHDAAsyncTransaction> gone;
  std::lock_guard lock(FLock);
  auto it = FEntries.find(ID);
  if (it == FEntries.end()) return false;
  if (!Keep) {
    gone = std::move(it->second.Transaction);
    FEntries.erase(it);
  }
  return true;
}

void TZelkHDARequests::ForgetList(const TObject* List) {
  std::lock_guard lock(FLock);
  std::erase_if(FEntries, [List](const auto& pair) { return RefersTo(*pair.second.Transaction, List); });
}

void TZelkHDARequests::EndGeneration() {
  std::lock_guard lock(FLock);
  ++FGeneration;
  std::erase_if(FEntries, [](const auto& pair) { return pair.second.State == TState::Pending; });
}

void TZelkHDARequests::Detach() {
  std::lock_guard lock(FLock);
  FOwner = nullptr;
  FEntries.clear();
}

void HdaRequestListDestroyed(const TObject* List) { TZelkHDARequests::ForgetListEverywhere(List); }
