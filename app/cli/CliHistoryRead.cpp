#include "app/cli/CliHistoryRead.h"

#include <charconv>
#include <string>

#include "app/cli/CliText.h"
#include "app/cli/CliTime.h"
#include "platform/rtl/StringUtils.h"
#include "toolkit/ZelkError.h"

namespace {

constexpr int kValueWidth = 16;
constexpr int kQualityWidth = 12;

void WritePadded(std::ostream& out, const std::string& text, int width) {
  out << text;
  for (int i = static_cast<int>(text.size()); i < width; ++i) out << ' ';
  out << "  ";
}

}  // namespace

void TCliHistoryRead::Run() {
  switch (FOptions.Method) {
    case TCliReadMethod::Raw: ReadRaw(); break;
    case TCliReadMethod::Processed: ReadProcessed(); break;
    case TCliReadMethod::AtTime: ReadAtTime(); break;
    case TCliReadMethod::Modified: ReadModified(); break;
  }
  FOut << FCount << (FCount == 1 ? " value, " : " values, ") << CliResultName(FCode) << '\n';
}

void TCliHistoryRead::ReadRaw() {
  TDateTime start = TicksToLocalDateTime(FOptions.StartTicks);
  const TDateTime end = TicksToLocalDateTime(FOptions.EndTicks);
  BOOL bounds = FOptions.Bounds ? TRUE : FALSE;
  // Where the previous call stopped, and how many values there were written already: the
  // next call starts at that stamp and delivers them again.
  TDateTime resumeStamp = 0;
  int writtenAtResume = 0;
  for (;;) {
    TZelkHDAItems items(&FServer);
    TZelkHDAItem* item = AddItem(items);
    FServer.SyncReadRaw(start, end, FOptions.MaxValues, bounds, &items);
    const TZelkHDAValueList* values = item->Values();
    const int count = SUCCEEDED(item->LastHResult) ? values->Count() : 0;
    int first = 0;
    while (first < writtenAtResume && first < count && values->Items(first)->TimeStamp == resumeStamp) ++first;
    TakeValues(*item, first);
    // A call that brings nothing new would bring the same again.
    if (FCode != OPC_S_MOREDATA || FOptions.MaxValues != 0 || first == count) return;
    resumeStamp = values->Items(count - 1)->TimeStamp;
    writtenAtResume = 0;
    for (int i = count - 1; i >= 0 && values->Items(i)->TimeStamp == resumeStamp; --i) ++writtenAtResume;
    start = resumeStamp;
    bounds = FALSE;  // the bound before the range came with the first call
  }
}

void TCliHistoryRead::ReadProcessed() {
  TZelkHDAItems items(&FServer);
  TZelkHDAItem* item = AddItem(items);
  item->SetAggregate(AggregateId());
  FServer.SyncReadProcessed(TicksToLocalDateTime(FOptions.StartTicks), TicksToLocalDateTime(FOptions.EndTicks),
                            FOptions.IntervalSeconds, &items);
  TakeValues(*item);
}

void TCliHistoryRead::ReadAtTime() {
  TDateTimeList stamps;
  for (const int64_t ticks : FOptions.AtTicks) stamps.Add(TicksToLocalDateTime(ticks));
  TZelkHDAItems items(&FServer);
  TZelkHDAItem* item = AddItem(items);
  FServer.SyncReadAtTime(&stamps, &items);
  TakeValues(*item);
}

void TCliHistoryRead::ReadModified() {
  TZelkHDAItems items(&FServer);
  TZelkHDAItem* item = AddItem(items);
  FServer.SyncReadModified(TicksToLocalDateTime(FOptions.StartTicks), TicksToLocalDateTime(FOptions.EndTicks),
                           FOptions.MaxValues, &items);
  TakeValues(*item);
}

TZelkHDAItem* TCliHistoryRead::AddItem(TZelkHDAItems& Items) {
  TZelkHDAItem* item = Items.AddItem(FOptions.ItemId);
  // Asked here, so that an unknown item is named as such and not as a bad handle.
  if (item->ServerHandle() == 0) throw ECliServerError(Format(SItemNotExists, CliSafeText(FOptions.ItemId).c_str()));
  return item;
}

uint32_t TCliHistoryRead::AggregateId() {
  const std::string& wanted = FOptions.Aggregate;
  uint32_t id = 0;
  const auto [end, error] = std::from_chars(wanted.data(), wanted.data() + wanted.size(), id);
  const bool numeric = error == std::errc() && end == wanted.data() + wanted.size();
  TZelkHDAAggregates* aggregates = FServer.Aggregates();
  for (int i = 0; i < aggregates->Count(); ++i) {
    const TZelkHDAAggregatesItem* aggregate = aggregates->Items(i);
    if (numeric ? aggregate->ID == id : SameText(aggregate->Name, wanted)) return aggregate->ID;
  }
  throw ECliUsageError("--aggregate: the server has no aggregate '" + CliSafeText(wanted) +
                       "' (--aggregates lists them)");
}

void TCliHistoryRead::TakeValues(TZelkHDAItem& Item, int First) {
  FCode = Item.LastHResult;
  if (FAILED(FCode)) throw ECliServerError(CliSafeText(FOptions.ItemId) + ": " + CliResultText(FCode));
  if (!FHeaderWritten) {
    FOut << Format("%-23s  %-*s  %-*s  %s\n", "Time stamp", kValueWidth, "Value", kQualityWidth, "Quality",
                   "HDA quality");
    FHeaderWritten = true;
  }
  const TZelkHDAValueList* values = Item.Values();
  const int count = values->Count();
  for (int i = First; i < count; ++i) WriteRow(*values->Items(i));
  if (count > First) FCount += static_cast<uint64_t>(count - First);
}

void TCliHistoryRead::WriteRow(const TZelkHDAValueItem& Value) {
  FOut << FormatCliTime(Value.TimeStamp) << "  ";
  WritePadded(FOut, CliValueText(Value.Value.Value()), kValueWidth);
  WritePadded(FOut, Value.QualityAsString(), kQualityWidth);
  FOut << Value.HdaQualityAsString() << '\n';
}
