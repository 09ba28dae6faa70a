#pragma once
// The pending asynchronous requests of one HDA component, keyed by the 32-bit transaction ids
// the server is given. Shared by the component and its data callbacks: the callback reaches
// a request only through a look-up under the table's lock, so a request the table forgot
// (completed, its list destroyed, its connection closed, its component gone) cannot be
// written into.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "toolkit/hda/ZelkHDA.h"

// Which callback method completes a request.
enum class TZelkHDARequestKind : uint8_t {
  Read,  // raw, processed and at-time reads
  ReadModified,
  ReadAttribute,
  Advise,
  Playback,
  ReadAnnotations,
  InsertAnnotations,
  Update,
};

class TZelkHDARequests {
public:
  explicit TZelkHDARequests(TZelkHDAServer* Owner);
  ~TZelkHDARequests();
  TZelkHDARequests(const TZelkHDARequests&) = delete;
  TZelkHDARequests& operator=(const TZelkHDARequests&) = delete;

  // The connection the requests added from now on belong to.
  uint32_t Generation();

  // Keeps Transaction as a pending request of the current connection under a fresh id (set
  // in its ID) and returns it, still owned by the table.
  TZelkHDAAsyncTransaction* Add(std::unique_ptr<TZelkHDAAsyncTransaction> Transaction, TZelkHDARequestKind Kind);
  void SetCancelID(uint32_t ID, uint32_t CancelID);
  void Remove(uint32_t ID);

  // For a pending request of Kind and Generation under ID: runs Write with its transaction
  // under the table's lock, stores hrStatus and posts message 1030 with SubId and a copy of
  // the transaction to the component. A one-shot request then waits for its message and
  // takes no further delivery. Anything else is ignored.
  using TWriter = std::function<void(TZelkHDAAsyncTransaction&)>;
  void Deliver(uint32_t Generation, uint32_t ID, TZelkHDARequestKind Kind, HRESULT hrStatus, TZelkHDAEventType SubId,
               const TWriter& Write);
  // The server cancelled the pending request with CancelID: it takes no further delivery and
  // a message 1030 with sub-id 1 is posted for it. An unknown cancel id is ignored.
  void ConfirmCancel(uint32_t Generation, uint32_t CancelID);

  // Handling a message for ID: true when the table still holds the request. Unless Keep, the
  // request leaves the table.
  bool Claim(uint32_t ID, bool Keep);

  // Forgets every request that refers to List.
  void ForgetList(const TObject* List);
  // The connection closes: forgets the requests no message is on its way for; later
  // deliveries of that connection find nothing.
  void EndGeneration();
  // The component goes: forgets everything and posts nothing more.
  void Detach();

  // Every live table, for the lists' destructors.
  static void ForgetListEverywhere(const TObject* List);

private:
  enum class TState : uint8_t { Pending, Delivered, Cancelled };
  struct TEntry {
    std::unique_ptr<TZelkHDAAsyncTransaction> Transaction;
    TZelkHDARequestKind Kind;
    TState State = TState::Pending;
    bool HasCancelID = false;
    uint32_t CancelID = 0;
    uint32_t Generation = 0;
  };

  static bool Streams(TZelkHDARequestKind Kind) {
    return Kind == TZelkHDARequestKind::Advise || Kind == TZelkHDARequestKind::Playback;
  }
  void Post(TZelkHDAEventType SubId, const TZelkHDAAsyncTransaction& Transaction);

  std::mutex FLock;
  TZelkHDAServer* FOwner;
  std::unordered_map<uint32_t, TEntry> FEntries;
  uint32_t FLastID = 0;
  uint32_t FGeneration = 1;
};
