#pragma once
// The single-instance guard: a named mutex held for the life of the program.
#include <optional>
#include <string>

#include "platform/handles.h"

namespace orbelle {

// The guard, or nothing when another copy holds it.
std::optional<OwnedKernelHandle> TakeInstanceGuard(const std::wstring& name);

}  // namespace orbelle
