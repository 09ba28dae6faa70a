#include "app/cli/CliText.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/StringUtils.h"
#include "toolkit/OleVariant.h"
#include "toolkit/ZelkError.h"

std::string CliSafeText(const std::string& text) {
  std::string safe;
  safe.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n')
      safe += "\\n";
    else if (c == '\r')
      safe += "\\r";
    else if (c == '\t')
      safe += "\\t";
    else if (byte < 0x20 || byte == 0x7F)
      safe += Format("\\x%02X", byte);
    else
      safe += c;
  }
  return safe;
}

std::string CliValueText(const VARIANT& value) {
  switch (value.vt) {
    case VT_EMPTY: return "(empty)";
    case VT_NULL: return "(null)";
    case VT_R8: return Format("%.15g", value.dblVal);
    case VT_R4: return Format("%.7g", static_cast<double>(value.fltVal));
    case VT_I1: return IntToStr(value.cVal);
    case VT_UI1: return IntToStr(value.bVal);
    case VT_I2: return IntToStr(value.iVal);
    case VT_UI2: return IntToStr(value.uiVal);
    case VT_I4: return IntToStr(value.lVal);
    case VT_UI4: return IntToStr(value.ulVal);
    case VT_INT: return IntToStr(value.intVal);
    case VT_UINT: return IntToStr(value.uintVal);
    case VT_I8: return IntToStr(value.llVal);
    case VT_UI8: return Format("%llu", static_cast<unsigned long long>(value.ullVal));
    case VT_BOOL: return value.boolVal ? "True" : "False";
    case VT_DATE: return DateTimeToStr(value.date);
    case VT_BSTR: return CliSafeText(value.bstrVal ? Utf16ToUtf8(value.bstrVal) : std::string());
    default: break;
  }
  OleVariant text;
  if (FAILED(VariantChangeType(text.Ptr(), &value, 0, VT_BSTR)) || text.VarType() != VT_BSTR)
    return Format("(type 0x%04X)", value.vt);
  return CliValueText(text.Value());
}

std::string CliResultName(HRESULT code) {
  switch (code) {
    case S_OK: return "S_OK";
    case S_FALSE: return "S_FALSE";
    case E_FAIL: return "E_FAIL";
    case E_INVALIDARG: return "E_INVALIDARG";
    case E_NOTIMPL: return "E_NOTIMPL";
    case E_OUTOFMEMORY: return "E_OUTOFMEMORY";
    case E_POINTER: return "E_POINTER";
    case E_NOINTERFACE: return "E_NOINTERFACE";
    case E_UNEXPECTED: return "E_UNEXPECTED";
    default: break;
  }
  const std::string name = OPCErrorName(code);
  return name != "E_UNKNOWN" ? name : Format("0x%08X", static_cast<unsigned>(code));
}

std::string CliResultText(HRESULT code) {
  // Some messages break their line with CR LF.
  std::string message;
  for (const char c : OPCErrorMessage(code))
    if (c != '\r') message += c == '\n' ? ' ' : c;
  std::string text = CliResultName(code);
  if (!message.empty()) text += " (" + message + ")";
  return text;
}
