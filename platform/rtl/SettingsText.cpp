#include "platform/rtl/SettingsText.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <utility>

#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringUtils.h"

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr size_t kStringCut = 64;  // UTF-16 units of a string per line
constexpr int kMaxDepth = 32;      // nesting levels of objects, written or read
constexpr size_t kMaxTextSize = 8u << 20;
constexpr size_t kMaxLineLength = 64u << 10;

std::string Indent(int level) { return std::string(static_cast<size_t>(level) * 2, ' '); }

// ---------------------------------------------------------------------------------------------
// Writing

void AppendStringPieces(std::string& out, std::u16string_view units) {
  if (units.empty()) {
    out += "''";
    return;
  }
  bool quoted = false;
  for (char16_t unit : units) {
    const bool plain = unit >= 32 && unit <= 126 && unit != u'\'';
    if (plain != quoted) {
      out += '\'';
      quoted = plain;
    }
    if (plain)
      out += static_cast<char>(unit);
    else
      out += '#' + std::to_string(static_cast<unsigned>(unit));
  }
  if (quoted)
    out += '\'';
}

void WriteStringValue(std::string& out, const std::string& value, int level) {
  const std::u16string units = Utf8ToUtf16(value);
  if (units.size() <= kStringCut) {
    AppendStringPieces(out, units);
    out += kLineEnd;
    return;
  }
  out += kLineEnd;
  for (size_t start = 0; start < units.size(); start += kStringCut) {
    out += Indent(level + 1);
    AppendStringPieces(out, std::u16string_view(units).substr(start, kStringCut));
    if (start + kStringCut < units.size())
      out += " +";
    out += kLineEnd;
  }
}

std::string OrdinalText(const TPropertyInfo& property, int64_t value) {
  switch (property.Kind) {
    case TPropertyKind::pkBoolean:
      return value ? "True" : "False";
    case TPropertyKind::pkEnumeration:
      if (value < 0 || static_cast<uint64_t>(value) >= property.EnumNames.size())
        throw EStreamError(Format("Property %s has no member for the value %lld", property.Name.c_str(),
                                  static_cast<long long>(value)));
      return property.EnumNames[static_cast<size_t>(value)];
    default:
      return std::to_string(value);
  }
}

void WriteIntegerLine(std::string& out, const char* name, int64_t value, int level) {
  out += Indent(level) + name + " = " + std::to_string(value) + kLineEnd;
}

void WriteObject(std::string& out, const TComponent& component, const std::string& name, int level) {
  if (level >= kMaxDepth)
    throw EStreamError(Format("Objects nested more than %d levels deep in %s", kMaxDepth, name.c_str()));
  out += Indent(level) + "object ";
  out += name.empty() ? component.ClassName() : name + ": " + component.ClassName();
  out += kLineEnd;
  const int inner = level + 1;
  if (component.Tag() != 0)
    WriteIntegerLine(out, "Tag", component.Tag(), inner);
  for (const TPropertyInfo& property : component.PublishedProperties()) {
    if (!property.HasGetter() || !property.IsStored(component))
      continue;
    if (property.Kind == TPropertyKind::pkObject) {
      if (const TComponent* child = property.GetObject(component))
        WriteObject(out, *child, property.Name, inner);
      continue;
    }
    out += Indent(inner) + property.Name + " = ";
    if (property.Kind == TPropertyKind::pkString)
      WriteStringValue(out, property.GetString(component), inner);
    else
      out += OrdinalText(property, property.GetOrdinal(component)) + kLineEnd;
  }
  if (component.DesignInfo() != TDesignInfo{}) {
    WriteIntegerLine(out, "Left", component.DesignInfo().Left, inner);
    WriteIntegerLine(out, "Top", component.DesignInfo().Top, inner);
  }
  out += Indent(level) + "end" + kLineEnd;
}

// ---------------------------------------------------------------------------------------------
// Parsing

