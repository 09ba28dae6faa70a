#pragma once
// TComponent: an object with an owner, a name, a loading state and removal notifications.
//
// Ownership: an owner destroys the components it owns when it is destroyed, the most recently
// inserted first. A component destroyed on its own first leaves its owner's list.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/PropertyInfo.h"

// An invalid or duplicate component name, or an impossible ownership.
class EComponentError : public Exception {
public:
  using Exception::Exception;
};

enum class TOperation { opInsert, opRemove };

enum class TComponentStateFlag : uint8_t { csLoading, csDesigning, csDestroying };

class TComponentState {
public:
  bool Contains(TComponentStateFlag flag) const { return (FBits & Bit(flag)) != 0; }
  void Include(TComponentStateFlag flag) { FBits |= Bit(flag); }
  void Exclude(TComponentStateFlag flag) { FBits &= static_cast<uint8_t>(~Bit(flag)); }
  bool Empty() const { return FBits == 0; }

private:
  static uint8_t Bit(TComponentStateFlag flag) { return static_cast<uint8_t>(1u << static_cast<unsigned>(flag)); }
  uint8_t FBits = 0;
};

// The position a form designer gave a non-visual component; streamed as Left and Top.
struct TDesignInfo {
  int32_t Left = 0;
  int32_t Top = 0;
  bool operator==(const TDesignInfo&) const = default;
};

class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  std::string ClassName() const override { return "TComponent"; }

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // Raises EListError "List index out of bounds (<index>)" outside 0..ComponentCount()-1.
  TComponent* Components(int index) const;
  // Case-insensitive; an empty name finds nothing.
  TComponent* FindComponent(std::string_view name) const;
  // Takes component over from its previous owner, if any. Raises EComponentError when the
  // name is taken here or when component is this one or one of its owners.
  void InsertComponent(TComponent* component);
  // Does nothing unless this component owns component.
  void RemoveComponent(TComponent* component);

  const std::string& Name() const { return FName; }
  // Raises EComponentError "'<v>' is not a valid component name" unless v is empty or an
  // identifier, and "A component named <v> already exists" when a sibling (compared without
  // regard to case) has it.
  void SetName(const std::string& value);
  int64_t Tag() const { return FTag; }
  void SetTag(int64_t value) { FTag = value; }
  const TDesignInfo& DesignInfo() const { return FDesignInfo; }
  void SetDesignInfo(const TDesignInfo& value) { FDesignInfo = value; }

  TComponentState ComponentState() const { return FComponentState; }

  // component receives opRemove when this one is destroyed, and this one when component is;
  // the registration is mutual and ends with either side's destruction or with
  // RemoveFreeNotification.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // The properties the settings text writes and reads, in order. Subclasses return a static
  // list built from their base class's list (see TPropertyList).
  virtual const TPropertyList& PublishedProperties() const;

protected:
  // Tells this component that component was inserted into or removed from the owner
  // tree it belongs to, or (opRemove) that a component it asked to be told about is going.
  // Overrides must call this one: it passes the news on to the owned components.
  virtual void Notification(TComponent* component, TOperation operation);
  // Runs once after a settings text has been applied; ends the loading state.
  virtual void Loaded();
  // Applies to the owned components as well.
  void SetDesigning(bool value);

private:
  friend class TSettingsReader;

  void BeginLoading() { FComponentState.Include(TComponentStateFlag::csLoading); }
  void EndLoading() { FComponentState.Exclude(TComponentStateFlag::csLoading); }
  void MarkDestroying();
  void DestroyComponents();
  void ForgetFreeNotification(TComponent* component);

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  std::string FName;
  int64_t FTag = 0;
  TDesignInfo FDesignInfo;
  TComponentState FComponentState;
};

bool IsValidIdent(std::string_view text);
