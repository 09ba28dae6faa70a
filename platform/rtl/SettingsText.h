#pragma once
// The settings text: a component's published properties as 8-bit text.
//
//   object HDAServer1: TZelkHDAServer
//     ServerName = 'It'#39's'
//     KeepAlive = 0
//     Comment =
//       '...64 characters...' +
//       'the rest'
//     object Sub: TSubClass
//       Active = True
//     end
//   end
//
// Lines end in CR LF, two blanks of indentation per level. Strings are quoted runs of the
// characters blank..'~' except the apostrophe, every other UTF-16 unit is #<decimal code>.
// A string longer than 64 UTF-16 units starts on its own line one level deeper and is cut
// every 64 units (of the string, not of the written form), each cut ending the line with " +".
// A component writes a Tag line first when its tag is not 0, and Left and Top lines last when
// its designer position is not (0, 0).
//
// Reading is lenient where it costs nothing: indentation and blanks around tokens are free,
// lines may end in LF alone, a string may continue anywhere after " +", '' inside quotes is an
// apostrophe, names and True/False/enumeration members ignore case. Every error raises
// EReadError "Error reading <object> on line <n>: <reason>", where <object> is the name (else
// the class name) in the header of the object being read, or "settings text" before one;
// only a text above 8 MiB raises "Settings text too large" instead.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TComponent;
class TStream;

// What a value looked like in the text; the property it is applied to decides if it fits.
enum class TSettingsValueKind { Integer, Identifier, String, Object };

struct TSettingsObject;

struct TSettingsProperty {
  std::string Name;
  int Line = 0;
  TSettingsValueKind Kind = TSettingsValueKind::Integer;
  int64_t Integer = 0;
  std::string Text;  // identifier, or the string in UTF-8
  std::unique_ptr<TSettingsObject> Object;
};

struct TSettingsObject {
  std::string Name;  // empty in an "object <class>" header
  std::string ClassName;
  int Line = 0;
  std::vector<TSettingsProperty> Properties;  // file order, nested objects included
};

// The whole text form of component (written properties only).
std::string SaveComponentText(const TComponent& component);
// Writes it at the stream's position.
void SaveComponentToStream(const TComponent& component, TStream& stream);

// Parses one object. Only blank lines may follow its final "end".
TSettingsObject ParseSettingsText(std::string_view text);

// Applies parsed settings: the header's name becomes the component's name (with "_1", "_2"
// ... appended when a sibling already has it), each property goes through its setter in file
// order while the component (and each nested one) is loading, then Loaded runs for the nested
// components (innermost first) and the component itself. The header's class name is checked
// for nested objects only. When a property fails, what was applied before it stays, the
// loading state ends without Loaded, and the error propagates; errors a setter raises
// propagate unchanged.
void ApplySettings(const TSettingsObject& settings, TComponent& component);

// ParseSettingsText + ApplySettings.
void LoadComponentText(TComponent& component, std::string_view text);
// Reads one object from the stream's position (at most 8 MiB) and leaves the stream after the
// line with its final "end".
void LoadComponentFromStream(TComponent& component, TStream& stream);
