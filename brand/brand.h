// Branding a copy of setup.exe: the checks of a brand file against the program it brands,
// and the writing of the branded copy. brand.exe does both; infcheck --brand only checks.
//
// A brand file is an INI file with a [Brand] section: Title (with Title.eng, Title.ger,
// Title.fre for one language), Welcome (and its language forms), Licence (an RTF file or
// "none"), Picture, Header, Images (BMP files) and Icon (an .ico file); paths are relative
// to the brand file's folder. Planning reads and checks everything and builds every
// resource image in memory; only a plan without errors is written.
#pragma once

#include "../base/handles.h"

#include <windows.h>

enum BrandSeverity { BrandWarning, BrandError, BrandInfo };

// Where findings go: one line of English text each; errors and warnings are counted.
struct BrandReport {
    int errors;
    int warnings;
    void (*print)(void* context, BrandSeverity severity, const char* text);
    void* context;
};

// One resource of the branded copy: new contents, or deleted when `data` is empty.
struct ResourceUpdate {
    WORD type;
    WORD name;
    WORD language;
    UniqueHeapBlock data;
    DWORD size;
    const char* key;    // the brand file's key that asked for it, for messages
};

// Strings and dialogs in three languages, licence, three bitmaps, an icon group, and the
// icons that the group's new pictures and the old ones it drops take.
const int MaxResourceUpdates = 64 + 3 * (1 + 8) + 4 + 1 + 2 * 64 + 8;

struct BrandPlan {
    int count;
    ResourceUpdate updates[MaxResourceUpdates];
};

// Reads `brandFile` and checks it, and every file it names, against `sourceExe`; fills
// `plan`. 1 when there was no error (warnings allowed), else 0 with every error reported.
int PlanBranding(const char* sourceExe, const char* brandFile, BrandPlan* plan, BrandReport* report);

// 0 (reported) when `targetExe` names the same file as `sourceExe`.
int CheckBrandTarget(const char* sourceExe, const char* targetExe, BrandReport* report);

// Writes a copy of `sourceExe` with the plan's resources to a temporary file beside
// `targetExe` and renames it to `targetExe` at the end; on any failure the temporary file
// is deleted and `targetExe` is left as it was. 1 on success, else 0 (reported).
int WriteBrandedProgram(const char* sourceExe, const BrandPlan& plan, const char* targetExe, BrandReport* report);
