#include "servers/hdasim/HdaAddressSpace.h"

std::string_view BranchPathOf(std::string_view itemId) {
  const size_t dot = itemId.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : itemId.substr(0, dot);
}

std::string_view ItemNameOf(std::string_view itemId) {
  const size_t dot = itemId.rfind('.');
  return dot == std::string_view::npos ? itemId : itemId.substr(dot + 1);
}

HdaBranch::HdaBranch(std::string name, const HdaBranch* parent) : FName(std::move(name)), FParent(parent) {
  if (parent) FPath = parent->Path().empty() ? FName : parent->Path() + "." + FName;
}

const HdaBranch* HdaBranch::FindBranch(std::string_view name) const {
  for (const auto& branch : FBranches)
    if (branch->Name() == name) return branch.get();
  return nullptr;
}

HdaBranch& HdaBranch::BranchNamed(std::string_view name) {
  for (auto& branch : FBranches)
    if (branch->Name() == name) return *branch;
  FBranches.push_back(std::make_unique<HdaBranch>(std::string(name), this));
  return *FBranches.back();
}

HdaAddressSpace::HdaAddressSpace() : FRoot(std::make_unique<HdaBranch>("", nullptr)) {}

const HdaBranch* HdaAddressSpace::FindBranch(std::string_view path) const {
  const HdaBranch* branch = FRoot.get();
  while (branch && !path.empty()) {
    const size_t dot = path.find('.');
    branch = branch->FindBranch(path.substr(0, dot));
    path = dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
  }
  return branch;
}

void HdaAddressSpace::AddItem(std::string_view itemId, int index) {
  HdaBranch* branch = FRoot.get();
  std::string_view path = BranchPathOf(itemId);
  while (!path.empty()) {
    const size_t dot = path.find('.');
    branch = &branch->BranchNamed(path.substr(0, dot));
    path = dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
  }
  branch->FItems.push_back(index);
}
