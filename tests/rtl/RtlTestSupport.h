#pragma once
// Pieces shared by the runtime library's tests.

#include <string>
#include <vector>

#include "platform/rtl/Object.h"

using Journal = std::vector<std::string>;

// Writes its name to a journal when it is destroyed, so tests see who freed what and when.
class TProbe : public TObject {
public:
  TProbe(std::string name, Journal& journal) : FName(std::move(name)), FJournal(journal) {}
  ~TProbe() override { FJournal.push_back(FName); }
  const std::string& Name() const { return FName; }

private:
  std::string FName;
  Journal& FJournal;
};

// The message of the Exc that action raises; "no error" when it raises none.
template <class Exc, class Action>
std::string ErrorOf(Action action) {
  try {
    action();
  } catch (const Exc& error) {
    return error.Message();
  }
  return "no error";
}
