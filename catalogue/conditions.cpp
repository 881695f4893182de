// Asking condition libraries whether a section's conditions hold.
//
// Each condition loads its library from the program's folder, checks the interface
// version, calls the named function (cdecl, no arguments) and, when it returns 0, asks
// GetLastFailMessage for the reason; then the library is unloaded again. Results are
// combined with a bitwise AND, so only the lowest bit of a result counts, and the first
// condition that does not hold ends the evaluation: later libraries are not loaded.

#include "conditions.h"

#include "plugins.h"
#include "../base/handles.h"
#include "../base/libraries.h"
#include "../base/log.h"
#include "../base/messagebox.h"
#include "../base/options.h"
#include "../base/platform.h"
#include "../resources/resource.h"
#include "../setupapi/inf.h"

#include <cstdio>
#include <cstring>

namespace {

typedef void(__cdecl* GetLastFailMessageFunction)(char* text);

void CopyText(char* destination, const char* source, size_t size)
{
    const size_t length = std::strlen(source);
    const size_t count = length < size ? length : size - 1;
    std::memcpy(destination, source, count);
    destination[count] = '\0';
}

} // namespace

int CallConditionFunction(const char* library, const char* function, char* failureText)
{
    char path[MAX_PATH];
    if (!MakeLibraryPath(library, path)) {
        LogLine("Condition %s, %s: the library's path is too long; it does not hold", library, function);
        return 0;
    }
    UniqueModule module(LoadScriptLibrary(path));
    if (!module && RunLogIsOpen()) {
        char what[MAX_PATH + 64];
        std::snprintf(what, sizeof what, "Condition library %s cannot be loaded", path);
        LogError(what, GetLastError());
    }
    if (!module) return 0;
    if (!IsPluginVersionSupported(module.get())) {
        LogLine("Condition library %s: interface version not supported; the condition does not hold", path);
        return 0;
    }

    // A library without the named function cannot vouch for anything: the condition
    // does not hold, with no text.
    ConditionFunction condition = LibraryFunction<ConditionFunction>(module.get(), function);
    if (!condition) {
        LogLine("Condition %s, %s: the library has no such function; it does not hold", library, function);
        return 0;
    }
    const int result = condition();

    if (result == 0) {
        GetLastFailMessageFunction getMessage =
            LibraryFunction<GetLastFailMessageFunction>(module.get(), "GetLastFailMessage");
        if (getMessage) {
            // The library is promised 256 bytes; it writes into a larger zeroed area, so a
            // text it does not terminate in time is cut here instead of read past.
            char text[4 * FailureTextSize] = {};
            getMessage(text);
            text[FailureTextSize - 1] = '\0';
            CopyText(failureText, text, FailureTextSize);
        }
    }
    if (result == 0 && failureText[0])
        LogLine("Condition %s, %s: result 0, does not hold: \"%s\"", library, function, failureText);
    else
        LogLine("Condition %s, %s: result %d, %s", library, function, result, (result & 1) ? "holds" : "does not hold");
    return result;
}

int CheckConditionSection(HINF inf, const char* conditionSection, char* message)
{
    INFCONTEXT line;
    if (!InfFindLine(inf, conditionSection, nullptr, &line)) return 0;
    int result = 1;
    do {
        char library[256], function[256];
        InfGetField(&line, 1, library, sizeof library);
        InfGetField(&line, 2, function, sizeof function);
        char failureText[FailureTextSize] = "";
        result &= CallConditionFunction(library, function, failureText);
        if (result == 0) {
            CopyText(message, failureText, ConditionMessageSize);
            break;
        }
    } while (InfNextLine(&line));
    return result;
}

int CheckSectionConditions(HINF inf, const char* section, char* message)
{
    INFCONTEXT line;
    if (!InfFindLine(inf, section, "Conditions", &line)) return 1;
    // Every field names a condition section. One whose name is too long to read names
    // no section that exists, so it does not hold; it must not end the list unnoticed.
    const DWORD fields = InfFieldCount(&line);
    int result = 1;
    for (DWORD field = 1; field <= fields && result; ++field) {
        char conditionSection[256];
        InfGetField(&line, field, conditionSection, sizeof conditionSection);
        result &= CheckConditionSection(inf, conditionSection, message);
    }
    return result;
}

void ShowConditionFailure(HINSTANCE instance, HWND owner, const char* text)
{
    char caption[256];
    if (!LoadStringA(instance, IDS_CANNOT_INSTALL, caption, sizeof caption)) caption[0] = '\0';
    ShowRunMessage(owner, text, caption, MB_OK, IDOK);
    RecordOutcome(OutcomeFailed);  // the run ends: nothing can be installed
}

int CheckStartConditions(HINF inf, HINSTANCE instance, HWND owner)
{
    char message[ConditionMessageSize] = "";
    // Always the section named "Install", whatever section this Windows installs from.
    const int result = CheckSectionConditions(inf, "Install", message);
    LogLine("Start conditions of [Install]: %s", result ? "hold" : "do not hold; the run ends");
    if (!result) ShowConditionFailure(instance, owner, message);
    return result;
}
