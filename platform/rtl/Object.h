#pragma once
// TObject, the root of the class tree, and TPersistent, an object that can copy another.

#include <functional>
#include <string>

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  // The class name as the settings text writes it ("TZelkHDAServer"). Every class that is
  // streamed or named in a message overrides it.
  virtual std::string ClassName() const { return "TObject"; }
};

// The event most objects fire: "something happened to sender".
using TNotifyEvent = std::function<void(TObject* sender)>;

class TPersistent : public TObject {
public:
  std::string ClassName() const override { return "TPersistent"; }

  // Copies source into this object. The default asks source to AssignTo this object and
  // raises EConvertError "Cannot assign a <source class> to a <this class>" when neither knows
  // how (a null source reads as "nil").
  virtual void Assign(const TPersistent* source);

protected:
  virtual void AssignTo(TPersistent* dest) const;
};
