#pragma once
// Updates of one item's history. Edits go into a private copy of the item's overlay, which
// the historian publishes when the batch is done, so readers never see half of a batch and a
// reader's snapshot never changes under it.
//
// Every edit keeps a modified record of the history it changed: the value that stood there
// before (replace, insert-replace over a value, delete), or the new value where nothing stood
// (insert, insert-replace into empty time), with the edit type, the time of the edit and the
// user. Edited values read back with HDA_RAW and the OPC quality (low 16 bits) written.

#include <memory>
#include <string>
#include <vector>

#include "servers/hdasim/HdaHistoryView.h"
#include "servers/hdasim/HdaItem.h"

class HdaItemEditor {
public:
  HdaItemEditor(const HdaItem& item, const HdaOverlay& current, std::vector<HdaModifiedSample>& modified, int64_t now,
                const std::string& user);

  // Insert: DataExists when a value stands at the time. Replace and delete at time:
  // NoDataExists when none does. Insert-replace: Inserted or Replaced. A time outside
  // [epoch, now] is InvalidTime; a value that does not fit the item's type InvalidDataType,
  // one outside its entry limits OutOfRange.
  HdaStatus Apply(HdaEditType type, int64_t time, const HdaValue& value, uint32_t quality);
  // Deletes every value with from <= time < to. NoData when there was none; MaxExceeded
  // (deleting nothing) when there are more than `maximum`.
  HdaStatus DeleteRange(int64_t from, int64_t to, uint32_t maximum);

  std::shared_ptr<const HdaOverlay> Overlay() const { return FDraft; }

private:
  void Record(const HdaSample& sample, HdaEditType type);
  void Remove(int64_t time);

  const HdaItem& FItem;
  std::shared_ptr<HdaOverlay> FDraft;
  HdaHistoryView FView;
  std::vector<HdaModifiedSample>& FModified;
  int64_t FNow;
  const std::string& FUser;
};
