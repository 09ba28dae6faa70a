#include "platform/rtl/StringList.h"

#include <algorithm>
#include <utility>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringUtils.h"

namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Runs change inside BeginUpdate/EndUpdate, ending the update when change raises too.
template <class Change>
void WithinUpdate(TStrings& strings, Change&& change) {
  strings.BeginUpdate();
  try {
    change();
  } catch (...) {
    strings.EndUpdate();
    throw;
  }
  strings.EndUpdate();
}

}  // namespace

// TStrings

int TStrings::AddObject(const std::string& text, TObject* object) {
  const int index = Count();
  InsertObject(index, text, object);
  return index;
}

void TStrings::AddStrings(const TStrings& strings) {
  WithinUpdate(*this, [&] {
    const int count = strings.Count();  // fixed first: strings may be this list
    for (int i = 0; i < count; ++i)
      AddObject(strings.Get(i), strings.Objects(i));
  });
}

void TStrings::Assign(const TPersistent* source) {
  const auto* strings = dynamic_cast<const TStrings*>(source);
  if (!strings) {
    TPersistent::Assign(source);
    return;
  }
  if (strings == this)
    return;
  WithinUpdate(*this, [&] {
    Clear();
    AddStrings(*strings);
  });
}

int TStrings::IndexOf(std::string_view text) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(Get(i), text) == 0)
      return i;
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0; i < Count(); ++i)
    if (Objects(i) == object)
      return i;
  return -1;
}

bool TStrings::Equals(const TStrings& strings) const {
  if (Count() != strings.Count())
    return false;
  for (int i = 0; i < Count(); ++i)
    if (Get(i) != strings.Get(i))
      return false;
  return true;
}

std::string TStrings::Text() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    text += Get(i);
    text += kLineBreak;
  }
  return text;
}

void TStrings::SetText(std::string_view text) {
  WithinUpdate(*this, [&] {
    Clear();
    size_t start = 0;
    while (start < text.size()) {
      const size_t end = text.find_first_of("\r\n", start);
      if (end == std::string_view::npos) {
        Add(std::string(text.substr(start)));
        break;
      }
      Add(std::string(text.substr(start, end - start)));
      const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
      start = end + (crLf ? 2 : 1);
    }
  });
}

std::string TStrings::Names(int index) const {
  const std::string line = Get(index);
  const size_t separator = line.find('=');
  return separator == std::string::npos ? std::string() : line.substr(0, separator);
}

std::string TStrings::ValueFromIndex(int index) const {
  const std::string line = Get(index);
  const size_t separator = line.find('=');
  return separator == std::string::npos ? std::string() : line.substr(separator + 1);
}

void TStrings::SetValueFromIndex(int index, const std::string& value) {
  Put(index, Names(index) + "=" + value);
}

int TStrings::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string line = Get(i);
    const size_t separator = line.find('=');
    if (separator != std::string::npos && SameText(std::string_view(line).substr(0, separator), name))
      return i;
  }
  return -1;
}

std::string TStrings::Values(std::string_view name) const {
  const int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValues(std::string_view name, const std::string& value) {
  const std::string line = std::string(name) + "=" + value;
  const int index = IndexOfName(name);
  if (index < 0)
    Add(line);
  else
    Put(index, line);
}

void TStrings::LoadFromStream(TStream& stream) {
  const std::string text = ReadStreamText(stream);
  std::string_view lines = text;
  if (lines.starts_with(kUtf8ByteOrderMark))
    lines.remove_prefix(kUtf8ByteOrderMark.size());
  SetText(lines);
}

void TStrings::SaveToStream(TStream& stream) const {
  const std::string text = Text();
  stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, TFileMode::fmOpenRead);
  LoadFromStream(stream);
}

void TStrings::SaveToFile(const std::string& fileName) const {
  TFileStream stream(fileName, TFileMode::fmCreate);
  SaveToStream(stream);
}

void TStrings::BeginUpdate() { ++FUpdateCount; }

