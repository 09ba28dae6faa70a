#pragma once
// The history read of one item through the HDA component, written as a table: a header, one
// line per value, then the number of values and the item's result code.

#include <cstdint>
#include <ostream>

#include "app/cli/CliOptions.h"
#include "toolkit/hda/ZelkHDA.h"

class TCliHistoryRead {
public:
  TCliHistoryRead(TZelkHDAServer& Server, const TCliOptions& Options, std::ostream& Out)
      : FServer(Server), FOptions(Options), FOut(Out) {}

  // Reads Options.ItemId by Options.Method. Raises ECliServerError for an item the server
  // refuses, ECliUsageError for an aggregate it does not offer, and what the component raises
  // for a failed call.
  void Run();

private:
  // A raw read of all values continues past the server's limit per call, from the last time
  // stamp it delivered.
  void ReadRaw();
  void ReadProcessed();
  void ReadAtTime();
  void ReadModified();

  // The item in a new request list, checked to be known to the server.
  TZelkHDAItem* AddItem(TZelkHDAItems& Items);
  uint32_t AggregateId();
  // Raises for a failed item; otherwise writes the table's header once, its values from First on,
  // and keeps its code.
  void TakeValues(TZelkHDAItem& Item, int First = 0);
  void WriteRow(const TZelkHDAValueItem& Value);

  TZelkHDAServer& FServer;
  const TCliOptions& FOptions;
  std::ostream& FOut;
  bool FHeaderWritten = false;
  uint64_t FCount = 0;
  HRESULT FCode = S_OK;
};
