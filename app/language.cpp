// The interface language: the user's language if the program has dialogs in it, else
// one of the same primary language, else English. The result becomes the thread locale
// and, from Windows Vista on, the thread's user-interface language, and the resource
// loader then picks the dialogs and strings of that language.

#include "setup.h"
#include "../base/handles.h"
#include "../base/platform.h"

#include <cstdlib>

namespace {

// Reads a language identifier stored as hexadecimal text (such as "00000409") in a
// REG_SZ value of at most 16 bytes; 0 when the value is missing, too long or not text.
unsigned short ReadHexLanguage(HKEY root, const char* path, const char* value)
{
    UniqueKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return 0;
    char text[17] = {};
    DWORD type = 0, size = 16;
    if (RegQueryValueExA(key.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS
        || type != REG_SZ)
        return 0;
    text[16] = '\0';
    return static_cast<unsigned short>(std::strtoul(text, nullptr, 16) & 0xFFFF);
}

BOOL CALLBACK AddDialogLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR parameter)
{
    struct Collector { unsigned short* languages; int capacity; int count; };
    Collector* collector = reinterpret_cast<Collector*>(parameter);
    if (collector->count < collector->capacity) collector->languages[collector->count++] = language;
    return TRUE;
}

} // namespace

unsigned short DetectUserLanguage()
{
    unsigned short language = 0x0409;
    unsigned short found = 0;
    if (NtMajorVersion() > 4) {
        typedef LANGID(WINAPI * GetLanguage)();
        GetLanguage get = OptionalImport<GetLanguage>(OptGetUserDefaultUILanguage);
        if (get) found = get();
    } else if (!IsWindows95Family()) {
        found = ReadHexLanguage(HKEY_USERS, ".DEFAULT\\Control Panel\\International", "Locale");
    } else {
        found = ReadHexLanguage(HKEY_CURRENT_USER, "Control Panel\\Desktop\\ResourceLocale", nullptr);
    }
    if (found) language = found;
    return language;
}

int EnumDialogLanguages(HINSTANCE instance, int templateId, unsigned short* languages, int capacity)
{
    struct Collector { unsigned short* languages; int capacity; int count; } collector = {languages, capacity, 0};
    EnumResourceLanguagesA(instance, reinterpret_cast<LPCSTR>(RT_DIALOG), MAKEINTRESOURCEA(templateId),
                           AddDialogLanguage, reinterpret_cast<LONG_PTR>(&collector));
    return collector.count;
}

unsigned short ChooseInterfaceLanguage(HINSTANCE instance, int templateId)
{
    const unsigned short user = DetectUserLanguage();
    unsigned short languages[256];
    const int count = EnumDialogLanguages(instance, templateId, languages, 256);
    for (int i = 0; i < count; ++i) {
        if (languages[i] == user) return languages[i];
    }
    for (int i = 0; i < count; ++i) {
        if ((languages[i] & 0x3FF) == (user & 0x3FF)) return languages[i];
    }
    return 0x0409;
}

