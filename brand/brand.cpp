// Planning and writing a branded copy of setup.exe.
//
// Order of planning: the brand file's keys (unknown ones are warned about), the titles and
// welcome texts of each language with the string tables and page templates they change,
// the licence, the three pictures checked against the program's own, the icon. Every file
// is read whole into memory; every resource image is built before anything is written.

#include "brand.h"
#include "brandimage.h"
#include "../app/dlgtemplate.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

struct Language {
    WORD id;
    const char* suffix;   // as in Title.ger
};

const Language Languages[] = {{0x0409, "eng"}, {0x0407, "ger"}, {0x040C, "fre"}};

const WORD TitleString = 1300, WelcomeString = 1301;
const WORD FirstPage = 1107, LastPage = 1114;
const WORD LicenceId = 6, IconId = 1;
const int TitleLimit = 255, WelcomeLimit = 1023;   // the program's buffers of 256 and 1,024
const DWORD FileLimit = 64u << 20;

const char* const KnownKeys[] = {"Title", "Title.eng", "Title.ger", "Title.fre", "Welcome", "Welcome.eng",
                                 "Welcome.ger", "Welcome.fre", "Licence", "Picture", "Header", "Images", "Icon"};

void Say(BrandReport* report, BrandSeverity severity, const char* format, ...)
{
    char text[1600];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (severity == BrandError) ++report->errors;
    if (severity == BrandWarning) ++report->warnings;
    report->print(report->context, severity, text);
}

// What planning shares: the brand file, its folder, the program read as data.
struct Planner {
    char brandFile[MAX_PATH];
    char folder[MAX_PATH];     // with its final backslash
    char source[MAX_PATH];
    HMODULE program;
    char keys[32768];          // the [Brand] section's lines
    const char* failed[16];    // keys of KnownKeys whose text was found wrong
    int failedCount;
    BrandPlan* plan;
    BrandReport* report;
};

// The value of `key` when the section has it (case does not matter), else 0.
int GetKey(Planner* planner, const char* key, char* value, DWORD size)
{
    for (const char* line = planner->keys; *line; line += std::strlen(line) + 1) {
        const char* equals = std::strchr(line, '=');
        if (!equals) continue;
        size_t length = static_cast<size_t>(equals - line);
        while (length && (line[length - 1] == ' ' || line[length - 1] == '\t')) --length;
        if (length == std::strlen(key) && _strnicmp(line, key, length) == 0) {
            GetPrivateProfileStringA("Brand", key, "", value, size, planner->brandFile);
            return 1;
        }
    }
    return 0;
}

void WarnUnknownKeys(Planner* planner)
{
    for (const char* line = planner->keys; *line; line += std::strlen(line) + 1) {
        char key[256] = "";
        const char* equals = std::strchr(line, '=');
        size_t length = equals ? static_cast<size_t>(equals - line) : std::strlen(line);
        while (length && (line[length - 1] == ' ' || line[length - 1] == '\t')) --length;
        if (length >= sizeof key) length = sizeof key - 1;
        std::memcpy(key, line, length);
        key[length] = '\0';
        if (key[0] == ';') continue;
        int known = 0;
        for (const char* name : KnownKeys) known |= lstrcmpiA(name, key) == 0;
        if (!known) Say(planner->report, BrandWarning, "%s: %s: unknown key; it is ignored", planner->brandFile, key);
    }
}

// The program's resource, or null.
const BYTE* ProgramResource(Planner* planner, WORD type, WORD name, WORD language, DWORD* size)
{
    HRSRC found = FindResourceExA(planner->program, MAKEINTRESOURCEA(type), MAKEINTRESOURCEA(name), language);
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(planner->program, found);
    *size = SizeofResource(planner->program, found);
    return loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
}

struct LanguageList {
    int count;
    WORD ids[16];
};

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list)
{
    LanguageList* languages = reinterpret_cast<LanguageList*>(list);
    if (languages->count < 16) languages->ids[languages->count++] = language;
    return TRUE;
}

