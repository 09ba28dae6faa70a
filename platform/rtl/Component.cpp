#include "platform/rtl/Component.h"

#include <algorithm>

#include "platform/rtl/StringUtils.h"

namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

void EraseFirst(std::vector<TComponent*>& list, TComponent* component) {
  auto it = std::find(list.begin(), list.end(), component);
  if (it != list.end())
    list.erase(it);
}

}  // namespace

bool IsValidIdent(std::string_view text) {
  return !text.empty() && IsIdentStart(text.front()) && std::all_of(text.begin(), text.end(), IsIdentChar);
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner)
    AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  MarkDestroying();
  // A client's handler may end other registrations, so take one entry at a time; each entry
  // goes before the call, so an override that skips the base Notification leaves none behind.
  while (!FFreeNotifies.empty()) {
    TComponent* client = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    EraseFirst(client->FFreeNotifies, this);
    client->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (FOwner)
    FOwner->RemoveComponent(this);
}

void TComponent::MarkDestroying() {
  FComponentState.Include(TComponentStateFlag::csDestroying);
  for (TComponent* component : FComponents)
    component->MarkDestroying();
}

void TComponent::DestroyComponents() {
  // Owned components leave the list before they go, so they do not call back into it.
  while (!FComponents.empty()) {
    TComponent* component = FComponents.back();
    FComponents.pop_back();
    component->FOwner = nullptr;
    delete component;
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError::IndexOutOfBounds(index);
  return FComponents[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty())
    return nullptr;
  for (TComponent* component : FComponents)
    if (SameText(component->FName, name))
      return component;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->FOwner == this)
    return;
  for (const TComponent* owner = this; owner; owner = owner->FOwner)
    if (owner == component)
      throw EComponentError("A component cannot own itself or one of its owners");
  if (FindComponent(component->FName))
    throw EComponentError(Format("A component named %s already exists", component->FName.c_str()));
  if (component->FOwner)
    component->FOwner->RemoveComponent(component);
  FComponents.push_back(component);
  component->FOwner = this;
  if (FComponentState.Contains(TComponentStateFlag::csDesigning))
    component->SetDesigning(true);
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->FOwner != this)
    return;
  Notification(component, TOperation::opRemove);
  EraseFirst(FComponents, component);
  component->FOwner = nullptr;
}

void TComponent::SetName(const std::string& value) {
  if (value == FName)
    return;
  if (!value.empty() && !IsValidIdent(value))
    throw EComponentError(Format("'%s' is not a valid component name", value.c_str()));
  if (FOwner) {
    TComponent* existing = FOwner->FindComponent(value);
    if (existing && existing != this)
      throw EComponentError(Format("A component named %s already exists", value.c_str()));
  }
  FName = value;
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this)
    return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(component);
    component->FFreeNotifies.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component)
    return;
  EraseFirst(FFreeNotifies, component);
  EraseFirst(component->FFreeNotifies, this);
}

const TPropertyList& TComponent::PublishedProperties() const {
  static const TPropertyList none;
  return none;
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove)
    RemoveFreeNotification(component);
  // A handler may free owned components, so the index is checked on every step.
  for (size_t i = FComponents.size(); i > 0;) {
    --i;
    if (i < FComponents.size())
      FComponents[i]->Notification(component, operation);
  }
}

void TComponent::Loaded() { EndLoading(); }

void TComponent::SetDesigning(bool value) {
  if (value)
    FComponentState.Include(TComponentStateFlag::csDesigning);
  else
    FComponentState.Exclude(TComponentStateFlag::csDesigning);
  for (TComponent* component : FComponents)
    component->SetDesigning(value);
}