[[noreturn]] void Fail(const std::string& object, int line, const std::string& reason) {
  throw EReadError(Format("Error reading %s on line %d: %s", object.c_str(), line, reason.c_str()));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

// One line without its end and surrounding blanks.
struct TTextLine {
  int Number = 0;
  std::string_view Text;
};

class TCursor {
public:
  explicit TCursor(std::string_view text) : FText(text) {}
  bool AtEnd() const { return FPos >= FText.size(); }
  char Peek() const { return AtEnd() ? '\0' : FText[FPos]; }
  char Next() { return FText[FPos++]; }
  void SkipBlanks() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t'))
      ++FPos;
  }
  // Dots are allowed inside property names only.
  std::string_view Identifier(bool allowDots) {
    const size_t start = FPos;
    if (!IsIdentStart(Peek()))
      return {};
    while (!AtEnd() && (IsIdentStart(Peek()) || IsDigit(Peek()) || (allowDots && Peek() == '.')))
      ++FPos;
    return FText.substr(start, FPos - start);
  }
  std::string_view Rest() const { return FText.substr(FPos); }
  void SkipAll() { FPos = FText.size(); }

private:
  std::string_view FText;
  size_t FPos = 0;
};

class TSettingsParser {
public:
  explicit TSettingsParser(std::string_view text) : FText(text) {
    if (FText.starts_with("\xEF\xBB\xBF"))
      FPos = 3;
  }

  TSettingsObject ParseRoot(size_t* consumed) {
    const std::optional<TTextLine> header = NextLine();
    if (!header)
      Fail(FObject, FLineNumber + 1, "Text is empty");
    TSettingsObject root = ParseObject(*header, 0);
    if (consumed)
      *consumed = FPos;
    else if (const std::optional<TTextLine> extra = NextLine())
      Fail(FObject, extra->Number, "Text after the final end");
    return root;
  }

private:
  std::optional<TTextLine> NextLine() {
    while (FPos < FText.size()) {
      const size_t newline = FText.find('\n', FPos);
      const size_t stop = newline == std::string_view::npos ? FText.size() : newline;
      std::string_view text = FText.substr(FPos, stop - FPos);
      FPos = newline == std::string_view::npos ? FText.size() : newline + 1;
      ++FLineNumber;
      if (text.size() > kMaxLineLength)
        Fail(FObject, FLineNumber, "Line too long");
      if (text.ends_with('\r'))
        text.remove_suffix(1);
      for (char c : text)
        if (static_cast<unsigned char>(c) < 32 && c != '\t')
          Fail(FObject, FLineNumber, Format("Invalid character #%d", c));
      const size_t first = text.find_first_not_of(" \t");
      if (first == std::string_view::npos)
        continue;
      const size_t last = text.find_last_not_of(" \t");
      return TTextLine{FLineNumber, text.substr(first, last - first + 1)};
    }
    return std::nullopt;
  }

  TSettingsObject ParseHeader(const TTextLine& line) {
    TCursor cursor(line.Text);
    if (!SameText(cursor.Identifier(false), "object"))
      Fail(FObject, line.Number, "Expected \"object\"");
    cursor.SkipBlanks();
    TSettingsObject object;
    object.Line = line.Number;
    object.ClassName = cursor.Identifier(false);
    cursor.SkipBlanks();
    if (cursor.Peek() == ':') {
      cursor.Next();
      cursor.SkipBlanks();
      object.Name = std::move(object.ClassName);
      object.ClassName = cursor.Identifier(false);
    }
    if (object.ClassName.empty() || !cursor.AtEnd())
      Fail(FObject, line.Number, "Invalid object header");
    return object;
  }