// The languages in which the program has the resource.
LanguageList ProgramLanguages(Planner* planner, WORD type, WORD name)
{
    LanguageList languages = {};
    EnumResourceLanguagesA(planner->program, MAKEINTRESOURCEA(type), MAKEINTRESOURCEA(name), AddLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

// A new update with room for `size` bytes (none for a deletion); null when the plan is full.
ResourceUpdate* AddUpdate(Planner* planner, const char* key, WORD type, WORD name, WORD language, DWORD size)
{
    BrandPlan* plan = planner->plan;
    if (plan->count == MaxResourceUpdates) {
        Say(planner->report, BrandError, "%s: %s: too many resources to replace", planner->brandFile, key);
        return nullptr;
    }
    ResourceUpdate* update = &plan->updates[plan->count];
    update->data.reset(size ? HeapAlloc(GetProcessHeap(), 0, size) : nullptr);
    if (size && !update->data) {
        Say(planner->report, BrandError, "%s: %s: out of memory", planner->brandFile, key);
        return nullptr;
    }
    update->type = type;
    update->name = name;
    update->language = language;
    update->size = size;
    update->key = key;
    ++plan->count;
    return update;
}

// The same bytes for the resource in every language the program has it in (neutral when
// it has none).
int ReplaceEverywhere(Planner* planner, const char* key, WORD type, WORD name, const BYTE* data, DWORD size)
{
    LanguageList languages = ProgramLanguages(planner, type, name);
    if (!languages.count) languages.ids[languages.count++] = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    for (int i = 0; i < languages.count; ++i) {
        ResourceUpdate* update = AddUpdate(planner, key, type, name, languages.ids[i], size);
        if (!update) return 0;
        if (size) std::memcpy(update->data.get(), data, size);
    }
    return 1;
}

// A file named by a key, read whole; 0 (reported) when it cannot be.
int ReadNamedFile(Planner* planner, const char* key, const char* value, char* path, UniqueHeapBlock* data,
                  DWORD* size)
{
    char joined[2 * MAX_PATH];
    const int absolute = value[0] == '\\' || (value[0] && value[1] == ':');
    std::snprintf(joined, sizeof joined, "%s%s", absolute ? "" : planner->folder, value);
    if (!value[0]) {
        Say(planner->report, BrandError, "%s: %s: names no file", planner->brandFile, key);
        return 0;
    }
    char* name;
    if (!GetFullPathNameA(joined, MAX_PATH, path, &name) || std::strlen(joined) >= MAX_PATH) {
        Say(planner->report, BrandError, "%s: %s: the path %s is too long", planner->brandFile, key, joined);
        return 0;
    }
    UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            Say(planner->report, BrandError, "%s: %s: the file %s is missing", planner->brandFile, key, path);
        else
            Say(planner->report, BrandError, "%s: %s: the file %s cannot be read (system error %lu)",
                planner->brandFile, key, path, error);
        return 0;
    }
    *size = GetFileSize(file.get(), nullptr);
    if (*size == INVALID_FILE_SIZE || *size > FileLimit) {
        Say(planner->report, BrandError, "%s: %s: the file %s is larger than 64 MB", planner->brandFile, key, path);
        return 0;
    }
    data->reset(HeapAlloc(GetProcessHeap(), 0, *size ? *size : 1));
    DWORD read = 0;
    if (!*data || !ReadFile(file.get(), data->get(), *size, &read, nullptr) || read != *size) {
        Say(planner->report, BrandError, "%s: %s: the file %s cannot be read (system error %lu)", planner->brandFile,
            key, path, GetLastError());
        return 0;
    }
    return 1;
}

// ---- Titles and welcome texts ----

// The ANSI value of a text key in UTF-16; 0 (reported) when it is empty or too long.
int ReadText(Planner* planner, const char* key, int limit, WCHAR* wide, int* units)
{
    char value[4096];
    if (!GetKey(planner, key, value, sizeof value)) return 0;
    // Title and Welcome serve three languages: their faults are told once.
    for (int i = 0; i < planner->failedCount; ++i)
        if (planner->failed[i] == key) return 0;
    const int length = static_cast<int>(std::strlen(value));
    if (!length || length > limit) {
        if (!length)
            Say(planner->report, BrandError, "%s: %s: the text is empty", planner->brandFile, key);
        else
            Say(planner->report, BrandError, "%s: %s: the text has %d characters; the program takes at most %d",
                planner->brandFile, key, length, limit);
        if (planner->failedCount < 16) planner->failed[planner->failedCount++] = key;
        return 0;
    }
    *units = MultiByteToWideChar(CP_ACP, 0, value, length, wide, 1024);
    return *units > 0;
}

// A language's text key: "Title.ger" when the file has it, else "Title".
const char* LanguageKey(Planner* planner, const char* key, const Language& language)
{
    char name[16], ignored[2];
    std::snprintf(name, sizeof name, "%s.%s", key, language.suffix);
    for (const char* known : KnownKeys) {
        if (std::strcmp(known, name) == 0 && GetKey(planner, known, ignored, sizeof ignored)) return known;
    }
    return key;
}

// String 1300 and 1301 and the page captions of one language.
void PlanTexts(Planner* planner, const Language& language)
{
    WCHAR title[1024], welcome[1024];
    int titleUnits = 0, welcomeUnits = 0;
    const char* titleKey = LanguageKey(planner, "Title", language);
    const char* welcomeKey = LanguageKey(planner, "Welcome", language);
    const int newTitle = ReadText(planner, titleKey, TitleLimit, title, &titleUnits);
    const int newWelcome = ReadText(planner, welcomeKey, WelcomeLimit, welcome, &welcomeUnits);
    if (!newTitle && !newWelcome) return;

    DWORD size = 0;
    const WORD block = TitleString / 16 + 1;
    const BYTE* strings = ProgramResource(planner, 6 /* RT_STRING */, block, language.id, &size);
    const uint16_t *ownTitle, *ownWelcome;
    size_t ownTitleUnits, ownWelcomeUnits;
    if (!strings || !StringBlockEntry(strings, size, TitleString % 16, &ownTitle, &ownTitleUnits)
        || !StringBlockEntry(strings, size, WelcomeString % 16, &ownWelcome, &ownWelcomeUnits)) {
        Say(planner->report, BrandError, "%s: %s: the program %s has no strings 1300 and 1301 in language %04X",
            planner->brandFile, newTitle ? titleKey : welcomeKey, planner->source, language.id);
        return;
    }
    if (!newTitle) {
        titleUnits = static_cast<int>(ownTitleUnits);
        std::memcpy(title, ownTitle, 2 * ownTitleUnits);
    }
    // The welcome text: the title, a full stop, two returns and the invitation.
    WCHAR text[2048];
    size_t units = static_cast<size_t>(titleUnits);
    std::memcpy(text, title, 2 * units);
    const WCHAR separator[] = {'.', '\r', '\r'};
    std::memcpy(text + units, separator, sizeof separator);
    units += 3;
    if (newWelcome) {
        std::memcpy(text + units, welcome, 2 * static_cast<size_t>(welcomeUnits));
        units += static_cast<size_t>(welcomeUnits);
    } else {
        const size_t from = WelcomeInvitation(ownWelcome, ownWelcomeUnits, ownTitle, ownTitleUnits);
        const size_t rest = ownWelcomeUnits - from;
        if (units + rest <= sizeof text / 2) std::memcpy(text + units, ownWelcome + from, 2 * rest);
        units += rest;
    }
    if (units > static_cast<size_t>(WelcomeLimit)) {
        Say(planner->report, BrandError,
            "%s: %s: the welcome text (title, full stop, two line breaks, invitation) has %u characters; the "
            "program takes at most %d",
            planner->brandFile, newWelcome ? welcomeKey : titleKey, static_cast<unsigned>(units), WelcomeLimit);
        return;
    }
    const DWORD capacity = size + 2 * (2048 + 1024);
    UniqueHeapBlock once(HeapAlloc(GetProcessHeap(), 0, capacity));
    ResourceUpdate* update = AddUpdate(planner, titleKey, 6, block, language.id, capacity);
    if (!once || !update) return;
    const size_t first = ReplaceStringBlockEntry(strings, size, TitleString % 16, reinterpret_cast<uint16_t*>(title),
                                                 static_cast<size_t>(titleUnits), static_cast<uint8_t*>(once.get()),
                                                 capacity);
    update->size = static_cast<DWORD>(
        ReplaceStringBlockEntry(static_cast<uint8_t*>(once.get()), first, WelcomeString % 16,
                                reinterpret_cast<uint16_t*>(text), units, static_cast<uint8_t*>(update->data.get()),
                                capacity));
    if (!update->size) {
        Say(planner->report, BrandError, "%s: %s: the program %s has a malformed string table in language %04X",
            planner->brandFile, titleKey, planner->source, language.id);
        return;
    }
    char shown[1100];
    const int length = WideCharToMultiByte(CP_ACP, 0, title, titleUnits, shown, sizeof shown - 1, nullptr, nullptr);
    shown[length > 0 ? length : 0] = '\0';
    Say(planner->report, BrandInfo, "%s: %s: language %04X (%s) shows the title \"%s\"%s", planner->brandFile,
        titleKey, language.id, language.suffix, shown, newWelcome ? " and a welcome text of its own" : "");
    if (!newTitle) return;

    for (WORD page = FirstPage; page <= LastPage; ++page) {
        const BYTE* dialog = ProgramResource(planner, 5 /* RT_DIALOG */, page, language.id, &size);
        if (!dialog) size = 0;
        ResourceUpdate* caption = AddUpdate(planner, titleKey, 5, page, language.id, size + 2 * 260);
        if (!caption) return;
        caption->size = static_cast<DWORD>(
            ReplaceDialogCaption(dialog, size, reinterpret_cast<uint16_t*>(title), static_cast<size_t>(titleUnits),
                                 static_cast<uint8_t*>(caption->data.get()), size + 2 * 260));
        if (!caption->size) {
            Say(planner->report, BrandError, "%s: %s: the program %s has no readable page template %u in language %04X",
                planner->brandFile, titleKey, planner->source, page, language.id);
            return;
        }
    }
}

// ---- Licence, pictures and icon ----

void PlanLicence(Planner* planner)
{
    char value[MAX_PATH], path[MAX_PATH];
    if (!GetKey(planner, "Licence", value, sizeof value)) return;
    if (lstrcmpiA(value, "none") == 0) {  // the licence page skips itself without the text
        const LanguageList languages = ProgramLanguages(planner, 10 /* RT_RCDATA */, LicenceId);
        for (int i = 0; i < languages.count; ++i)
            if (!AddUpdate(planner, "Licence", 10, LicenceId, languages.ids[i], 0)) return;
        return;
    }
    UniqueHeapBlock data;
    DWORD size;
    if (!ReadNamedFile(planner, "Licence", value, path, &data, &size)) return;
    if (size < 5 || std::memcmp(data.get(), "{\\rtf", 5) != 0) {
        Say(planner->report, BrandError, "%s: Licence: the file %s is not an RTF file (it does not begin with {\\rtf)",
            planner->brandFile, path);
        return;
    }
    ReplaceEverywhere(planner, "Licence", 10, LicenceId, static_cast<BYTE*>(data.get()), size);
}

struct PictureRule {
    const char* key;
    WORD id;
    const char* what;
    int strip;     // the image strip: 16-pixel images side by side, at least as many
};

const PictureRule PictureRules[] = {
    {"Picture", 4, "side picture", 0},
    {"Header", 5, "header picture", 0},
    {"Images", 2, "image strip", 1},
};

void PlanPicture(Planner* planner, const PictureRule& rule)
{
    char value[MAX_PATH], path[MAX_PATH];
    if (!GetKey(planner, rule.key, value, sizeof value)) return;
    UniqueHeapBlock data;
    DWORD size;
    if (!ReadNamedFile(planner, rule.key, value, path, &data, &size)) return;
    const uint8_t* bytes = static_cast<const uint8_t*>(data.get());
    BitmapFile bitmap;
    if (!ReadBitmapFile(bytes, size, &bitmap)) {
        Say(planner->report, BrandError, "%s: %s: the file %s is not a BMP picture", planner->brandFile, rule.key,
            path);
        return;
    }
    DWORD ownSize;
    int32_t width, height;
    uint16_t bits;
    const LanguageList languages = ProgramLanguages(planner, 2 /* RT_BITMAP */, rule.id);
    const BYTE* own = languages.count ? ProgramResource(planner, 2, rule.id, languages.ids[0], &ownSize) : nullptr;
    if (!own || !ReadPackedBitmap(own, ownSize, &width, &height, &bits)) {
        Say(planner->report, BrandError, "%s: %s: the program %s has no readable bitmap %u", planner->brandFile,
            rule.key, planner->source, rule.id);
        return;
    }
    if (rule.strip) {
        if (bitmap.width % 16 || bitmap.height != height || bitmap.width < width) {
            Say(planner->report, BrandError,
                "%s: %s: the file %s is %dx%d pixels; the program's %s needs images of 16x%d pixels side by side, "
                "at least %d of them (a width of %d or more that is a multiple of 16)",
                planner->brandFile, rule.key, path, bitmap.width, bitmap.height, rule.what, height, width / 16,
                width);
            return;
        }
    } else if (bitmap.width != width || bitmap.height != height || bitmap.bitCount != bits) {
        Say(planner->report, BrandError,
            "%s: %s: the file %s is %dx%d pixels with %u bits a pixel; the program's %s is %dx%d pixels with %u "
            "bits a pixel",
            planner->brandFile, rule.key, path, bitmap.width, bitmap.height, bitmap.bitCount, rule.what, width,
            height, bits);
        return;
    }
    // The resource is the file without its file header, the pixels right behind the table.
    const DWORD packed = static_cast<DWORD>(bitmap.headerBytes + bitmap.bitsBytes);
    UniqueHeapBlock dib(HeapAlloc(GetProcessHeap(), 0, packed));
    if (!dib) return;
    std::memcpy(dib.get(), bytes + bitmap.header, bitmap.headerBytes);
    std::memcpy(static_cast<BYTE*>(dib.get()) + bitmap.headerBytes, bytes + bitmap.bits, bitmap.bitsBytes);
    ReplaceEverywhere(planner, rule.key, 2, rule.id, static_cast<BYTE*>(dib.get()), packed);
}

struct IdList {
    int count;
    WORD ids[256];
};

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list)
{
    IdList* names = reinterpret_cast<IdList*>(list);
    if (IS_INTRESOURCE(name) && names->count < 256) names->ids[names->count++] = LOWORD(name);
    return TRUE;
}

