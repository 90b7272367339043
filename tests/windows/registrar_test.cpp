// The registrar on the real registry: scripts written to and removed from a key of the
// current user, with keys of "another program" placed where the marks decide their fate.
#include <windows.h>

#include <string>

#include "module/registrar.h"
#include "tests/windows/check.h"

namespace {

using vx::RegistryMode;

const wchar_t kBase[] = L"Software\\vxImage registrar test";

std::wstring Path(const wchar_t* below) { return std::wstring(kBase) + L"\\" + below; }

bool KeyExists(const wchar_t* below) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Path(below).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The text of a value, or "<none>".
std::wstring Text(const wchar_t* below, const wchar_t* name) {
  wchar_t text[512];
  DWORD bytes = sizeof(text);
  if (RegGetValueW(HKEY_CURRENT_USER, Path(below).c_str(), name, RRF_RT_REG_SZ, nullptr, text, &bytes) !=
      ERROR_SUCCESS) {
    return L"<none>";
  }
  return text;
}

void CreateKey(const wchar_t* below, DWORD options = REG_OPTION_NON_VOLATILE) {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, Path(below).c_str(), 0, nullptr, options, KEY_WRITE, nullptr, &key, nullptr);
  if (key) RegCloseKey(key);
}

HRESULT Apply(const wchar_t* script, RegistryMode mode) {
  std::vector<vx::RegistryKey> roots;
  const HRESULT hr = vx::ParseRegistryScript(script, &roots);
  if (FAILED(hr)) return hr;
  return vx::ApplyRegistryScript(roots, mode);
}

const wchar_t kScript[] = LR"(HKCU
{
  NoRemove Software
  {
    NoRemove 'vxImage registrar test'
    {
      Plain = s 'plain text'
      {
        val Named = s 'it''s named'
        Child = s 'child'
      }
      NoRemove Kept
      {
        Ours = s 'ours'
      }
      ForceRemove Owned = s 'owned'
      {
        Inner = s 'inner'
      }
      Delete Doomed
    }
  }
})";

void RegisterWritesEveryKeyAndValue() {
  CreateKey(L"Owned\\Stale");   // replaced: registration deletes it first
  CreateKey(L"Doomed\\Below");  // deleted, nothing written in its place
  VX_CHECK(Apply(kScript, RegistryMode::kRegister) == S_OK);
  VX_CHECK(Text(L"Plain", nullptr) == L"plain text");
  VX_CHECK(Text(L"Plain", L"Named") == L"it's named");
  VX_CHECK(Text(L"Plain\\Child", nullptr) == L"child");
  VX_CHECK(Text(L"Kept\\Ours", nullptr) == L"ours");
  VX_CHECK(Text(L"Owned", nullptr) == L"owned");
  VX_CHECK(Text(L"Owned\\Inner", nullptr) == L"inner");
  VX_CHECK(!KeyExists(L"Owned\\Stale"));
  VX_CHECK(!KeyExists(L"Doomed"));
  // Registering again over what is there is no failure.
  VX_CHECK(Apply(kScript, RegistryMode::kRegister) == S_OK);
}

void UnregisterRemovesOnlyWhatTheScriptWrote() {
  CreateKey(L"Plain\\Foreign");  // another program's key below a plain key keeps that key
  CreateKey(L"Kept\\Foreign");
  CreateKey(L"Owned\\Foreign");  // below a replaced key everything is the script's
  VX_CHECK(Apply(kScript, RegistryMode::kUnregister) == S_OK);
  VX_CHECK(KeyExists(L"Plain\\Foreign"));
  VX_CHECK(Text(L"Plain", nullptr) == L"<none>");
  VX_CHECK(Text(L"Plain", L"Named") == L"<none>");
  VX_CHECK(!KeyExists(L"Plain\\Child"));
  VX_CHECK(KeyExists(L"Kept\\Foreign"));
  VX_CHECK(!KeyExists(L"Kept\\Ours"));
  VX_CHECK(!KeyExists(L"Owned"));
  // Unregistering what is gone is no failure either.
  VX_CHECK(Apply(kScript, RegistryMode::kUnregister) == S_OK);
  RegDeleteTreeW(HKEY_CURRENT_USER, Path(L"Plain").c_str());
  VX_CHECK(Apply(kScript, RegistryMode::kUnregister) == S_OK);
  VX_CHECK(KeyExists(L"Kept"));
}

void FailedRegistrationIsReportedAndTakenBack() {
  // A volatile key takes no lasting subkeys: the system refuses the second key.
  CreateKey(L"Volatile", REG_OPTION_VOLATILE);
  const wchar_t script[] = LR"(HKCU
{
  NoRemove Software
  {
    NoRemove 'vxImage registrar test'
    {
      First = s 'written first'
      Volatile
      {
        Lasting = s 'refused'
      }
    }
  }
})";
  const HRESULT hr = Apply(script, RegistryMode::kRegister);
  VX_CHECK(hr == HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE));
  VX_CHECK(HRESULT_FACILITY(hr) == FACILITY_WIN32);
  // DllRegisterServer takes back a failed registration by unregistering it.
  VX_CHECK(Apply(script, RegistryMode::kUnregister) == S_OK);
  VX_CHECK(!KeyExists(L"First"));
}

}  // namespace

int main() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
  CreateKey(L"");
  RegisterWritesEveryKeyAndValue();
  UnregisterRemovesOnlyWhatTheScriptWrote();
  FailedRegistrationIsReportedAndTakenBack();
  RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
  std::printf("registrar: %d failed\n", vx::test::failures);
  return vx::test::failures;
}
