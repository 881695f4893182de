#include "messagebox.h"

#include "log.h"
#include "options.h"

int RunAnswersItself()
{
    return g_Options.ExitCodes && g_Options.UnattendedList ? 1 : 0;
}

int ShowRunMessage(HWND owner, const char* text, const char* caption, UINT flags, int unattendedAnswer)
{
    if (RunLogIsOpen()) {
        // The box's line breaks become blanks, so that the text stays one line of the log.
        char line[2048];
        size_t length = 0;
        for (const char* c = text ? text : ""; *c && length + 1 < sizeof line; ++c) {
            const bool lineEnd = *c == '\r' || *c == '\n';
            if (!lineEnd) line[length++] = *c;
            else if (length && line[length - 1] != ' ') line[length++] = ' ';
        }
        line[length] = '\0';
        LogLine("message%s: %s", RunAnswersItself() ? " (not shown)" : "", line);
    }
    if (RunAnswersItself()) return unattendedAnswer;
    return MessageBoxA(owner, text, caption, flags);
}
