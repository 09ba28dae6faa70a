#pragma once
// Published properties: what the settings text writes and reads for a class, in order.
//
// A class lists its properties once, in a static TPropertyList built from its base class's
// list, and returns it from TComponent::PublishedProperties():
//
//   const TPropertyList& TMyClient::PublishedProperties() const {
//     static const TPropertyList properties(TComponent::PublishedProperties(), {
//         StringProperty<TMyClient>("ServerName", &TMyClient::ServerName, &TMyClient::SetServerName),
//         IntegerProperty<TMyClient>("KeepAlive", &TMyClient::KeepAlive, &TMyClient::SetKeepAlive)});
//     return properties;
//   }

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Object.h"

class TComponent;

enum class TPropertyKind { pkInteger, pkInt64, pkBoolean, pkString, pkEnumeration, pkObject };

// Integers, Booleans and enumerations travel as one ordinal; pkInteger values are 32-bit.
struct TPropertyInfo {
  std::string Name;
  TPropertyKind Kind = TPropertyKind::pkInteger;
  std::vector<std::string> EnumNames;  // pkEnumeration: the member names, ordinal order
  std::function<int64_t(const TPersistent&)> GetOrdinal;
  std::function<void(TPersistent&, int64_t)> SetOrdinal;
  std::function<std::string(const TPersistent&)> GetString;
  std::function<void(TPersistent&, const std::string&)> SetString;
  // pkObject: a sub-component whose own published properties are written as a nested object
  // and read back into it; it is never replaced.
  std::function<TComponent*(const TPersistent&)> GetObject;
  // Whether the current value is written; unset means the kind's default: strings when not
  // empty, objects when assigned, everything else always.
  std::function<bool(const TPersistent&)> Stored;

  static TPropertyInfo Make(std::string name, TPropertyKind kind);

  // A property without a getter is not written. One without a setter still reads (the value
  // is checked) but ignores the value.
  bool HasGetter() const;
  bool IsStored(const TPersistent& instance) const;

  template <class T>
  TPropertyInfo StoredWhen(std::function<bool(const T&)> predicate) && {
    Stored = [predicate = std::move(predicate)](const TPersistent& instance) {
      return predicate(static_cast<const T&>(instance));
    };
    return std::move(*this);
  }
  TPropertyInfo NeverStored() &&;
};

class TPropertyList {
public:
  TPropertyList() = default;
  TPropertyList(std::initializer_list<TPropertyInfo> properties);
  // The base class's properties first, then the own ones; an own property named like a base
  // one (without regard to case) takes its place.
  TPropertyList(const TPropertyList& base, std::initializer_list<TPropertyInfo> own);

  // Appends property, or replaces the one of the same name in its place.
  void Add(TPropertyInfo property);
  // Hides an inherited property; unknown names are ignored.
  void Remove(std::string_view name);
  // Case-insensitive; nullptr when there is none.
  const TPropertyInfo* Find(std::string_view name) const;

  int Count() const { return static_cast<int>(FItems.size()); }
  const TPropertyInfo& operator[](int index) const { return FItems.at(static_cast<size_t>(index)); }
  std::vector<TPropertyInfo>::const_iterator begin() const { return FItems.begin(); }
  std::vector<TPropertyInfo>::const_iterator end() const { return FItems.end(); }

private:
  std::vector<TPropertyInfo> FItems;
};

// Typed builders: getters and setters may be member function pointers or lambdas on T.

template <class T>
TPropertyInfo IntegerProperty(std::string name, std::function<int32_t(const T&)> getter,
                              std::function<void(T&, int32_t)> setter = nullptr) {
  TPropertyInfo info = TPropertyInfo::Make(std::move(name), TPropertyKind::pkInteger);
  info.GetOrdinal = [getter = std::move(getter)](const TPersistent& o) -> int64_t {
    return getter(static_cast<const T&>(o));
  };
  if (setter)
    info.SetOrdinal = [setter = std::move(setter)](TPersistent& o, int64_t v) {
      setter(static_cast<T&>(o), static_cast<int32_t>(v));
    };
  return info;
}

template <class T>
TPropertyInfo Int64Property(std::string name, std::function<int64_t(const T&)> getter,
                            std::function<void(T&, int64_t)> setter = nullptr) {
  TPropertyInfo info = TPropertyInfo::Make(std::move(name), TPropertyKind::pkInt64);
  info.GetOrdinal = [getter = std::move(getter)](const TPersistent& o) { return getter(static_cast<const T&>(o)); };
  if (setter)
    info.SetOrdinal = [setter = std::move(setter)](TPersistent& o, int64_t v) { setter(static_cast<T&>(o), v); };
  return info;
}

template <class T>
TPropertyInfo BooleanProperty(std::string name, std::function<bool(const T&)> getter,
                              std::function<void(T&, bool)> setter = nullptr) {
  TPropertyInfo info = TPropertyInfo::Make(std::move(name), TPropertyKind::pkBoolean);
  info.GetOrdinal = [getter = std::move(getter)](const TPersistent& o) -> int64_t {
    return getter(static_cast<const T&>(o)) ? 1 : 0;
  };
  if (setter)
    info.SetOrdinal = [setter = std::move(setter)](TPersistent& o, int64_t v) { setter(static_cast<T&>(o), v != 0); };
  return info;
}

template <class T>
TPropertyInfo StringProperty(std::string name, std::function<std::string(const T&)> getter,
                             std::function<void(T&, const std::string&)> setter = nullptr) {
  TPropertyInfo info = TPropertyInfo::Make(std::move(name), TPropertyKind::pkString);
  info.GetString = [getter = std::move(getter)](const TPersistent& o) { return getter(static_cast<const T&>(o)); };
  if (setter)
    info.SetString = [setter = std::move(setter)](TPersistent& o, const std::string& v) {
      setter(static_cast<T&>(o), v);
    };
  return info;
}

// memberNames[i] names the member whose underlying value is i.
template <class T, class E>
TPropertyInfo EnumProperty(std::string name, std::vector<std::string> memberNames,
                           std::function<E(const T&)> getter, std::function<void(T&, E)> setter = nullptr) {
  TPropertyInfo info = TPropertyInfo::Make(std::move(name), TPropertyKind::pkEnumeration);
  info.EnumNames = std::move(memberNames);
  info.GetOrdinal = [getter = std::move(getter)](const TPersistent& o) {
    return static_cast<int64_t>(getter(static_cast<const T&>(o)));
  };
  if (setter)
    info.SetOrdinal = [setter = std::move(setter)](TPersistent& o, int64_t v) {
      setter(static_cast<T&>(o), static_cast<E>(v));
    };
  return info;
}

template <class T>
TPropertyInfo ObjectProperty(std::string name, std::function<TComponent*(const T&)> getter) {
  TPropertyInfo info = TPropertyInfo::Make(std::move(name), TPropertyKind::pkObject);
  info.GetObject = [getter = std::move(getter)](const TPersistent& o) { return getter(static_cast<const T&>(o)); };
  return info;
}