  TSettingsObject ParseObject(const TTextLine& header, int depth) {
    TSettingsObject object = ParseHeader(header);
    const std::string outer = std::exchange(FObject, object.Name.empty() ? object.ClassName : object.Name);
    for (;;) {
      const std::optional<TTextLine> line = NextLine();
      if (!line)
        Fail(FObject, header.Number, "Missing end");
      TCursor cursor(line->Text);
      const std::string_view word = cursor.Identifier(true);
      cursor.SkipBlanks();
      if (cursor.AtEnd() && SameText(word, "end"))
        break;
      if (!word.empty() && cursor.Peek() == '=') {
        cursor.Next();
        object.Properties.push_back(ParseProperty(std::string(word), *line, cursor));
      } else if (SameText(word, "object")) {
        if (depth + 1 >= kMaxDepth)
          Fail(FObject, line->Number, "Objects nested too deeply");
        TSettingsProperty nested;
        nested.Line = line->Number;
        nested.Kind = TSettingsValueKind::Object;
        nested.Object = std::make_unique<TSettingsObject>(ParseObject(*line, depth + 1));
        if (nested.Object->Name.empty())
          Fail(FObject, line->Number, "A nested object needs a name");
        nested.Name = nested.Object->Name;
        object.Properties.push_back(std::move(nested));
      } else {
        Fail(FObject, line->Number, word.empty() ? "Property name expected" : "Expected \"=\"");
      }
    }
    FObject = outer;
    return object;
  }

  TSettingsProperty ParseProperty(std::string name, const TTextLine& line, TCursor& cursor) {
    TSettingsProperty property;
    property.Name = std::move(name);
    property.Line = line.Number;
    cursor.SkipBlanks();
    if (cursor.AtEnd()) {
      // A long string starts on the next line.
      const std::optional<TTextLine> next = NextLine();
      if (!next)
        Fail(FObject, line.Number, "Property value expected");
      TCursor continued(next->Text);
      if (!StartsString(continued))
        Fail(FObject, next->Number, "String expected");
      property.Kind = TSettingsValueKind::String;
      property.Text = ParseString(continued, next->Number);
    } else if (StartsString(cursor)) {
      property.Kind = TSettingsValueKind::String;
      property.Text = ParseString(cursor, line.Number);
    } else if (IsDigit(cursor.Peek()) || cursor.Peek() == '-' || cursor.Peek() == '+') {
      property.Kind = TSettingsValueKind::Integer;
      property.Integer = ParseInteger(cursor, line.Number);
    } else if (IsIdentStart(cursor.Peek())) {
      property.Kind = TSettingsValueKind::Identifier;
      property.Text = cursor.Identifier(false);
    }
    if (property.Kind != TSettingsValueKind::String && !cursor.AtEnd())
      Fail(FObject, line.Number, "Invalid property value");
    return property;
  }

  int64_t ParseInteger(TCursor& cursor, int lineNumber) {
    std::string_view digits = cursor.Rest();
    // One sign at most: "+-5" is not a number.
    if (digits.starts_with('+') && !digits.starts_with("+-"))
      digits.remove_prefix(1);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range)
      Fail(FObject, lineNumber, "Integer value out of range");
    if (error != std::errc() || end != digits.data() + digits.size())
      Fail(FObject, lineNumber, "Invalid property value");
    cursor.SkipAll();
    return value;
  }

  static bool StartsString(const TCursor& cursor) { return cursor.Peek() == '\'' || cursor.Peek() == '#'; }

  // Pieces, possibly joined by "+" across lines; leaves cursor at the end of the last line.
  std::string ParseString(TCursor& first, int lineNumber) {
    std::u16string units;
    TCursor cursor = first;
    for (;;) {
      while (StartsString(cursor)) {
        if (cursor.Next() == '\'')
          units += ParseQuoted(cursor, lineNumber);
        else
          units += ParseCharacterCode(cursor, lineNumber);
      }
      cursor.SkipBlanks();
      if (cursor.AtEnd())
        break;
      if (cursor.Next() != '+')
        Fail(FObject, lineNumber, "Invalid string value");
      cursor.SkipBlanks();
      if (cursor.AtEnd()) {
        const std::optional<TTextLine> next = NextLine();
        if (!next)
          Fail(FObject, lineNumber, "String continues past the end of the text");
        cursor = TCursor(next->Text);
        lineNumber = next->Number;
      }
      if (!StartsString(cursor))
        Fail(FObject, lineNumber, "String expected after \"+\"");
    }
    first = cursor;
    return Utf16ToUtf8(units);
  }

  std::u16string ParseQuoted(TCursor& cursor, int lineNumber) {
    std::string raw;
    for (;;) {
      if (cursor.AtEnd())
        Fail(FObject, lineNumber, "Unterminated string");
      const char c = cursor.Next();
      if (c == '\'') {
        if (cursor.Peek() != '\'')
          break;
        cursor.Next();
      }
      raw += c;
    }
    return Utf8ToUtf16(raw);
  }

  char16_t ParseCharacterCode(TCursor& cursor, int lineNumber) {
    if (!IsDigit(cursor.Peek()))
      Fail(FObject, lineNumber, "Invalid character code");
    uint32_t code = 0;
    while (IsDigit(cursor.Peek())) {
      code = code * 10 + static_cast<uint32_t>(cursor.Next() - '0');
      if (code > 0xFFFF)
        Fail(FObject, lineNumber, "Character code out of range");
    }
    return static_cast<char16_t>(code);
  }

  std::string_view FText;
  size_t FPos = 0;
  int FLineNumber = 0;
  std::string FObject = "settings text";  // what error messages name
};