int HasId(const WORD* ids, int count, WORD id)
{
    for (int i = 0; i < count; ++i)
        if (ids[i] == id) return 1;
    return 0;
}

// Icon 1: a new group whose pictures take the old group's icon ids first, then free ones;
// the old pictures it no longer uses go.
void PlanIcon(Planner* planner)
{
    char value[MAX_PATH], path[MAX_PATH];
    if (!GetKey(planner, "Icon", value, sizeof value)) return;
    UniqueHeapBlock data;
    DWORD size;
    if (!ReadNamedFile(planner, "Icon", value, path, &data, &size)) return;
    IconImage images[MaxIconImages];
    const int count = ReadIconFile(static_cast<const uint8_t*>(data.get()), size, images, MaxIconImages);
    if (!count) {
        Say(planner->report, BrandError, "%s: Icon: the file %s is not an .ico file with 1 to %d pictures",
            planner->brandFile, path, MaxIconImages);
        return;
    }
    const LanguageList languages = ProgramLanguages(planner, 14 /* RT_GROUP_ICON */, IconId);
    const WORD language = languages.count ? languages.ids[0] : MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    uint16_t oldIds[MaxIconImages];
    int oldCount = 0;
    DWORD groupSize;
    if (const BYTE* group = ProgramResource(planner, 14, IconId, language, &groupSize))
        oldCount = IconGroupIds(group, groupSize, oldIds, MaxIconImages);
    if (oldCount < 0) oldCount = 0;
    IdList used = {};
    EnumResourceNamesA(planner->program, MAKEINTRESOURCEA(3 /* RT_ICON */), AddName, reinterpret_cast<LONG_PTR>(&used));

    uint16_t ids[MaxIconImages];
    WORD next = 1;
    for (int i = 0; i < count; ++i) {
        if (i < oldCount) {
            ids[i] = oldIds[i];
        } else {
            while (HasId(used.ids, used.count, next) || HasId(ids, i, next)) ++next;
            ids[i] = next++;
        }
        const BYTE* picture = static_cast<const BYTE*>(data.get()) + images[i].offset;
        const LanguageList own = ProgramLanguages(planner, 3, ids[i]);
        ResourceUpdate* update = AddUpdate(planner, "Icon", 3, ids[i], own.count ? own.ids[0] : language,
                                           images[i].bytes);
        if (!update) return;
        std::memcpy(update->data.get(), picture, images[i].bytes);
    }
    for (int i = count; i < oldCount; ++i) {
        const LanguageList own = ProgramLanguages(planner, 3, oldIds[i]);
        for (int j = 0; j < own.count; ++j)
            if (!AddUpdate(planner, "Icon", 3, oldIds[i], own.ids[j], 0)) return;
    }
    uint8_t group[6 + 14 * MaxIconImages];
    const size_t written = WriteIconGroup(images, ids, count, group, sizeof group);
    ReplaceEverywhere(planner, "Icon", 14, IconId, group, static_cast<DWORD>(written));
}

