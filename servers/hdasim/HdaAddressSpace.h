#pragma once
// The browsable tree of the historian: branches holding branches and items. An item id is the
// branch path and the item name joined by dots ("Plant.Area1.Boiler1.Temperature"); items are
// referred to by their index in the historian.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class HdaBranch {
public:
  HdaBranch(std::string name, const HdaBranch* parent);

  const std::string& Name() const { return FName; }
  // Dot-joined names from the root; empty for the root itself.
  const std::string& Path() const { return FPath; }
  const HdaBranch* Parent() const { return FParent; }
  const std::vector<std::unique_ptr<HdaBranch>>& Branches() const { return FBranches; }
  const std::vector<int>& Items() const { return FItems; }
  const HdaBranch* FindBranch(std::string_view name) const;

private:
  friend class HdaAddressSpace;
  HdaBranch& BranchNamed(std::string_view name);

  std::string FName;
  std::string FPath;
  const HdaBranch* FParent;
  std::vector<std::unique_ptr<HdaBranch>> FBranches;
  std::vector<int> FItems;
};

class HdaAddressSpace {
public:
  HdaAddressSpace();

  const HdaBranch& Root() const { return *FRoot; }
  // A dot-joined branch path; the empty path is the root. Null when there is no such branch.
  const HdaBranch* FindBranch(std::string_view path) const;
  // Files the item under the branches of its id, creating them as needed.
  void AddItem(std::string_view itemId, int index);

private:
  std::unique_ptr<HdaBranch> FRoot;
};

// The parts of an item id: branch path and item name.
std::string_view BranchPathOf(std::string_view itemId);
std::string_view ItemNameOf(std::string_view itemId);
