#pragma once
// Move-only owners of GDI and kernel handles: each remembers how to release
// what it holds, and a copy can never release it twice.
#include <windows.h>

#include <utility>

#include "platform/shell_libraries.h"

namespace orbelle {

template <typename Handle, auto Free, Handle Empty = Handle{}>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Empty)) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, Empty));
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Empty; }
    Handle Release() { return std::exchange(handle_, Empty); }
    void Reset(Handle handle = Empty) {
        if (handle_ != Empty) Free(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Empty;
};

inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }

using OwnedFont = Owned<HFONT, DeleteGdiObject>;
using OwnedBitmap = Owned<HBITMAP, DeleteGdiObject>;
using OwnedBrush = Owned<HBRUSH, DeleteGdiObject>;
using OwnedRegion = Owned<HRGN, DeleteGdiObject>;
using OwnedIcon = Owned<HICON, DestroyIcon>;
using OwnedMenu = Owned<HMENU, DestroyMenu>;
using OwnedAccelerators = Owned<HACCEL, DestroyAcceleratorTable>;
using OwnedDc = Owned<HDC, DeleteDC>;
using OwnedKernelHandle = Owned<HANDLE, CloseHandle>;
using OwnedImageList = Owned<HIMAGELIST, DestroyImageList>;

// A GDI object selected into a device context for as long as this lives; the
// object it replaced goes back at the end.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (previous_) SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace orbelle
