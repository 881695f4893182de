// Owning wrappers for the handles the program acquires: one line per handle kind.
//
// Each wrapper is move-only and closes its handle when it goes out of scope. Handles
// whose "none" is NULL and those whose "none" is INVALID_HANDLE_VALUE are different
// types, so the wrong emptiness test cannot be written. Closing keeps the thread's last
// error, because the workers report the error of a failed step after cleaning up.
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <commctrl.h>

template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() : value_(Traits::None()) {}
    explicit UniqueResource(Type value) : value_(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    Type get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::None(); }

    Type release()
    {
        Type value = value_;
        value_ = Traits::None();
        return value;
    }

    void reset(Type value = Traits::None())
    {
        if (value_ != Traits::None()) {
            DWORD error = GetLastError();
            Traits::Close(value_);
            SetLastError(error);
        }
        value_ = value;
    }

    // For functions that return a handle through a pointer.
    Type* put()
    {
        reset();
        return &value_;
    }

private:
    Type value_;
};

#define SETUP_HANDLE_TRAITS(Name, HandleType, NoneValue, CloseCall)   \
    struct Name {                                                    \
        using Type = HandleType;                                     \
        static Type None() { return NoneValue; }                     \
        static void Close(Type h) { CloseCall; }                     \
    }

SETUP_HANDLE_TRAITS(KeyTraits, HKEY, nullptr, RegCloseKey(h));
SETUP_HANDLE_TRAITS(ModuleTraits, HMODULE, nullptr, FreeLibrary(h));
SETUP_HANDLE_TRAITS(KernelHandleTraits, HANDLE, nullptr, CloseHandle(h));
SETUP_HANDLE_TRAITS(FileTraits, HANDLE, INVALID_HANDLE_VALUE, CloseHandle(h));
SETUP_HANDLE_TRAITS(FindTraits, HANDLE, INVALID_HANDLE_VALUE, FindClose(h));
SETUP_HANDLE_TRAITS(ServiceTraits, SC_HANDLE, nullptr, CloseServiceHandle(h));
SETUP_HANDLE_TRAITS(InfTraits, HINF, INVALID_HANDLE_VALUE, SetupCloseInfFile(h));
SETUP_HANDLE_TRAITS(FileQueueTraits, HSPFILEQ, INVALID_HANDLE_VALUE, SetupCloseFileQueue(h));
SETUP_HANDLE_TRAITS(GdiObjectTraits, HGDIOBJ, nullptr, DeleteObject(h));
SETUP_HANDLE_TRAITS(IconTraits, HICON, nullptr, DestroyIcon(h));
SETUP_HANDLE_TRAITS(ImageListTraits, HIMAGELIST, nullptr, ImageList_Destroy(h));
SETUP_HANDLE_TRAITS(HeapTraits, void*, nullptr, HeapFree(GetProcessHeap(), 0, h));
SETUP_HANDLE_TRAITS(MemoryDcTraits, HDC, nullptr, DeleteDC(h));
SETUP_HANDLE_TRAITS(ResourceUpdateTraits, HANDLE, nullptr, EndUpdateResourceA(h, TRUE));

#undef SETUP_HANDLE_TRAITS

using UniqueKey = UniqueResource<KeyTraits>;              // registry keys
using UniqueModule = UniqueResource<ModuleTraits>;        // LoadLibraryA
using UniqueHandle = UniqueResource<KernelHandleTraits>;  // threads, processes, mutexes, events
using UniqueFile = UniqueResource<FileTraits>;            // CreateFileA
using UniqueFind = UniqueResource<FindTraits>;            // FindFirstFileA
using UniqueService = UniqueResource<ServiceTraits>;      // service manager and services
using UniqueInf = UniqueResource<InfTraits>;              // SetupOpenInfFileA
using UniqueFileQueue = UniqueResource<FileQueueTraits>;  // SetupOpenFileQueue
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;  // fonts and bitmaps
using UniqueIcon = UniqueResource<IconTraits>;
using UniqueImageList = UniqueResource<ImageListTraits>;
using UniqueHeapBlock = UniqueResource<HeapTraits>;       // HeapAlloc on the process heap
using UniqueMemoryDC = UniqueResource<MemoryDcTraits>;    // CreateCompatibleDC
// BeginUpdateResourceA; closing discards the updates, EndUpdateResourceA(release(), FALSE)
// writes them.
using UniqueResourceUpdate = UniqueResource<ResourceUpdateTraits>;

// A window's device context, released with the window it came from.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() { if (dc_) ReleaseDC(window_, dc_); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }
private:
    HWND window_;
    HDC dc_;
};

// COM initialised on this thread for the lifetime of the object.
class ComApartment {
public:
    ComApartment() { CoInitialize(nullptr); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

// A COM interface pointer, released when the object goes. put() is for the functions
// that hand out an interface through a pointer (CoCreateInstance, QueryInterface).
template <typename Interface>
class ComPointer {
public:
    ComPointer() = default;
    ~ComPointer() { reset(); }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    void reset()
    {
        if (pointer_) pointer_->Release();
        pointer_ = nullptr;
    }
    void** put()
    {
        reset();
        return reinterpret_cast<void**>(&pointer_);
    }

private:
    Interface* pointer_ = nullptr;
};
