#include "startup.h"

#include "../base/numbers.h"
#include "../base/textlist.h"

#include <cstring>

RunOptions g_Options = {nullptr, ActionInstall, {0}, 0, Classic, RebootPrompt, 0, 0, nullptr, 0, OutcomeSucceeded, 0};

void InitRunOptions(RunOptions* options)
{
    std::memset(options, 0, sizeof *options);
    options->RebootMode = RebootPrompt;
}

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares the first `length` characters ignoring the case of A to Z.
bool StartsWithNoCase(const char* token, const char* prefix)
{
    for (; *prefix; ++token, ++prefix) {
        if (LowerAscii(*token) != LowerAscii(*prefix)) return false;
    }
    return true;
}

bool EqualsNoCase(const char* token, const char* text)
{
    return StartsWithNoCase(token, text) && token[std::strlen(text)] == '\0';
}

// A key from "/install:" or "/remove:" becomes a one-entry list. A key too long for
// SelectedProductsSize cannot name any product (keys have at most 127 characters); it
// is dropped like an unknown option and the list keeps what it held.
void SelectProductFromToken(RunOptions* options, const char* key)
{
    if (std::strlen(key) + 2 > SelectedProductsSize) return;
    TextListBuilder list = {};
    TextListAppend(&list, key);  // an empty key gives an empty list
    TextListKeep(&options->SelectedProducts, &list);
}

void ApplyToken(char* token, RunOptions* options)
{
    struct Language { const char* option; unsigned short id; };
    static const Language languages[] = {
        {"/lang:eng", 0x0409}, {"/lang:ger", 0x0407}, {"/lang:fre", 0x040C},
        {"/lang:ita", 0x0410}, {"/lang:spa", 0x000A}, {"/lang:dut", 0x0413},
    };

    if (EqualsNoCase(token, "/quiet")) options->UnattendedList = token + 6;
    if (StartsWithNoCase(token, "/quiet:")) options->UnattendedList = token + 7;
    if (EqualsNoCase(token, "/silent")) options->UnattendedList = token + 7;
    if (StartsWithNoCase(token, "/silent:")) options->UnattendedList = token + 8;
    if (StartsWithNoCase(token, "/reboot:")) options->RebootMode = static_cast<int>(ParseDecimal(token + 8));
    if (StartsWithNoCase(token, "/style:")) {
        // Only the three styles the wizard can build; anything else keeps the default.
        long style = ParseDecimal(token + 7);
        if (style >= Classic && style <= Wizard97Resources) options->WizardStyle = static_cast<int>(style);
    }
    if (StartsWithNoCase(token, "/install")) options->Action = ActionInstall;
    if (StartsWithNoCase(token, "/install:")) SelectProductFromToken(options, token + 9);
    if (StartsWithNoCase(token, "/remove")) options->Action = ActionRemove;
    if (StartsWithNoCase(token, "/remove:")) SelectProductFromToken(options, token + 8);
    if (StartsWithNoCase(token, "/log:") && token[5]) options->LogPath = token + 5;
    if (EqualsNoCase(token, "/exitcodes")) options->ExitCodes = 1;
    for (const Language& language : languages) {
        if (StartsWithNoCase(token, language.option)) options->Language = language.id;
    }
}

// Splits the next token off the text at `*cursor` in place and moves the cursor behind
// it; null when only blanks are left. Blanks separate tokens outside double quotes;
// the quotes themselves are removed, so `"/remove:Audit Blank"` and
// `/remove:"Audit Blank"` are one token. As Windows programs read their command lines:
// 2n backslashes before a quote give n backslashes and the quote opens or closes,
// 2n+1 give n backslashes and a literal quote, and two quotes within quotes give one;
// other backslashes stay as they are. A tab separates nothing.
char* NextToken(char** cursor)
{
    char* p = *cursor;
    while (*p == ' ') ++p;
    if (!*p) {
        *cursor = p;
        return nullptr;
    }
    char* token = p;
    char* out = p;  // never ahead of p: the token only shrinks
    bool quoted = false;
    while (*p && (quoted || *p != ' ')) {
        if (*p == '\\') {
            size_t count = 0;
            while (p[count] == '\\') ++count;
            if (p[count] != '"') {
                while (count--) *out++ = *p++;
                continue;
            }
            for (size_t i = 0; i < count / 2; ++i) *out++ = '\\';
            p += count;
            if (count % 2) *out++ = *p++;  // an escaped quote
            continue;
        }
        if (*p == '"') {
            if (quoted && p[1] == '"') {
                *out++ = '"';
                p += 2;
                continue;
            }
            quoted = !quoted;
            ++p;
            continue;
        }
        *out++ = *p++;
    }
    if (*p) ++p;  // the blank behind the token
    *out = '\0';
    *cursor = p;
    return token;
}

} // namespace

void ParseCommandLine(char* text, RunOptions* options)
{
    if (!text) return;
    char* cursor = text;
    while (char* token = NextToken(&cursor)) ApplyToken(token, options);
}

void MakeInstanceMutexName(const char* modulePath, char* name, size_t size)
{
    if (!size) return;
    size_t i = 0;
    for (; modulePath[i] && i + 1 < size; ++i) {
        char c = modulePath[i];
        name[i] = c == '\\' ? '_' : LowerAscii(c);
    }
    name[i] = '\0';
}

int ChooseWizardStyle(int probed, unsigned long major, unsigned long minor,
                      unsigned long windowsVersion)
{
    const bool windows95Family = (windowsVersion & 0x80000000ul) != 0;
    if (windows95Family && (windowsVersion & 0xFFul) > 3) return Classic;
    if (probed && (major > 4 || (major == 4 && minor >= 71))) return Wizard97Composed;
    return Classic;
}


int RunExitCode(const RunOptions* options, const char** meaning)
{
    int code = 0;
    const char* text = "success";
    if (!options->ExitCodes) {
        text = "the outcome is told only with /exitcodes";
    } else if (options->Outcome == OutcomeCancelled) {
        code = 1602, text = "cancelled by the user";
    } else if (options->Outcome == OutcomeFailed) {
        code = 1603, text = "failed";
    } else if (options->Outcome == OutcomeUnknownEntry) {
        code = 1605, text = "the product to remove is unknown or not installed";
    } else if (options->Outcome == OutcomeAnotherCopy) {
        code = 1618, text = "another copy of this setup program is running";
    } else if (options->RestartStarted) {
        code = 1641, text = "success, the restart has been started";
    } else if (options->RebootNeeded) {
        code = 3010, text = "success, a restart is needed";
    }
    if (meaning) *meaning = text;
    return code;
}
