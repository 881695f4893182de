/* Compiles setupsdk.h as strict C89 (and, through header_check.cpp, as strict C++98),
 * where the header's static assertions fall back to array typedefs and, in C++, every
 * export must get C linkage, and uses each of its types and macros once, so that a
 * header change that only an old compiler rejects (a // comment, a declaration after a
 * statement, a C11 keyword) fails the build instead of a library author's. */

#include "setupsdk.h"

static int Moved;

static int __cdecl Callback(int position)
{
    int previous = Moved;
    Moved = position;
    return previous;
}

SETUPSDK_EXPORT int __cdecl GetVersionNumber(void)
{
    return SETUPSDK_INTERFACE_VERSION;
}

SETUPSDK_CONDITION(CheckHeader)
{
    char buffer[SETUPSDK_FAIL_MESSAGE_SIZE];
    buffer[0] = '\0';
    GetLastFailMessage(buffer);
    return buffer[0] == '\0';
}

SETUPSDK_EXPORT void __cdecl GetLastFailMessage(char* buffer)
{
    buffer[0] = '\0';
}

SETUPSDK_EXPORT int __cdecl QuerySteps(void)
{
    return 1;
}

SETUPSDK_EXPORT void __cdecl GetStepNumber(PluginStep* step, int index)
{
    step->level = index == 0 ? SETUPSDK_LEVEL_AFTER_REGISTRY : -1;
    step->functionName[0] = '\0';
    step->text[0] = '\0';
    step->progressRange = 0;
}

SETUPSDK_STEP(StepHeader)
{
    PluginStepFunction self = StepHeader;
    ConditionFunction condition = CheckHeader;
    PluginProgressFunction callback = Callback;
    (void)self;
    (void)condition;
    (void)callback;
    progress(SETUPSDK_LEVEL_START + SETUPSDK_LEVEL_BEFORE_COPY + SETUPSDK_LEVEL_AFTER_COPY
             + SETUPSDK_LEVEL_AFTER_SERVICES + SETUPSDK_LEVEL_AFTER_SHORTCUTS);
}
