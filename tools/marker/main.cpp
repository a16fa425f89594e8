// Sets up and reads the registry marker for end-to-end tests, as an installer or
// an administrator would: the utility itself never creates the key.
//   marker read                   -> {"key":bool,"value":n|null}
//   marker clear                  removes the key, whatever its permissions
//   marker create [VALUE] [locked] the key, "Data" if VALUE is given; locked: readable only
#include <windows.h>

#include <aclapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
const char* const kKey = "SOFTWARE\\HALDREN\\ZK-4100 Update";

bool SetEveryone(HKEY key, DWORD rights) {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return false;
  EXPLICIT_ACCESSA access = {};
  access.grfAccessPermissions = rights;
  access.grfAccessMode = SET_ACCESS;
  access.grfInheritance = NO_INHERITANCE;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  access.Trustee.ptstrName = static_cast<char*>(everyone);
  PACL acl = nullptr;
  bool ok = ::SetEntriesInAclA(1, &access, nullptr, &acl) == ERROR_SUCCESS;
  // Protected: nothing inherited from the parent adds rights back.
  ok = ok && ::SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                               nullptr, nullptr, acl, nullptr) == ERROR_SUCCESS;
  ::LocalFree(acl);
  ::FreeSid(everyone);
  return ok;
}

int Read() {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    std::printf("{\"key\":false,\"value\":null}\n");
    return 0;
  }
  DWORD value = 0, size = sizeof value;
  const bool present =
      ::RegQueryValueExA(key, "Data", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS;
  ::RegCloseKey(key);
  std::printf(present ? "{\"key\":true,\"value\":%lu}\n" : "{\"key\":true,\"value\":null}\n",
              static_cast<unsigned long>(value));
  return 0;
}

bool Failed(const char* what, LONG status) {
  std::fprintf(stderr, "marker: %s failed with status %ld\n", what, status);
  return false;
}

bool Clear() {
  HKEY key = nullptr;
  // The owner may always rewrite the permissions, and then delete.
  LONG status = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, WRITE_DAC, &key);
  if (status == ERROR_FILE_NOT_FOUND) return true;
  if (status != ERROR_SUCCESS) return Failed("opening the key to clear it", status);
  SetEveryone(key, KEY_ALL_ACCESS);
  ::RegCloseKey(key);
  status = ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
  return status == ERROR_SUCCESS || Failed("deleting the key", status);
}

bool Create(const std::string& value, bool locked) {
  HKEY key = nullptr;
  LONG status = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return Failed("creating the key", status);
  bool ok = true;
  if (!value.empty()) {
    const DWORD data = std::strtoul(value.c_str(), nullptr, 10);
    status = ::RegSetValueExA(key, "Data", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    ok = status == ERROR_SUCCESS || Failed("setting Data", status);
  }
  if (ok && locked) ok = SetEveryone(key, KEY_READ) || Failed("locking the key", 0);
  ::RegCloseKey(key);
  return ok;
}
}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "read") return Read();
  if (command == "clear") return Clear() ? 0 : 1;
  if (command == "create") {
    std::string value;
    bool locked = false;
    for (int i = 2; i < argc; ++i) {
      if (std::string(argv[i]) == "locked") {
        locked = true;
      } else {
        value = argv[i];
      }
    }
    return Clear() && Create(value, locked) ? 0 : 1;
  }
  std::fprintf(stderr, "usage: marker read | clear | create [VALUE] [locked]\n");
  return 2;
}
