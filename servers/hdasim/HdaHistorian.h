#pragma once
// The simulation historian's backend: the address space, every item's history (generated or
// recorded, overlaid by edits) and the reads, updates and annotations the OPC HDA interfaces
// are built on. No COM here; the server objects translate to and from it.
//
// Items are referred to by their index (0 .. ItemCount()-1); an index outside gives
// UnknownItem. Every call may come from any thread: reads work on snapshots, edits are
// serialised, and a cursor stays valid (and unchanged) while edits go on.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "servers/hdasim/HdaAddressSpace.h"
#include "servers/hdasim/HdaAggregates.h"
#include "servers/hdasim/HdaHistoryView.h"
#include "servers/hdasim/HdaItem.h"
#include "servers/hdasim/HdaRawCursor.h"
#include "servers/hdasim/HdaTime.h"

struct HdaHistorianOptions {
  HdaClock Clock;  // empty: the system clock
  uint32_t MaxReturnValues = 1'000'000;
  std::string NodeName = "localhost";
  // Folder of recorded history (HdaCsvArchive.h); empty: generated items only.
  std::string DataFolder;
};

// The folder named by the environment variable ZELK_HDASIM_DATA, or empty.
std::string HdaDataFolderFromEnvironment();

// One value edit of a batch; the value and quality are not used by hetDelete (delete at time).
struct HdaEdit {
  int Item = -1;
  HdaEditType Type = hetInsert;
  int64_t Time = 0;
  HdaValue Value;
  uint32_t Quality = DA_QUALITY_GOOD;
};

struct HdaHistorianStatus {
  int64_t StartTime = 0;
  int64_t CurrentTime = 0;
  uint32_t MaxReturnValues = 0;
  std::string Vendor;
  uint16_t MajorVersion = 0;
  uint16_t MinorVersion = 0;
  uint16_t BuildNumber = 0;
};

class HdaHistorian {
public:
  explicit HdaHistorian(HdaHistorianOptions options = {});
  HdaHistorian(const HdaHistorian&) = delete;
  HdaHistorian& operator=(const HdaHistorian&) = delete;

  int64_t Now() const { return FClock(); }
  // What went wrong while loading recorded history: "<file>:<line>: <reason>" or
  // "<file>: <reason>", in the order met. Nothing there stopped the historian.
  const std::vector<std::string>& Diagnostics() const { return FDiagnostics; }
  HdaHistorianStatus Status() const;
  uint32_t MaxReturnValues() const { return FMaxReturnValues; }

  const HdaAddressSpace& AddressSpace() const { return FAddressSpace; }
  int ItemCount() const { return static_cast<int>(FItems.size()); }
  // -1 when no item has that id (ids compare exactly).
  int FindItem(std::string_view itemId) const;
  // The item at an index; the index must be valid.
  const HdaItem& Item(int index) const { return FItems[static_cast<size_t>(index)]; }

  HdaStatus ReadAttribute(int item, uint32_t attributeId, HdaValue& value) const;

  // A snapshot of the item's history as of now; the item must be valid.
  HdaHistoryView View(int item) const;

  // Raw values (see HdaRawCursor for the rules); the cursor is set unless the item is unknown.
  HdaStatus ReadRaw(int item, const HdaRawRequest& request, std::optional<HdaRawCursor>& cursor) const;
  // One value per requested time (HdaHistoryView::ValueAtTime). NoData when none of them has data.
  HdaStatus ReadAtTime(int item, const std::vector<int64_t>& times, std::vector<HdaSample>& values) const;
  // Aggregates over intervals (see HdaAggregates.h for the rules).
  HdaStatus ReadProcessed(int item, const HdaProcessedRequest& request, std::vector<HdaSample>& values) const;

  // Advise: the samples that arrived after `after`, up to now: a raw read of (after, now].
  HdaStatus ReadSince(int item, int64_t after, std::optional<HdaRawCursor>& cursor) const;

  // Updates, applied in order (rules in HdaEditLog.h); one result per edit. The edits of one
  // call become visible to readers together, when the call returns.
  std::vector<HdaStatus> Update(const std::vector<HdaEdit>& edits, const std::string& user);
  // Deletes the values in the raw read's time domain of start and end (either order).
  HdaStatus DeleteRaw(int item, int64_t start, int64_t end, const std::string& user);
  // The modified records stamped in the raw read's time domain, in time order (backward when
  // start is after end), records of one time in the order they were made (reversed backward). The limit works as
  // in raw reads (MoreData); NoData when there is none.
  HdaStatus ReadModified(int item, int64_t start, int64_t end, uint32_t maxValues,
                         std::vector<HdaModifiedSample>& records) const;

  // Annotations: a text attached to a time of an item's history, with who wrote it and when
  // (the historian's now). Times outside history are InvalidTime. Reads take annotations
  // stamped in the raw read's time domain (start included, end excluded, backward when start
  // is after end), several at one time in the order they were written (reversed backward).
  HdaStatus InsertAnnotation(int item, int64_t time, std::string text, std::string user);
  HdaStatus ReadAnnotations(int item, int64_t start, int64_t end, std::vector<HdaAnnotation>& annotations) const;

private:
  struct ItemState {
    std::shared_ptr<const HdaOverlay> Overlay = std::make_shared<HdaOverlay>();
    std::vector<HdaAnnotation> Annotations;   // sorted by time
    std::vector<HdaModifiedSample> Modified;  // in the order made
  };

  bool Valid(int item) const { return item >= 0 && item < ItemCount(); }
  void AddItem(HdaItem item);
  void AddGeneratedItems(const std::string& nodeName);
  void AddRecordedItems(const std::string& folder, const std::string& nodeName);

  HdaClock FClock;
  uint32_t FMaxReturnValues;
  int64_t FStartTime;
  std::vector<HdaItem> FItems;
  std::map<std::string, int, std::less<>> FItemIndex;
  HdaAddressSpace FAddressSpace;
  std::vector<std::string> FDiagnostics;
  mutable std::mutex FLock;  // guards FStates; edits hold it for their whole batch
  std::vector<ItemState> FStates;
};
