// Condition and plug-in libraries named by the script: each must lie on the medium
// beside setup.exe, be a 32-bit Windows library, export what setup.exe looks up by
// name, and report an interface version that setup.exe accepts.
//
// The first three are read from the file (its headers and export table) without running
// anything. The version can only be had by calling the library's GetVersionNumber, so a
// library that exports it is loaded for real, through setup.exe's own loading function
// (which runs its start-up code in this process), asked, and unloaded again. Its folder
// is searched for the libraries it needs, as it is by setup.exe.

#include "checker.h"
#include "pe.h"

#include "../base/handles.h"
#include "../base/libraries.h"
#include "../base/platform.h"
#include "../catalogue/plugins.h"

#include <cstdio>
#include <cstring>

namespace {

typedef int(__cdecl* GetVersionNumberFunction)();

struct RequiredExport {
    const char* name;     // null: the condition function named by the line
    Severity severity;
    const char* consequence;
};

const RequiredExport ConditionExports[] = {
    {nullptr, SeverityError, "the condition never holds"},
    {"GetVersionNumber", SeverityError, "setup.exe does not use the library, so its conditions never hold"},
    {"GetLastFailMessage", SeverityWarning, "a condition that fails shows an empty message"},
};

const RequiredExport PluginExports[] = {
    {"GetVersionNumber", SeverityError, "setup.exe does not use the library, so it contributes no steps"},
    {"QuerySteps", SeverityError, "setup.exe does not use the library, so it contributes no steps"},
    {"GetStepNumber", SeverityError, "setup.exe does not use the library, so it contributes no steps"},
};

const char* KindName(LibraryKind kind)
{
    return kind == LibraryCondition ? "condition library" : "plug-in library";
}

// The system's text for an error code, on one line, without its final full stop.
void ErrorText(DWORD error, char* text, DWORD size)
{
    text[0] = '\0';
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, size,
                        nullptr))
        return;
    for (char* p = text; *p; ++p) {
        if (*p == '\r' || *p == '\n') *p = ' ';
    }
    size_t length = std::strlen(text);
    while (length && (text[length - 1] == ' ' || text[length - 1] == '.')) text[--length] = '\0';
}

void ReportImageStatus(Checker* checker, PeStatus status, const char* kind, const char* name, const char* section,
                       const INFCONTEXT* line)
{
    switch (status) {
    case PeUnreadable:
        Print(checker, SeverityError, section, line, "%s %s cannot be read", kind, name);
        break;
    case PeNotImage:
        Print(checker, SeverityError, section, line, "%s %s is not a Windows library", kind, name);
        break;
    case PeNot32Bit:
        Print(checker, SeverityError, section, line,
              "%s %s is not a 32-bit library for the i386: setup.exe cannot load it", kind, name);
        break;
    case PeNotLibrary:
        Print(checker, SeverityError, section, line, "%s %s is a program, not a library", kind, name);
        break;
    case PeOk:
        break;
    }
}

// Reports each required export that the export table lacks; true when GetVersionNumber
// is there, so that the version can be asked.
bool CheckExports(Checker* checker, const PeImage* image, LibraryKind kind, const char* name, const char* function,
                  const char* section, const INFCONTEXT* line)
{
    const RequiredExport* required = ConditionExports;
    size_t count = sizeof ConditionExports / sizeof ConditionExports[0];
    if (kind == LibraryPlugin) {
        required = PluginExports;
        count = sizeof PluginExports / sizeof PluginExports[0];
    }
    for (size_t i = 0; i < count; ++i) {
        const char* exportName = required[i].name ? required[i].name : function;
        if (!exportName || !exportName[0]) {
            Print(checker, SeverityError, section, line, "the line names no function of %s %s: %s", KindName(kind),
                  name, required[i].consequence);
            continue;
        }
        if (PeHasExport(image, exportName)) continue;
        char decorated[256];
        char hint[320] = "";
        if (PeFindDecoratedExport(image, exportName, decorated, sizeof decorated))
            std::snprintf(hint, sizeof hint, " (it exports %s; the name must be plain, as a cdecl function exports it)",
                          decorated);
        Print(checker, required[i].severity, section, line, "%s %s does not export %s%s: %s", KindName(kind), name,
              exportName, hint, required[i].consequence);
    }
    return PeHasExport(image, "GetVersionNumber");
}

// Loads the library as setup.exe does, asks its version and unloads it; remembered by
// path.
const LoadRecord* LoadForVersion(Checker* checker, const char* path, LoadRecord* scratch)
{
    for (int i = 0; i < checker->loadCount; ++i) {
        if (lstrcmpiA(checker->loads[i].path, path) == 0) return &checker->loads[i];
    }
    LoadRecord* record = checker->loadCount < MaxLoadRecords ? &checker->loads[checker->loadCount++] : scratch;
    std::memset(record, 0, sizeof *record);
    lstrcpynA(record->path, path, sizeof record->path);

    // A library that needs a missing one must not stop the run with a system message box.
    const UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    UniqueModule library(LoadScriptLibrary(path));
    record->error = library ? 0 : GetLastError();
    SetErrorMode(mode);
    if (!library) return record;
    record->loaded = 1;
    GetVersionNumberFunction getVersion = LibraryFunction<GetVersionNumberFunction>(library.get(), "GetVersionNumber");
    if (getVersion) {
        record->hasVersion = 1;
        record->version = getVersion();
    }
    return record;
}

void CheckVersion(Checker* checker, LibraryKind kind, const char* name, const char* path, const char* section,
                  const INFCONTEXT* line)
{
    LoadRecord scratch;
    const LoadRecord* record = LoadForVersion(checker, path, &scratch);
    if (!record->loaded) {
        char text[256];
        ErrorText(record->error, text, sizeof text);
        Print(checker, SeverityError, section, line, "%s %s cannot be loaded (error %lu: %s)", KindName(kind), name,
              record->error, text);
        return;
    }
    if (record->hasVersion && record->version > PluginInterfaceVersion)
        Print(checker, SeverityError, section, line,
              "%s %s reports interface version %d; setup.exe uses only libraries of version %d or lower",
              KindName(kind), name, record->version, PluginInterfaceVersion);
}

} // namespace

void CheckLibrary(Checker* checker, LibraryKind kind, const char* name, const char* function, const char* section,
                  const INFCONTEXT* line)
{
    if (!name || !name[0]) {
        Print(checker, SeverityError, section, line, "the line names no %s", KindName(kind));
        return;
    }
    char path[MAX_PATH];
    if (!MediumPath(checker, name, path)) {
        Print(checker, SeverityError, section, line, "the path of %s %s on the medium is too long", KindName(kind),
              name);
        return;
    }
    if (!FileExists(path)) {
        Print(checker, SeverityError, section, line, "%s %s is missing from the medium (%s)", KindName(kind), name,
              path);
        return;
    }
    PeImage image;
    const PeStatus status = ReadPeImage(path, &image);
    if (status != PeOk) {
        ReportImageStatus(checker, status, KindName(kind), name, section, line);
    } else if (CheckExports(checker, &image, kind, name, function, section, line)) {
        CheckVersion(checker, kind, name, path, section, line);
    }
    FreePeImage(&image);
}
