#pragma once
// The sync password, kept by Windows' Credential Manager for this user of
// this computer, never in our settings or tables.
#include <optional>
#include <string>

namespace orbelle::sync {

// The name the password is kept under: "Orbelle Calendar Sync:" + url.
std::wstring CredentialTarget(const std::string& url);

// False when Windows would not keep it.
bool StorePassword(const std::string& url, const std::string& user, const std::string& password);
// Nullopt when none is kept for `url`; `user` gets the user name kept with it.
std::optional<std::string> ReadPassword(const std::string& url, std::string* user = nullptr);
void ForgetPassword(const std::string& url);

}  // namespace orbelle::sync
