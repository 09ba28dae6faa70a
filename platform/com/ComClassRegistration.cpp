#include "platform/com/ComClassRegistration.h"

#include "platform/com/ClassesRoot.h"
#include "platform/rtl/StringUtils.h"

namespace {

bool WriteProgIdKey(const std::string& progId, const std::u16string& description, const std::u16string& classId) {
  const std::u16string key = Utf8ToUtf16(progId);
  return WriteClassesRootString(key, u"", description) == ERROR_SUCCESS &&
         WriteClassesRootString(key + u"\\CLSID", u"", classId) == ERROR_SUCCESS;
}

}  // namespace

HRESULT RegisterClassKeys(const TComClassInfo& info) {
  const std::u16string classId = GuidToRegistryText(info.ClassId);
  const std::u16string classKey = u"CLSID\\" + classId;
  const std::u16string description = Utf8ToUtf16(info.Description);
  bool written = WriteClassesRootString(classKey, u"", description) == ERROR_SUCCESS;
  if (!info.ProgId.empty())
    written = written && WriteClassesRootString(classKey + u"\\ProgID", u"", Utf8ToUtf16(info.ProgId)) == ERROR_SUCCESS &&
              WriteProgIdKey(info.ProgId, description, classId);
  if (!info.VersionIndependentProgId.empty()) {
    const std::u16string independent = Utf8ToUtf16(info.VersionIndependentProgId);
    written = written &&
              WriteClassesRootString(classKey + u"\\VersionIndependentProgID", u"", independent) == ERROR_SUCCESS &&
              WriteProgIdKey(info.VersionIndependentProgId, description, classId);
    if (!info.ProgId.empty())
      written = written && WriteClassesRootString(independent + u"\\CurVer", u"", Utf8ToUtf16(info.ProgId)) == ERROR_SUCCESS;
  }
  if (!info.InprocServer.empty())
    written = written &&
              WriteClassesRootString(classKey + u"\\InprocServer32", u"", Utf8ToUtf16(info.InprocServer)) == ERROR_SUCCESS;
  for (const CATID& category : info.ImplementedCategories)
    written = written &&
              CreateClassesRootKey(classKey + u"\\Implemented Categories\\" + GuidToRegistryText(category)) == ERROR_SUCCESS;
  return written ? S_OK : REGDB_E_WRITEREGDB;
}

HRESULT RegisterComClass(const TComClassInfo& info, IUnknown* classObject, DWORD* cookie) {
  if (!cookie) return E_INVALIDARG;
  *cookie = 0;
  if (!classObject) return E_INVALIDARG;
  const HRESULT hr = RegisterClassKeys(info);
  if (FAILED(hr)) return hr;
  return CoRegisterClassObject(info.ClassId, classObject, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                               REGCLS_MULTIPLEUSE, cookie);
}