TSettingsObject Parse(std::string_view text, size_t* consumed) {
  if (text.size() > kMaxTextSize)
    throw EReadError("Settings text too large");
  return TSettingsParser(text).ParseRoot(consumed);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Applying

class TSettingsReader {
public:
  void Apply(const TSettingsObject& settings, TComponent& component) {
    try {
      ApplyObject(settings, component, true);
    } catch (...) {
      for (TComponent* entered : FEntered)
        entered->EndLoading();
      throw;
    }
    for (size_t i = 0; i < FLoadOrder.size(); ++i) {
      try {
        FLoadOrder[i]->Loaded();
      } catch (...) {
        for (size_t rest = i; rest < FLoadOrder.size(); ++rest)
          FLoadOrder[rest]->EndLoading();
        throw;
      }
      FLoadOrder[i]->EndLoading();  // also when an override skipped the base Loaded
    }
  }

private:
  void ApplyObject(const TSettingsObject& settings, TComponent& component, bool root) {
    // A nested property may hand back an object already being read; it loads only once.
    if (std::find(FEntered.begin(), FEntered.end(), &component) != FEntered.end())
      return;
    component.BeginLoading();
    FEntered.push_back(&component);
    if (root)
      component.SetName(UniqueName(component, settings.Name));
    const std::string object = settings.Name.empty() ? settings.ClassName : settings.Name;
    const TPropertyList& published = component.PublishedProperties();
    for (const TSettingsProperty& property : settings.Properties) {
      if (const TPropertyInfo* info = published.Find(property.Name))
        ApplyProperty(*info, property, component, object);
      else if (!ApplyComponentProperty(property, component, object))
        Fail(object, property.Line, Format("Property %s does not exist", property.Name.c_str()));
    }
    FLoadOrder.push_back(&component);
  }

  static std::string UniqueName(const TComponent& component, const std::string& name) {
    const TComponent* owner = component.Owner();
    if (name.empty() || !owner)
      return name;
    std::string candidate = name;
    for (int suffix = 1;; ++suffix) {
      const TComponent* existing = owner->FindComponent(candidate);
      if (!existing || existing == &component)
        return candidate;
      candidate = name + "_" + std::to_string(suffix);
    }
  }

  void ApplyProperty(const TPropertyInfo& info, const TSettingsProperty& property, TComponent& component,
                     const std::string& object) {
    if (info.Kind == TPropertyKind::pkObject) {
      if (property.Kind != TSettingsValueKind::Object)
        Expected(property, object, "an object");
      TComponent* child = info.GetObject ? info.GetObject(component) : nullptr;
      if (!child)
        Fail(object, property.Line, Format("Property %s has no object to read into", property.Name.c_str()));
      if (!SameText(child->ClassName(), property.Object->ClassName))
        Fail(object, property.Line,
             Format("Property %s holds a %s, not a %s", property.Name.c_str(), child->ClassName().c_str(),
                    property.Object->ClassName.c_str()));
      ApplyObject(*property.Object, *child, false);
      return;
    }
    if (info.Kind == TPropertyKind::pkString) {
      if (property.Kind != TSettingsValueKind::String)
        Expected(property, object, "a string");
      if (info.SetString)
        info.SetString(component, property.Text);
      return;
    }
    const int64_t value = OrdinalValue(info, property, object);
    if (info.SetOrdinal)
      info.SetOrdinal(component, value);
  }

  static int64_t OrdinalValue(const TPropertyInfo& info, const TSettingsProperty& property,
                              const std::string& object) {
    switch (info.Kind) {
      case TPropertyKind::pkBoolean:
        if (property.Kind == TSettingsValueKind::Identifier && SameText(property.Text, "True"))
          return 1;
        if (property.Kind == TSettingsValueKind::Identifier && SameText(property.Text, "False"))
          return 0;
        Expected(property, object, "True or False");
      case TPropertyKind::pkEnumeration:
        if (property.Kind == TSettingsValueKind::Identifier)
          for (size_t i = 0; i < info.EnumNames.size(); ++i)
            if (SameText(info.EnumNames[i], property.Text))
              return static_cast<int64_t>(i);
        Expected(property, object, "one of " + JoinNames(info.EnumNames));
      case TPropertyKind::pkInteger:
        return Int32Value(property, object);
      default:
        if (property.Kind != TSettingsValueKind::Integer)
          Expected(property, object, "an integer");
        return property.Integer;
    }
  }

  // Tag, Left and Top belong to every component without being published.
  static bool ApplyComponentProperty(const TSettingsProperty& property, TComponent& component,
                                     const std::string& object) {
    if (SameText(property.Name, "Tag")) {
      if (property.Kind != TSettingsValueKind::Integer)
        Expected(property, object, "an integer");
      component.SetTag(property.Integer);
    } else if (SameText(property.Name, "Left")) {
      component.SetDesignInfo({Int32Value(property, object), component.DesignInfo().Top});
    } else if (SameText(property.Name, "Top")) {
      component.SetDesignInfo({component.DesignInfo().Left, Int32Value(property, object)});
    } else {
      return false;
    }
    return true;
  }

  static int32_t Int32Value(const TSettingsProperty& property, const std::string& object) {
    if (property.Kind != TSettingsValueKind::Integer || property.Integer < INT32_MIN || property.Integer > INT32_MAX)
      Expected(property, object, "an integer from -2147483648 to 2147483647");
    return static_cast<int32_t>(property.Integer);
  }

  [[noreturn]] static void Expected(const TSettingsProperty& property, const std::string& object,
                                    const std::string& what) {
    Fail(object, property.Line, Format("Property %s expects %s", property.Name.c_str(), what.c_str()));
  }

  static std::string JoinNames(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names)
      joined += (joined.empty() ? "" : ", ") + name;
    return joined;
  }

  std::vector<TComponent*> FEntered;
  std::vector<TComponent*> FLoadOrder;  // innermost first, so an owner's Loaded sees finished parts
};

std::string SaveComponentText(const TComponent& component) {
  std::string text;
  WriteObject(text, component, component.Name(), 0);
  return text;
}

void SaveComponentToStream(const TComponent& component, TStream& stream) {
  const std::string text = SaveComponentText(component);
  stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

TSettingsObject ParseSettingsText(std::string_view text) { return Parse(text, nullptr); }

void ApplySettings(const TSettingsObject& settings, TComponent& component) {
  TSettingsReader().Apply(settings, component);
}

void LoadComponentText(TComponent& component, std::string_view text) {
  ApplySettings(ParseSettingsText(text), component);
}

void LoadComponentFromStream(TComponent& component, TStream& stream) {
  const int64_t start = stream.Position();
  // Parse refuses a text past the limit; reading stops just beyond it.
  const std::string text = ReadStreamText(stream, kMaxTextSize);
  size_t consumed = 0;
  const TSettingsObject settings = Parse(text, &consumed);
  stream.SetPosition(start + static_cast<int64_t>(consumed));
  ApplySettings(settings, component);
}
