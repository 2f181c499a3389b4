// The file association of a Windows build: five default values under HKEY_CLASSES_ROOT,
// written in this order; a key that cannot be opened or created is skipped.
#ifdef _WIN32

#include <windows.h>

#include <string>

#include "app/file_association.h"

namespace quorvel {
namespace {

void WriteDefaultValue(const std::wstring& key, const std::wstring& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
}

}  // namespace

void WriteRegistryAssociation(const QString& executable) {
  const std::wstring path = executable.toStdWString();
  WriteDefaultValue(L".qrv", L"QrvFile");
  WriteDefaultValue(L"QrvFile", L"Quorvel File");
  WriteDefaultValue(L"qrvfile\\DefaultIcon", path + L",0");
  WriteDefaultValue(L"qrvfile\\shell\\open", L"Open With Quorvel");
  WriteDefaultValue(L"qrvfile\\shell\\open\\command", L"\"" + path + L"\" \"%1\"");
}

}  // namespace quorvel

#endif  // _WIN32
