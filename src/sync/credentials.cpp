#include "sync/credentials.h"

#include <windows.h>
#include <wincred.h>

#include "platform/wide.h"

namespace orbelle::sync {

std::wstring CredentialTarget(const std::string& url) {
    return L"Orbelle Calendar Sync:" + Widen(url);
}

bool StorePassword(const std::string& url, const std::string& user, const std::string& password) {
    std::wstring target = CredentialTarget(url);
    std::wstring name = Widen(user);
    CREDENTIALW credential{};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = target.data();
    credential.UserName = name.data();
    // The UTF-8 bytes as they are: what we send is UTF-8 too.
    credential.CredentialBlob = reinterpret_cast<BYTE*>(const_cast<char*>(password.data()));
    credential.CredentialBlobSize = DWORD(password.size());
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    return CredWriteW(&credential, 0) != FALSE;
}

std::optional<std::string> ReadPassword(const std::string& url, std::string* user) {
    PCREDENTIALW credential = nullptr;
    if (!CredReadW(CredentialTarget(url).c_str(), CRED_TYPE_GENERIC, 0, &credential)) return std::nullopt;
    std::string password(reinterpret_cast<const char*>(credential->CredentialBlob), credential->CredentialBlobSize);
    if (user) *user = credential->UserName ? Narrow(credential->UserName) : std::string();
    SecureZeroMemory(credential->CredentialBlob, credential->CredentialBlobSize);
    CredFree(credential);
    return password;
}

void ForgetPassword(const std::string& url) {
    CredDeleteW(CredentialTarget(url).c_str(), CRED_TYPE_GENERIC, 0);
}

}  // namespace orbelle::sync
