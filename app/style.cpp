// The default wizard look: Wizard97 where the common controls are 4.71 or later, the
// classic wizard elsewhere and always on the Windows 95 family.

#include "setup.h"
#include "startup.h"
#include "../base/handles.h"
#include "../base/libraries.h"
#include "../base/platform.h"

#include <shlwapi.h>

int GetCommonControlsVersion(DWORD* major, DWORD* minor)
{
    UniqueModule comctl(LoadSystemLibrary("comctl32.dll"));
    if (!comctl) return 0;
    *major = 4;
    *minor = 0;
    DLLGETVERSIONPROC getVersion = LibraryFunction<DLLGETVERSIONPROC>(comctl.get(), "DllGetVersion");
    if (getVersion) {
        DLLVERSIONINFO info = {};
        info.cbSize = 20;
        if (getVersion(&info) == S_OK) {
            *major = info.dwMajorVersion;
            *minor = info.dwMinorVersion;
        }
    }
    return 1;
}

int ProbeWizardStyle()
{
    DWORD major = 0, minor = 0;
    const int probed = GetCommonControlsVersion(&major, &minor);
    return ChooseWizardStyle(probed, major, minor, GetVersion());
}