// The whole planner lives for one call; it is large.
Planner g_Planner;

} // namespace

int PlanBranding(const char* sourceExe, const char* brandFile, BrandPlan* plan, BrandReport* report)
{
    const int errorsBefore = report->errors;
    Planner* planner = &g_Planner;
    std::memset(planner, 0, sizeof *planner);
    planner->plan = plan;
    planner->report = report;
    char* name;
    if (!GetFullPathNameA(brandFile, MAX_PATH, planner->brandFile, &name) || !name) {
        Say(report, BrandError, "%s: the brand file's path cannot be used", brandFile);
        return 0;
    }
    const DWORD attributes = GetFileAttributesA(planner->brandFile);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Say(report, BrandError, "%s: the brand file is missing", planner->brandFile);
        return 0;
    }
    std::memcpy(planner->folder, planner->brandFile, static_cast<size_t>(name - planner->brandFile));
    if (!GetFullPathNameA(sourceExe, MAX_PATH, planner->source, &name)) lstrcpynA(planner->source, sourceExe, MAX_PATH);
    UniqueModule program(LoadLibraryExA(planner->source, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!program) {
        Say(report, BrandError, "%s: the program cannot be read (system error %lu)", planner->source, GetLastError());
        return 0;
    }
    planner->program = program.get();
    const DWORD used = GetPrivateProfileSectionA("Brand", planner->keys, sizeof planner->keys, planner->brandFile);
    if (!used) {
        Say(report, BrandError, "%s: the brand file has no [Brand] section with keys", planner->brandFile);
        return 0;
    }
    if (used >= sizeof planner->keys - 2) {
        Say(report, BrandError, "%s: the [Brand] section is longer than 32,767 characters", planner->brandFile);
        return 0;
    }
    WarnUnknownKeys(planner);
    for (const Language& language : Languages) PlanTexts(planner, language);
    PlanLicence(planner);
    for (const PictureRule& rule : PictureRules) PlanPicture(planner, rule);
    PlanIcon(planner);
    return report->errors == errorsBefore;
}

