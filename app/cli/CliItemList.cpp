#include "app/cli/CliItemList.h"

#include "app/cli/CliErrors.h"
#include "app/cli/CliText.h"
#include "platform/com/ComPtr.h"
#include "platform/rtl/StringUtils.h"

namespace {

// Frees the error array CreateBrowse may hand back even for no filters.
struct TBrowseErrors {
  ~TBrowseErrors() { CoTaskMemFree(Errors); }
  HRESULT* Errors = nullptr;
};

}  // namespace

void WriteItemIds(IOPCHDA_Server* Server, const std::string& Branch, std::ostream& Out) {
  ComPtr<IOPCHDA_Browser> browser;
  TBrowseErrors errors;
  HRESULT hr = Server->CreateBrowse(0, nullptr, nullptr, nullptr, browser.GetAddressOf(), &errors.Errors);
  if (FAILED(hr) || !browser) throw ECliServerError("the server offers no browser: " + CliResultText(hr));
  if (!Branch.empty()) {
    hr = browser->ChangeBrowsePosition(OPCHDA_BROWSE_DIRECT, Utf8ToUtf16(Branch).c_str());
    if (FAILED(hr)) throw ECliServerError("no branch '" + CliSafeText(Branch) + "': " + CliResultText(hr));
  }
  ComPtr<IEnumString> ids;
  hr = browser->GetEnum(OPCHDA_FLAT, ids.GetAddressOf());
  if (FAILED(hr)) throw ECliServerError("the server cannot list its items: " + CliResultText(hr));
  uint64_t count = 0;
  // S_FALSE with no enumerator: nothing there.
  while (ids) {
    LPOLESTR id = nullptr;
    ULONG fetched = 0;
    if (ids->Next(1, &id, &fetched) != S_OK || fetched != 1) break;
    if (id) {
      Out << CliSafeText(Utf16ToUtf8(id)) << '\n';
      CoTaskMemFree(id);
      ++count;
    }
  }
  Out << count << (count == 1 ? " item\n" : " items\n");
}
