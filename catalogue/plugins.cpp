// Plug-in and condition libraries beside the program, and the plug-in steps of a run.
//
// Both kinds of library lie in the program's folder and export GetVersionNumber, a
// cdecl function returning the interface version they were written for. A plug-in
// library also exports QuerySteps and GetStepNumber, through which the program collects
// its steps before a run, and one function per step. The steps are kept in one list,
// each new step at the front, and run from the front at their level, so within a level
// the last collected step runs first. A library is loaded only while its steps are
// collected and again around each single step (which the step runner does).

#include "plugins.h"

#include "../base/handles.h"
#include "../base/libraries.h"
#include "../base/log.h"
#include "../base/platform.h"
#include "../base/textlist.h"
#include "../setupapi/inf.h"

#include <cstdio>
#include <cstring>

namespace {

PluginStep* g_Steps = nullptr;

typedef int(__cdecl* QueryStepsFunction)();
typedef void(__cdecl* GetStepNumberFunction)(PluginStep* step, int index);

// No library needs more steps than this. Past it, step records would only fill the
// address space, and the collection would end at the loss of the memory that the rest
// of the run needs.
const int MaxStepsPerLibrary = 4096;

// An exception frame that resumes at the point its buffer saved (see CallGuarded).
struct GuardFrame {
    EXCEPTION_REGISTRATION_RECORD record;  // first: the system hands its address back
    void* resume[5];                       // __builtin_setjmp's frame, label and stack
};

EXCEPTION_DISPOSITION NTAPI ResumeAfterFault(EXCEPTION_RECORD* exception, void* frame, CONTEXT* context, void*)
{
    if (exception->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
    const GuardFrame* guard = static_cast<const GuardFrame*>(frame);
    context->Ebp = reinterpret_cast<DWORD>(guard->resume[0]);
    context->Eip = reinterpret_cast<DWORD>(guard->resume[1]);
    context->Esp = reinterpret_cast<DWORD>(guard->resume[2]);
    return ExceptionContinueExecution;
}

// The head of the thread's chain of exception frames (the first word of its TEB).
EXCEPTION_REGISTRATION_RECORD* ExceptionChain()
{
    EXCEPTION_REGISTRATION_RECORD* head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void SetExceptionChain(EXCEPTION_REGISTRATION_RECORD* head)
{
    __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory");
}

// Calls `function` with `context`; 0 when it raised an exception (a fault in a
// library's code), which then ends the call instead of the program. The frame is
// registered by hand because this compiler has no structured exception handling on
// 32-bit Windows.
__attribute__((noinline)) int CallGuarded(void (*function)(void*), void* context)
{
    GuardFrame guard;
    guard.record.Next = ExceptionChain();
    guard.record.Handler = ResumeAfterFault;
    if (__builtin_setjmp(guard.resume)) {
        SetExceptionChain(guard.record.Next);
        return 0;
    }
    SetExceptionChain(&guard.record);
    function(context);
    SetExceptionChain(guard.record.Next);
    return 1;
}

struct LibraryQuery {
    QueryStepsFunction querySteps;
    GetStepNumberFunction getStep;
    const char* path;
    PluginStep* steps;    // this library's steps, the last one first
    PluginStep* pending;  // the step being described, not yet in `steps`
};

void QueryLibrarySteps(void* context)
{
    LibraryQuery* query = static_cast<LibraryQuery*>(context);
    const int offered = query->querySteps();
    const int count = offered < MaxStepsPerLibrary ? offered : MaxStepsPerLibrary;
    for (int index = 0; index < count; ++index) {
        PluginStep* step = static_cast<PluginStep*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(PluginStep)));
        // Out of memory: the library's remaining steps are left out.
        if (!step) break;
        query->pending = step;
        query->getStep(step, index);
        // The library may leave its texts unterminated; they are cut at their fields' end.
        step->functionName[sizeof step->functionName - 1] = '\0';
        step->text[sizeof step->text - 1] = '\0';
        lstrcpynA(step->libraryPath, query->path, sizeof step->libraryPath);
        step->next = query->steps;
        query->steps = step;
        query->pending = nullptr;
    }
}

void FreeSteps(PluginStep* steps)
{
    while (steps) {
        PluginStep* next = steps->next;
        HeapFree(GetProcessHeap(), 0, steps);
        steps = next;
    }
}

// Asks one library for its steps and puts them at the front of the list. A library
// that faults while it describes its steps contributes none.
void CollectLibrarySteps(const char* path)
{
    UniqueModule library(LoadScriptLibrary(path));
    if (!library && RunLogIsOpen()) {
        char what[MAX_PATH + 64];
        std::snprintf(what, sizeof what, "Plug-in library %s cannot be loaded", path);
        LogError(what, GetLastError());
    }
    if (!library) return;
    if (!IsPluginVersionSupported(library.get())) {
        LogLine("Plug-in library %s: interface version not supported; no steps", path);
        return;
    }
    LibraryQuery query = {LibraryFunction<QueryStepsFunction>(library.get(), "QuerySteps"),
                          LibraryFunction<GetStepNumberFunction>(library.get(), "GetStepNumber"), path, nullptr,
                          nullptr};
    if (!query.querySteps || !query.getStep) {
        LogLine("Plug-in library %s: QuerySteps or GetStepNumber missing; no steps", path);
        return;
    }
    if (!CallGuarded(QueryLibrarySteps, &query)) {
        LogLine("Plug-in library %s: a fault while it described its steps; no steps", path);
        FreeSteps(query.steps);
        if (query.pending) HeapFree(GetProcessHeap(), 0, query.pending);
        return;
    }
    // The library's steps go to the front as they are: its last step first.
    if (!query.steps) {
        LogLine("Plug-in library %s: no steps", path);
        return;
    }
    int count = 1;
    PluginStep* last = query.steps;
    for (; last->next; ++count) last = last->next;
    LogLine("Plug-in library %s: %d steps", path, count);
    last->next = g_Steps;
    g_Steps = query.steps;
}

} // namespace


int IsPluginVersionSupported(HMODULE library)
{
    typedef int(__cdecl * GetVersionNumberFunction)();
    GetVersionNumberFunction getVersion = LibraryFunction<GetVersionNumberFunction>(library, "GetVersionNumber");
    return getVersion && getVersion() <= PluginInterfaceVersion;
}

int MakeLibraryPath(const char* fileName, char* path)
{
    if (!GetProgramFolder(path)) return 0;
    const size_t folder = std::strlen(path), name = std::strlen(fileName);
    if (folder + name >= MAX_PATH) {
        path[0] = '\0';
        return 0;
    }
    std::memcpy(path + folder, fileName, name + 1);
    return 1;
}

void TraceMessage(int, int, const char*, ...)
{
}

const PluginStep* FirstPluginStep()
{
    return g_Steps;
}

void FreePluginSteps()
{
    FreeSteps(g_Steps);
    g_Steps = nullptr;
}

void CollectPluginSteps(HINF inf, const char* sections)
{
    if (g_Steps) FreePluginSteps();
    for (const char* section = sections; *section; section += std::strlen(section) + 1) {
        TraceMessage(-1, 1, "Collecting plugin information for section %s.\n", section);
        INFCONTEXT line;
        if (!InfFindLine(inf, section, "Plugins", &line)) continue;
        char name[MAX_PATH];
        // The list ends at the first field that is missing or empty.
        for (DWORD field = 1; InfGetField(&line, field, name, sizeof name) && name[0]; ++field) {
            char path[MAX_PATH];
            if (MakeLibraryPath(name, path)) CollectLibrarySteps(path);
        }
    }
}