int CheckBrandTarget(const char* sourceExe, const char* targetExe, BrandReport* report)
{
    char source[MAX_PATH], target[MAX_PATH];
    char* name;
    if (!GetFullPathNameA(sourceExe, MAX_PATH, source, &name) || !GetFullPathNameA(targetExe, MAX_PATH, target, &name)
        || !name) {
        Say(report, BrandError, "%s: the target's path cannot be used", targetExe);
        return 0;
    }
    if (lstrcmpiA(source, target) == 0) {
        Say(report, BrandError, "%s: the target is the program itself; write the branded copy to another file", target);
        return 0;
    }
    return 1;
}

namespace {

// Writing: every resource of the program again, the plan's in place of its own.
struct Copier {
    HMODULE program;
    HANDLE update;
    const BrandPlan* plan;
    bool written[MaxResourceUpdates];
    int failed;
};

BOOL CALLBACK CopyLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR context)
{
    Copier* copier = reinterpret_cast<Copier*>(context);
    const BrandPlan& plan = *copier->plan;
    for (int i = 0; i < plan.count; ++i) {
        const ResourceUpdate& planned = plan.updates[i];
        if (IS_INTRESOURCE(type) && IS_INTRESOURCE(name) && planned.type == LOWORD(type)
            && planned.name == LOWORD(name) && planned.language == language) {
            copier->written[i] = true;
            if (planned.size
                && !UpdateResourceA(copier->update, type, name, language, planned.data.get(), planned.size))
                copier->failed = 1;
            return !copier->failed;
        }
    }
    HRSRC found = FindResourceExA(copier->program, type, name, language);
    HGLOBAL loaded = found ? LoadResource(copier->program, found) : nullptr;
    void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || !UpdateResourceA(copier->update, type, name, language, data, SizeofResource(copier->program, found)))
        copier->failed = 1;
    return !copier->failed;
}

