#pragma once
// The requests of the OPC HDA read, update and annotation interfaces, once their arguments
// have been checked and copied: plain data that a synchronous call executes at once and an
// asynchronous one on the worker thread. Executing one fills a result record per item, in
// request order; an item whose handle was unknown gets OPC_E_INVALIDHANDLE.

#include <memory>
#include <string>
#include <vector>

#include "servers/hdasim/ServerResults.h"

// A server item handle resolved at the time of the request: the historian's item index (-1
// for an unknown handle) and the client handle the item was added with.
struct THdaItemRef {
  int Item = -1;
  OPCHANDLE Client = 0;
};

struct THdaRawRead {
  std::vector<THdaItemRef> Items;
  HdaRawRequest Request;
};

struct THdaProcessedRead {
  std::vector<THdaItemRef> Items;
  std::vector<DWORD> Aggregates;  // one per item
  int64_t Start = 0, End = 0, Interval = 0;
};

struct THdaAtTimeRead {
  std::vector<THdaItemRef> Items;
  std::vector<int64_t> Times;
};

struct THdaModifiedRead {
  std::vector<THdaItemRef> Items;
  int64_t Start = 0, End = 0;
  DWORD MaxValues = 0;
};

struct THdaAttributeRead {
  THdaItemRef Item;
  std::vector<DWORD> Attributes;
};

struct THdaAnnotationRead {
  std::vector<THdaItemRef> Items;
  int64_t Start = 0, End = 0;
};

// One edit per item; an item whose value could not be taken over carries its error in Refused.
struct THdaValueUpdate {
  std::vector<THdaItemRef> Items;
  std::vector<HdaEdit> Edits;
  std::vector<HRESULT> Refused;
  std::string User;
};

struct THdaRawDelete {
  std::vector<THdaItemRef> Items;
  int64_t Start = 0, End = 0;
  std::string User;
};

struct THdaAnnotationInsert {
  std::vector<THdaItemRef> Items;
  std::vector<std::vector<HdaAnnotation>> Annotations;  // per item
};

// Null only when the result arrays cannot be allocated.
std::unique_ptr<THdaItemResults> Execute(const HdaHistorian& historian, const THdaRawRead& request);
std::unique_ptr<THdaItemResults> Execute(const HdaHistorian& historian, const THdaProcessedRead& request);
std::unique_ptr<THdaItemResults> Execute(const HdaHistorian& historian, const THdaAtTimeRead& request);
std::unique_ptr<THdaModifiedResults> Execute(const HdaHistorian& historian, const THdaModifiedRead& request);
std::unique_ptr<THdaAttributeResults> Execute(const HdaHistorian& historian, const THdaAttributeRead& request);
std::unique_ptr<THdaAnnotationResults> Execute(const HdaHistorian& historian, const THdaAnnotationRead& request);
std::unique_ptr<THdaHandleResults> Execute(HdaHistorian& historian, const THdaValueUpdate& request);
std::unique_ptr<THdaHandleResults> Execute(HdaHistorian& historian, const THdaRawDelete& request);
std::unique_ptr<THdaHandleResults> Execute(HdaHistorian& historian, const THdaAnnotationInsert& request);
