// The system libraries that Windows does not always take from the system folder, imported
// when first called rather than at start.
//
// At start the loader looks for a program's imports in the program's folder first, unless
// the library is one that Windows always takes from the system folder (kernel32, user32,
// gdi32, advapi32, msvcrt); and a setup program's folder is often a download folder. So
// the program imports the other system libraries itself: each function it calls from
// them has its import slot defined here, pointing first to a loader that takes the
// system folder's copy of the library, puts the function's address into the slot and
// calls it. The compiler calls these functions through their import slots, so calls
// need no change; a function that is used but not listed here is imported at start again,
// which the tests with libraries planted beside setup.exe catch.

#include "../base/libraries.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <setupapi.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

enum Library { LibraryCommonControls, LibraryCom, LibrarySetupApi, LibraryShell, LibraryCount };

const char* const LibraryNames[LibraryCount] = {"comctl32.dll", "ole32.dll", "setupapi.dll", "shell32.dll"};

HMODULE g_Libraries[LibraryCount];

// The address of `name` in the system folder's copy of `library`. Two threads may get
// here at once for one library; each load only counts the library once more, and both
// store the same handle. A library or function that is missing ends the program with
// the status the loader gives when it cannot start a program for the same reason.
FARPROC Resolve(Library library, const char* name)
{
    if (!g_Libraries[library]) g_Libraries[library] = LoadSystemLibrary(LibraryNames[library]);
    if (!g_Libraries[library]) ExitProcess(static_cast<UINT>(STATUS_DLL_NOT_FOUND));
    FARPROC address = GetProcAddress(g_Libraries[library], name);
    if (!address) ExitProcess(static_cast<UINT>(STATUS_ENTRYPOINT_NOT_FOUND));
    return address;
}

template <typename Function>
struct Delayed;

// The first value of a function's import slot: with the same signature and calling
// convention as the function, it fills the slot and calls what it now holds.
template <typename Result, typename... Arguments>
struct Delayed<Result(WINAPI*)(Arguments...)> {
    typedef Result(WINAPI* Function)(Arguments...);

    template <Library library, const char* name, Function* slot>
    static Result WINAPI Load(Arguments... arguments)
    {
        *slot = reinterpret_cast<Function>(reinterpret_cast<void*>(Resolve(library, name)));
        return (*slot)(arguments...);
    }
};

} // namespace

// The import slot "__imp__NAME@BYTES" of a function, BYTES being the size of its
// arguments on the stack, as the compiler names it for a call to an imported function.
#define DELAYED_IMPORT(library, name, bytes)                                                       \
    namespace {                                                                                    \
    constexpr char Name_##name[] = #name;                                                          \
    }                                                                                              \
    extern "C" decltype(&::name) Slot_##name __asm__("__imp__" #name "@" #bytes);                  \
    decltype(&::name) Slot_##name = &Delayed<decltype(&::name)>::Load<library, Name_##name, &Slot_##name>;

DELAYED_IMPORT(LibraryCommonControls, ImageList_Destroy, 4)
DELAYED_IMPORT(LibraryCommonControls, ImageList_Draw, 24)
DELAYED_IMPORT(LibraryCommonControls, ImageList_DrawEx, 40)
DELAYED_IMPORT(LibraryCommonControls, ImageList_GetIcon, 12)
DELAYED_IMPORT(LibraryCommonControls, ImageList_GetIconSize, 12)
DELAYED_IMPORT(LibraryCommonControls, ImageList_LoadImageA, 28)
DELAYED_IMPORT(LibraryCommonControls, InitCommonControls, 0)
DELAYED_IMPORT(LibraryCommonControls, LBItemFromPt, 16)
DELAYED_IMPORT(LibraryCommonControls, PropertySheetA, 4)

DELAYED_IMPORT(LibraryCom, CoCreateInstance, 20)
DELAYED_IMPORT(LibraryCom, CoInitialize, 4)
DELAYED_IMPORT(LibraryCom, CoUninitialize, 0)

DELAYED_IMPORT(LibrarySetupApi, SetupCloseFileQueue, 4)
DELAYED_IMPORT(LibrarySetupApi, SetupCloseInfFile, 4)
DELAYED_IMPORT(LibrarySetupApi, SetupCommitFileQueueA, 16)
DELAYED_IMPORT(LibrarySetupApi, SetupDefaultQueueCallbackA, 16)
DELAYED_IMPORT(LibrarySetupApi, SetupFindFirstLineA, 16)
DELAYED_IMPORT(LibrarySetupApi, SetupFindNextLine, 8)
DELAYED_IMPORT(LibrarySetupApi, SetupFindNextMatchLineA, 12)
DELAYED_IMPORT(LibrarySetupApi, SetupGetFieldCount, 4)
DELAYED_IMPORT(LibrarySetupApi, SetupGetLineCountA, 8)
DELAYED_IMPORT(LibrarySetupApi, SetupGetIntField, 12)
DELAYED_IMPORT(LibrarySetupApi, SetupGetMultiSzFieldA, 20)
DELAYED_IMPORT(LibrarySetupApi, SetupGetStringFieldA, 20)
DELAYED_IMPORT(LibrarySetupApi, SetupGetStringFieldW, 20)
DELAYED_IMPORT(LibrarySetupApi, SetupGetTargetPathA, 24)
DELAYED_IMPORT(LibrarySetupApi, SetupInitDefaultQueueCallbackEx, 20)
DELAYED_IMPORT(LibrarySetupApi, SetupInstallFilesFromInfSectionA, 24)
DELAYED_IMPORT(LibrarySetupApi, SetupInstallFromInfSectionA, 44)
DELAYED_IMPORT(LibrarySetupApi, SetupOpenFileQueue, 0)
DELAYED_IMPORT(LibrarySetupApi, SetupOpenInfFileA, 16)
DELAYED_IMPORT(LibrarySetupApi, SetupPromptReboot, 12)
DELAYED_IMPORT(LibrarySetupApi, SetupSetDirectoryIdA, 12)
DELAYED_IMPORT(LibrarySetupApi, SetupTermDefaultQueueCallback, 4)

DELAYED_IMPORT(LibraryShell, SHBrowseForFolderA, 4)
DELAYED_IMPORT(LibraryShell, SHGetMalloc, 4)
DELAYED_IMPORT(LibraryShell, SHGetPathFromIDListA, 8)
DELAYED_IMPORT(LibraryShell, ShellExecuteA, 24)
DELAYED_IMPORT(LibraryShell, ShellExecuteExA, 4)