BOOL CALLBACK CopyName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR context)
{
    EnumResourceLanguagesA(module, type, name, CopyLanguage, context);
    return !reinterpret_cast<Copier*>(context)->failed;
}

BOOL CALLBACK CopyType(HMODULE module, LPSTR type, LONG_PTR context)
{
    EnumResourceNamesA(module, type, CopyName, context);
    return !reinterpret_cast<Copier*>(context)->failed;
}

// The update starts from no resources and writes them all, rather than leaving the old
// ones in place and deleting some: observed on Wine 8, a deletion (UpdateResourceA
// without data) of a resource the file has is lost when the update is written, so a
// removed licence stayed. Both ways give the same program on Windows.
int ReplaceResources(const char* sourceExe, const char* file, const BrandPlan& plan)
{
    static Copier copier;
    std::memset(&copier, 0, sizeof copier);
    UniqueModule program(LoadLibraryExA(sourceExe, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    UniqueResourceUpdate update(program ? BeginUpdateResourceA(file, TRUE) : nullptr);
    if (!update) return 0;
    copier.program = program.get();
    copier.update = update.get();
    copier.plan = &plan;
    EnumResourceTypesA(program.get(), CopyType, reinterpret_cast<LONG_PTR>(&copier));
    for (int i = 0; !copier.failed && i < plan.count; ++i) {  // resources the program lacks
        const ResourceUpdate& planned = plan.updates[i];
        if (copier.written[i] || !planned.size) continue;
        if (!UpdateResourceA(update.get(), MAKEINTRESOURCEA(planned.type), MAKEINTRESOURCEA(planned.name),
                             planned.language, planned.data.get(), planned.size))
            copier.failed = 1;
    }
    return !copier.failed && EndUpdateResourceA(update.release(), FALSE);
}

} // namespace

int WriteBrandedProgram(const char* sourceExe, const BrandPlan& plan, const char* targetExe, BrandReport* report)
{
    char target[MAX_PATH], folder[MAX_PATH], temporary[MAX_PATH];
    char* name;
    if (!GetFullPathNameA(targetExe, MAX_PATH, target, &name) || !name) {
        Say(report, BrandError, "%s: the target's path cannot be used", targetExe);
        return 0;
    }
    std::memcpy(folder, target, static_cast<size_t>(name - target));
    folder[name - target] = '\0';
    if (!GetTempFileNameA(folder, "brd", 0, temporary)) {
        Say(report, BrandError, "%s: no file can be made in the target's folder (system error %lu)", target,
            GetLastError());
        return 0;
    }
    int written = 0;
    const char* step = "the program cannot be copied";
    if (CopyFileA(sourceExe, temporary, FALSE)) {
        step = "its resources cannot be replaced";
        if (ReplaceResources(sourceExe, temporary, plan)) {
            step = "the branded copy cannot take the target's name";
            written = MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING);
        }
    }
    if (!written) {
        const DWORD error = GetLastError();
        DeleteFileA(temporary);
        Say(report, BrandError, "%s: %s (system error %lu); the target was not changed", target, step, error);
    }
    return written;
}
