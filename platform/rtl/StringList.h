#pragma once
// TStrings, lines of text each with an optional object, and TStringList, which stores them.
//
// name=value lines: a line's name is the text before its first '=', its value the text after
// it, further '=' included ("a=b=c" has the value "b=c"). A line without '=' has neither and
// never matches a name. Names are matched without regard to ASCII case, whatever
// CaseSensitive says.
//
// Index errors raise EListError "List index out of bounds (<index>)".

#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Object.h"

class TStream;

class TStrings : public TPersistent {
public:
  std::string ClassName() const override { return "TStrings"; }

  virtual int Count() const = 0;
  virtual std::string Get(int index) const = 0;
  // Replaces the text of a line; its object stays.
  virtual void Put(int index, const std::string& text) = 0;
  virtual TObject* Objects(int index) const = 0;
  virtual void SetObjects(int index, TObject* object) = 0;
  virtual void Clear() = 0;
  virtual void Delete(int index) = 0;
  // index may be Count (appends).
  virtual void InsertObject(int index, const std::string& text, TObject* object) = 0;
  void Insert(int index, const std::string& text) { InsertObject(index, text, nullptr); }
  // Appends the line and returns its index.
  virtual int AddObject(const std::string& text, TObject* object);
  int Add(const std::string& text) { return AddObject(text, nullptr); }
  // Appends every line of strings with its object.
  void AddStrings(const TStrings& strings);
  // From another TStrings: its lines and objects replace this list's. The object references
  // are copied, not the objects: a list that owns its objects must not take them over from
  // a list that still owns them.
  void Assign(const TPersistent* source) override;

  // The first line equal to text (as CompareStrings sees it), or -1.
  virtual int IndexOf(std::string_view text) const;
  int IndexOfObject(const TObject* object) const;
  // The same lines in the same order, compared exactly; objects are not compared.
  bool Equals(const TStrings& strings) const;

  // Every line followed by CR LF.
  std::string Text() const;
  // Replaces the lines with those of text, split at CR LF, LF or CR; a line break at the
  // very end does not start another line.
  void SetText(std::string_view text);

  // Empty for a line without '='.
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  // The line becomes Names(index) + "=" + value.
  void SetValueFromIndex(int index, const std::string& value);
  // The first line whose name is name, or -1.
  int IndexOfName(std::string_view name) const;
  // Empty when no line has the name.
  std::string Values(std::string_view name) const;
  // Sets the value of the first line with the name, or appends "name=value" when none has
  // it. An empty value keeps (or appends) the line as "name=": lists of fixed parameters rely
  // on every key staying present.
  void SetValues(std::string_view name, const std::string& value);

  // Reads the rest of the stream as UTF-8 text (a leading byte-order mark is skipped).
  void LoadFromStream(TStream& stream);
  // Writes Text() as UTF-8 without a byte-order mark.
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  // Between BeginUpdate and the matching EndUpdate, changes fire OnChange once, at the end.
  void BeginUpdate();
  void EndUpdate();
  // Fired after every change to the lines or their objects.
  TNotifyEvent OnChange;

protected:
  // Negative, 0 or positive as a sorts before, equal to or after b; ASCII case is ignored.
  virtual int CompareStrings(std::string_view a, std::string_view b) const;
  // Implementations call it after every change.
  void Changed();

private:
  int FUpdateCount = 0;
  bool FChangedDuringUpdate = false;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

// While OwnsObjects, an object leaves the list freed: by Delete, Clear, the destructor, and by
// SetObjects for the object it replaces.
class TStringList : public TStrings {
public:
  TStringList() = default;
  explicit TStringList(bool ownsObjects) : FOwnsObjects(ownsObjects) {}
  ~TStringList() override;
  std::string ClassName() const override { return "TStringList"; }

  int Count() const override { return static_cast<int>(FItems.size()); }
  std::string Get(int index) const override;
  // A sorted list raises EListError "Operation not allowed on sorted list" (and so does
  // SetValues for a name it holds).
  void Put(int index, const std::string& text) override;
  TObject* Objects(int index) const override;
  void SetObjects(int index, TObject* object) override;
  void Clear() override;
  void Delete(int index) override;
  // A sorted list raises EListError "Operation not allowed on sorted list".
  void InsertObject(int index, const std::string& text, TObject* object) override;
  // A sorted list puts the line in its place. A line equal to one already there is then
  // added after it (dupAccept), dropped with the index of the other returned (dupIgnore; the
  // object stays with the caller), or refused with EListError "String list does not allow
  // duplicates" (dupError).
  int AddObject(const std::string& text, TObject* object) override;
  int IndexOf(std::string_view text) const override;

  // Sets index to the first line equal to text and returns true, or to where text would go
  // and returns false. An unsorted list is searched line by line (index = Count when absent).
  bool Find(std::string_view text, int& index) const;
  // Stable: equal lines keep their order.
  void Sort();

  bool Sorted() const { return FSorted; }
  // Turning it on sorts the list.
  void SetSorted(bool value);
  // Applies to lines added while sorted; duplicates already there stay.
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates value) { FDuplicates = value; }
  // Off by default. A sorted list re-sorts when it changes.
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool value);
  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool value) { FOwnsObjects = value; }

protected:
  int CompareStrings(std::string_view a, std::string_view b) const override;

private:
  struct TStringItem {
    std::string Text;
    TObject* Object = nullptr;
  };

  void CheckIndex(int index) const;
  void CheckUnsorted() const;
  void InsertItem(int index, const std::string& text, TObject* object);
  void FreeObject(TObject* object) const;

  std::vector<TStringItem> FItems;
  bool FSorted = false;
  TDuplicates FDuplicates = TDuplicates::dupIgnore;
  bool FCaseSensitive = false;
  bool FOwnsObjects = false;
};