void TStrings::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0 || !FChangedDuringUpdate)
    return;
  FChangedDuringUpdate = false;
  Changed();
}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const { return CompareText(a, b); }

void TStrings::Changed() {
  if (FUpdateCount > 0) {
    FChangedDuringUpdate = true;
    return;
  }
  if (OnChange)
    OnChange(this);
}

// TStringList

TStringList::~TStringList() {
  OnChange = nullptr;
  Clear();
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EListError::IndexOutOfBounds(index);
}

void TStringList::CheckUnsorted() const {
  if (FSorted)
    throw EListError("Operation not allowed on sorted list");
}

void TStringList::FreeObject(TObject* object) const {
  if (FOwnsObjects)
    delete object;
}

std::string TStringList::Get(int index) const {
  CheckIndex(index);
  return FItems[static_cast<size_t>(index)].Text;
}

void TStringList::Put(int index, const std::string& text) {
  CheckUnsorted();
  CheckIndex(index);
  FItems[static_cast<size_t>(index)].Text = text;
  Changed();
}

TObject* TStringList::Objects(int index) const {
  CheckIndex(index);
  return FItems[static_cast<size_t>(index)].Object;
}

void TStringList::SetObjects(int index, TObject* object) {
  CheckIndex(index);
  TObject* const old = std::exchange(FItems[static_cast<size_t>(index)].Object, object);
  if (old == object)
    return;
  FreeObject(old);
  Changed();
}

void TStringList::Clear() {
  if (FItems.empty())
    return;
  // Emptied before the objects go, so their destructors meet a consistent list.
  const std::vector<TStringItem> items = std::exchange(FItems, {});
  for (auto item = items.rbegin(); item != items.rend(); ++item)
    FreeObject(item->Object);
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  TObject* const object = FItems[static_cast<size_t>(index)].Object;
  FItems.erase(FItems.begin() + index);
  FreeObject(object);
  Changed();
}

void TStringList::InsertItem(int index, const std::string& text, TObject* object) {
  FItems.insert(FItems.begin() + index, TStringItem{text, object});
  Changed();
}

void TStringList::InsertObject(int index, const std::string& text, TObject* object) {
  CheckUnsorted();
  if (index < 0 || index > Count())
    throw EListError::IndexOutOfBounds(index);
  InsertItem(index, text, object);
}

int TStringList::AddObject(const std::string& text, TObject* object) {
  if (!FSorted)
    return TStrings::AddObject(text, object);
  int index;
  if (Find(text, index)) {
    if (FDuplicates == TDuplicates::dupIgnore)
      return index;
    if (FDuplicates == TDuplicates::dupError)
      throw EListError("String list does not allow duplicates");
    while (index < Count() && CompareStrings(FItems[static_cast<size_t>(index)].Text, text) == 0)
      ++index;
  }
  InsertItem(index, text, object);
  return index;
}

int TStringList::IndexOf(std::string_view text) const {
  if (!FSorted)
    return TStrings::IndexOf(text);
  int index;
  return Find(text, index) ? index : -1;
}

bool TStringList::Find(std::string_view text, int& index) const {
  if (!FSorted) {
    index = TStrings::IndexOf(text);
    if (index >= 0)
      return true;
    index = Count();
    return false;
  }
  const auto first = std::lower_bound(FItems.begin(), FItems.end(), text,
                                      [this](const TStringItem& item, std::string_view value) {
                                        return CompareStrings(item.Text, value) < 0;
                                      });
  index = static_cast<int>(first - FItems.begin());
  return first != FItems.end() && CompareStrings(first->Text, text) == 0;
}

void TStringList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(), [this](const TStringItem& a, const TStringItem& b) {
    return CompareStrings(a.Text, b.Text) < 0;
  });
  Changed();
}

void TStringList::SetSorted(bool value) {
  if (value == FSorted)
    return;
  if (value)
    Sort();
  FSorted = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == FCaseSensitive)
    return;
  FCaseSensitive = value;
  if (FSorted)
    Sort();
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return FCaseSensitive ? a.compare(b) : TStrings::CompareStrings(a, b);
}
