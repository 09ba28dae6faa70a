#include "platform/rtl/PropertyInfo.h"

#include <algorithm>

#include "platform/rtl/StringUtils.h"

TPropertyInfo TPropertyInfo::Make(std::string name, TPropertyKind kind) {
  TPropertyInfo info;
  info.Name = std::move(name);
  info.Kind = kind;
  return info;
}

bool TPropertyInfo::HasGetter() const {
  switch (Kind) {
    case TPropertyKind::pkString:
      return static_cast<bool>(GetString);
    case TPropertyKind::pkObject:
      return static_cast<bool>(GetObject);
    default:
      return static_cast<bool>(GetOrdinal);
  }
}

bool TPropertyInfo::IsStored(const TPersistent& instance) const {
  if (Stored)
    return Stored(instance);
  switch (Kind) {
    case TPropertyKind::pkString:
      return !GetString(instance).empty();
    case TPropertyKind::pkObject:
      return GetObject(instance) != nullptr;
    default:
      return true;
  }
}

TPropertyInfo TPropertyInfo::NeverStored() && {
  Stored = [](const TPersistent&) { return false; };
  return std::move(*this);
}

TPropertyList::TPropertyList(std::initializer_list<TPropertyInfo> properties) {
  for (const TPropertyInfo& property : properties)
    Add(property);
}

TPropertyList::TPropertyList(const TPropertyList& base, std::initializer_list<TPropertyInfo> own)
    : FItems(base.FItems) {
  for (const TPropertyInfo& property : own)
    Add(property);
}

void TPropertyList::Add(TPropertyInfo property) {
  auto same = std::find_if(FItems.begin(), FItems.end(),
                           [&](const TPropertyInfo& p) { return SameText(p.Name, property.Name); });
  if (same != FItems.end())
    *same = std::move(property);
  else
    FItems.push_back(std::move(property));
}

void TPropertyList::Remove(std::string_view name) {
  std::erase_if(FItems, [&](const TPropertyInfo& p) { return SameText(p.Name, name); });
}

const TPropertyInfo* TPropertyList::Find(std::string_view name) const {
  for (const TPropertyInfo& property : FItems)
    if (SameText(property.Name, name))
      return &property;
  return nullptr;
}
