// The settings text reader on arbitrary bytes, read from a stream into a component with a
// property of every kind and two levels of nested objects. Whatever it accepts must survive
// the writer: saved and read back, it saves to the same text.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/Component.h"
#include "platform/rtl/SettingsText.h"
#include "platform/rtl/Streams.h"

namespace {

enum class TFuzzMode { fmOff, fmOn, fmAuto };

class TFuzzSettings : public TComponent {
public:
  TFuzzSettings(TComponent* owner, int levels) : TComponent(owner) {
    if (levels > 0) FPart = new TFuzzSettings(this, levels - 1);
  }
  std::string ClassName() const override { return "TFuzzSettings"; }

  const TPropertyList& PublishedProperties() const override {
    static const TPropertyList properties(
        TComponent::PublishedProperties(),
        {StringProperty<TFuzzSettings>("Caption", &TFuzzSettings::Caption, &TFuzzSettings::SetCaption),
         IntegerProperty<TFuzzSettings>("Count", &TFuzzSettings::Count, &TFuzzSettings::SetCount),
         Int64Property<TFuzzSettings>("Total", &TFuzzSettings::Total, &TFuzzSettings::SetTotal),
         BooleanProperty<TFuzzSettings>("Enabled", &TFuzzSettings::Enabled, &TFuzzSettings::SetEnabled),
         EnumProperty<TFuzzSettings, TFuzzMode>("Mode", {"fmOff", "fmOn", "fmAuto"}, &TFuzzSettings::Mode,
                                                &TFuzzSettings::SetMode),
         ObjectProperty<TFuzzSettings>("Part", &TFuzzSettings::Part)});
    return properties;
  }

  std::string Caption() const { return FCaption; }
  void SetCaption(const std::string& value) { FCaption = value; }
  int32_t Count() const { return FCount; }
  void SetCount(int32_t value) { FCount = value; }
  int64_t Total() const { return FTotal; }
  void SetTotal(int64_t value) { FTotal = value; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value) { FEnabled = value; }
  TFuzzMode Mode() const { return FMode; }
  void SetMode(TFuzzMode value) { FMode = value; }
  TComponent* Part() const { return FPart; }

private:
  std::string FCaption;
  int32_t FCount = 0;
  int64_t FTotal = 0;
  bool FEnabled = false;
  TFuzzMode FMode = TFuzzMode::fmOff;
  TFuzzSettings* FPart = nullptr;  // owned
};

constexpr int kNestedLevels = 2;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream stream;
  stream.WriteBuffer(data, static_cast<int64_t>(size));
  stream.SetPosition(0);
  TFuzzSettings loaded(nullptr, kNestedLevels);
  try {
    LoadComponentFromStream(loaded, stream);
  } catch (const EReadError&) {
    return 0;  // refused with the reader's own error: what malformed text must get
  }
  if (stream.Position() > stream.Size()) __builtin_trap();

  const std::string saved = SaveComponentText(loaded);
  TFuzzSettings reread(nullptr, kNestedLevels);
  LoadComponentText(reread, saved);
  if (SaveComponentText(reread) != saved) __builtin_trap();
  return 0;
}
