#include "app/instance_guard.h"

namespace orbelle {

std::optional<OwnedKernelHandle> TakeInstanceGuard(const std::wstring& name) {
    OwnedKernelHandle guard(CreateMutexW(nullptr, TRUE, name.c_str()));
    // The handle of an existing mutex is closed with the owner going out of scope.
    if (GetLastError() == ERROR_ALREADY_EXISTS) return std::nullopt;
    return guard;
}

}  // namespace orbelle
