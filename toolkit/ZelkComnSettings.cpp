// The client component's settings text: its published properties, saved and loaded.

#include "platform/rtl/SettingsText.h"
#include "platform/rtl/StringUtils.h"
#include "toolkit/ZelkComn.h"
#include "toolkit/ZelkError.h"

namespace {

// How much of a file must name the component's class.
constexpr int64_t kSignatureSize = 299;

}  // namespace

const TPropertyList& TZelkClient::PublishedProperties() const {
  static const TPropertyList properties(
      TdHandleComponent::PublishedProperties(),
      {StringProperty<TZelkClient>("ServerName", &TZelkClient::ServerName, &TZelkClient::SetServerName),
       BooleanProperty<TZelkClient>("Active", &TZelkClient::Active, &TZelkClient::SetActive),
       StringProperty<TZelkClient>("ClientName", &TZelkClient::ClientName, &TZelkClient::SetClientName),
       IntegerProperty<TZelkClient>("KeepAlive", &TZelkClient::KeepAlive, &TZelkClient::SetKeepAlive),
       StringProperty<TZelkClient>("ComputerName", &TZelkClient::ComputerName, &TZelkClient::SetComputerName),
       // Fixed per class: a loaded value is checked and dropped.
       StringProperty<TZelkClient>("Version", &TZelkClient::Version),
       IntegerProperty<TZelkClient>("LogLevel", &TZelkClient::LogLevel, &TZelkClient::SetLogLevel)});
  return properties;
}

void TZelkClient::SaveToStream(TStream& Stream) const { SaveComponentToStream(*this, Stream); }

void TZelkClient::SaveToFile(const std::string& ToFile) const {
  // Built in memory first, so a failing save does not leave half a file behind.
  TMemoryStream buffer;
  SaveToStream(buffer);
  buffer.SaveToFile(ToFile);
}

void TZelkClient::LoadFromStream(TStream& Stream) {
  fLoadedActive.reset();  // a load that failed half-way never reached Loaded
  LoadComponentFromStream(*this, Stream);
}

void TZelkClient::LoadFromFile(const std::string& FromFile) {
  TFileStream file(FromFile, TFileMode::fmOpenRead);
  std::string signature(static_cast<size_t>(kSignatureSize), '\0');
  signature.resize(static_cast<size_t>(file.Read(signature.data(), kSignatureSize)));
  if (LowerCase(signature).find(LowerCase(ClassName())) == std::string::npos) throw Exception(SWrongFileFormat);
  file.SetPosition(0);
  LoadFromStream(file);
}
