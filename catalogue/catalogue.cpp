// The product catalogue and the lists built from it.
//
// The catalogue is one text list of product keys in a heap buffer, built once on the
// main thread before the wizard opens and only read afterwards. Every other field of a
// product is read from the products line by key when asked for; when two lines carry
// the same key, the first one answers for both.

#include "catalogue.h"

#include "conditions.h"
#include "keysignature.h"
#include "registration.h"
#include "version.h"
#include "../base/handles.h"
#include "../base/log.h"
#include "../base/options.h"
#include "../base/session.h"
#include "../base/textlist.h"
#include "../resources/resource.h"
#include "../setupapi/inf.h"

#include <cstring>

char* g_SectionList = nullptr;

namespace {

char* g_Catalogue = nullptr;
// Bytes of g_Catalogue in use, its end mark included (TextListSize of it), so that an
// append need not walk the whole list to find its end.
DWORD g_CatalogueUsed = 0;

// Tells the log that the products line `line` is not offered, and why.
void LogProductSkipped(const INFCONTEXT* line, const char* why)
{
    if (!RunLogIsOpen()) return;
    char key[ProductKeySize] = "";
    InfGetField(line, ProductFieldKey, key, sizeof key);
    LogLine("Product %s not offered: %s", key, why);
}

} // namespace

void ResetProductCatalogue()
{
    void* buffer = g_Catalogue ? HeapReAlloc(GetProcessHeap(), 0, g_Catalogue, 2)
                               : HeapAlloc(GetProcessHeap(), 0, 2);
    if (buffer) g_Catalogue = static_cast<char*>(buffer);
    if (g_Catalogue) g_Catalogue[0] = g_Catalogue[1] = '\0';
    g_CatalogueUsed = g_Catalogue ? 2 : 0;
}

int AppendProduct(const char* key, DWORD* capacity)
{
    if (!g_Catalogue || !key || !*key) return 0;
    const DWORD length = static_cast<DWORD>(std::strlen(key));
    const DWORD used = g_CatalogueUsed;
    if (used + length + 1 > *capacity) {
        // The recorded capacity starts below the two bytes of the empty list, so the
        // growth counts from whichever is larger; else a first key of 512 characters or
        // more would not fit.
        const DWORD base = *capacity > used ? *capacity : used;
        const DWORD grown = base + (length > 512 ? length : 512) + 1;
        void* buffer = HeapReAlloc(GetProcessHeap(), 0, g_Catalogue, grown);
        if (!buffer) return 0;
        g_Catalogue = static_cast<char*>(buffer);
        *capacity = grown;
    }
    // The key takes the place of the end mark (the first byte of an empty list), and a
    // new end mark follows it.
    const DWORD at = g_Catalogue[0] ? used - 1 : 0;
    std::memcpy(g_Catalogue + at, key, length + 1);
    g_Catalogue[at + length + 1] = '\0';
    g_CatalogueUsed = at + length + 2;
    return 1;
}

int ProductCount()
{
    return TextListCount(g_Catalogue);
}

const char* ProductKey(int index)
{
    return TextListItem(g_Catalogue, index);
}

int GetProductField(HINF inf, int index, DWORD field, char* buffer, DWORD size, const char* productsSection)
{
    const char* key = ProductKey(index);
    if (!key || !buffer || !size) return 0;
    if (field == ProductFieldKey) {
        if (std::strlen(key) >= size) return 0;
        std::strcpy(buffer, key);
        return 1;
    }
    return InfGetKeyField(inf, productsSection, key, field, buffer, size);
}

void FreeProductCatalogue()
{
    if (g_Catalogue) HeapFree(GetProcessHeap(), 0, g_Catalogue);
    g_Catalogue = nullptr;
    g_CatalogueUsed = 0;
}

int BuildProductCatalogue(HINF inf, HWND owner, HINSTANCE instance, const char* productsSection, int action)
{
    ResetProductCatalogue();
    DWORD capacity = 1;
    INFCONTEXT line;
    if (!InfFindLine(inf, productsSection, nullptr, &line)) {
        LogLine("Catalogue: no products section [%s]", productsSection);
        return 1;
    }

    // The failure text of the last product whose conditions did not hold.
    char message[ConditionMessageSize] = "";
    int count = 0;
    do {
        if (action == ActionInstall) {
            char installSection[ProductSectionSize];
            if (!InfGetField(&line, ProductFieldInstallSection, installSection, sizeof installSection)
                || !installSection[0]) {
                LogProductSkipped(&line, "no install section");
                continue;
            }
            if (!CheckSectionConditions(inf, installSection, message)) {
                LogProductSkipped(&line, "its conditions do not hold");
                continue;
            }
        }
        char key[ProductKeySize];
        if (InfGetField(&line, ProductFieldKey, key, sizeof key) && key[0] && AppendProduct(key, &capacity)) {
            ++count;
            LogLine("Product %s offered", key);
        }
    } while (InfNextLine(&line));

    LogLine("Catalogue of [%s]: products offered: %d", productsSection, count);
    if (count == 0) ShowConditionFailure(instance, owner, message);
    return count;
}

namespace {

// Offered minus installed version of the product `key`, whose products line is `line`
// (null when the key has none).
int CompareInstalledVersionOf(const char* key, const INFCONTEXT* line)
{
    char offered[ProductVersionSize];
    if (!key || std::strlen(key) >= ProductKeySize || !line
        || !InfGetField(line, ProductFieldVersion, offered, sizeof offered))
        return 0;

    UniqueKey product;
    if (!OpenUninstallKey(key, KEY_READ, &product)) return 0;
    // Any type is accepted, so the value may lack its terminating zero: one byte stays
    // free for it.
    char installed[129] = {};
    DWORD size = 128;
    if (RegQueryValueExA(product.get(), "ProductVersion", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(installed), &size) != ERROR_SUCCESS)
        return 0;
    installed[size < 128 ? size : 128] = '\0';
    return CompareVersionStrings(installed, offered);
}

// The products line of `key` (the first one when several carry it).
const INFCONTEXT* FindProductLine(HINF inf, const char* key, INFCONTEXT* line)
{
    return key && InfFindLine(inf, g_Sections.ProductsSection, key, line) ? line : nullptr;
}

// The products lines of the catalogue's entries, found in one walk of the products
// section: the entries were taken from its lines in order, so the line of each entry is
// the first line from where the walk stands whose key reads as the entry's. Finding each
// key from the top of the section instead made the walk grow with the square of the
// number of products. That line answers for the entry when no earlier line carries the
// same key: the walk keeps the signatures of the keys it passed, and an entry whose key
// may have been passed is looked up by the Setup API as before, as is every entry when
// the signatures have no room.
struct ProductLineWalk {
    HINF Inf;
    INFCONTEXT Line;    // the next line to look at, when HasLine
    INFCONTEXT Before;  // the line before it, when HasBefore
    int HasLine;
    int HasBefore;
    uint32_t* Seen;     // signatures of the keys passed
    size_t SeenSlots;
};

void StartProductLineWalk(HINF inf, ProductLineWalk* walk)
{
    std::memset(walk, 0, sizeof *walk);
    walk->Inf = inf;
    walk->HasLine = InfFindLine(inf, g_Sections.ProductsSection, nullptr, &walk->Line);
    const DWORD lines = walk->HasLine ? InfLineCount(inf, g_Sections.ProductsSection) : 0;
    size_t slots = 16;
    while (slots < 2 * static_cast<size_t>(lines) && slots < (static_cast<size_t>(1) << 26)) slots *= 2;
    walk->Seen = static_cast<uint32_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, slots * sizeof(uint32_t)));
    walk->SeenSlots = walk->Seen ? slots : 0;
}

void EndProductLineWalk(ProductLineWalk* walk)
{
    if (walk->Seen) HeapFree(GetProcessHeap(), 0, walk->Seen);
    walk->Seen = nullptr;
}

// Moves the walk one line on, keeping the signature of the key of the line it leaves. A
// line without a key is never found by key, and one whose key is too long for the
// buffer never by a catalogue key, which is shorter: neither needs one.
void PassProductLine(ProductLineWalk* walk)
{
    WCHAR key[ProductKeySize];
    if (InfGetWideKey(&walk->Line, key, ProductKeySize)
        && !AddKeySignature(walk->Seen, walk->SeenSlots, KeySignature(key))) {
        // A key that could not be kept could be any later entry's: the walk ends here.
        EndProductLineWalk(walk);
    }
    walk->Before = walk->Line;
    walk->HasBefore = 1;
    walk->HasLine = InfNextLine(&walk->Line);
}

// The products line of catalogue entry `key`, the next entry after the one asked for
// before; as FindProductLine finds it.
const INFCONTEXT* NextProductLine(ProductLineWalk* walk, const char* key, INFCONTEXT* line)
{
    WCHAR wideKey[ProductKeySize];
    while (walk->Seen && walk->HasLine) {
        char text[ProductKeySize];
        if (!InfGetField(&walk->Line, ProductFieldKey, text, sizeof text) || std::strcmp(text, key) != 0) {
            PassProductLine(walk);
            continue;
        }
        // The Setup API compares the key as it reads it in UTF-16.
        if (!MultiByteToWideChar(CP_ACP, 0, key, -1, wideKey, ProductKeySize)
            || KeySignatureKnown(walk->Seen, walk->SeenSlots, KeySignature(wideKey)))
            break;
        // And the Setup API must take this very line for the key: the next line after
        // the one before it that matches, which it finds at once.
        INFCONTEXT found;
        const int matched = walk->HasBefore ? InfFindNextMatch(&walk->Before, key, &found)
                                            : InfFindLine(walk->Inf, g_Sections.ProductsSection, key, &found);
        const int same = matched && std::memcmp(&found, &walk->Line, sizeof found) == 0;
        *line = walk->Line;
        PassProductLine(walk);
        if (same) return line;
        break;
    }
    return FindProductLine(walk->Inf, key, line);
}

} // namespace

int CompareInstalledVersion(HINF inf, int index)
{
    const char* key = ProductKey(index);
    INFCONTEXT line;
    return CompareInstalledVersionOf(key, FindProductLine(inf, key, &line));
}

// Every field of a row comes from the one products line of its key, found once, and the
// keys are walked in place: looking each field up by key and each key up by index made
// the list grow with the square of the number of products.
int ListProductRows(HINF inf, ProductRowFunction take, void* context)
{
    ProductLineWalk walk;
    StartProductLineWalk(inf, &walk);
    int count = 0;
    for (const char* key = g_Catalogue; key && *key; key += std::strlen(key) + 1, ++count) {
        INFCONTEXT found;
        const INFCONTEXT* line = NextProductLine(&walk, key, &found);
        char installSection[ProductSectionSize], name[ProductDisplayNameSize] = "";
        if (!line || !InfGetField(line, ProductFieldInstallSection, installSection, sizeof installSection)
            || !installSection[0])
            continue;
        InfGetField(line, ProductFieldDisplayName, name, sizeof name);
        ProductRow row = {count, name, 0, 0, 0};
        long flags = 0;
        row.Newer = CompareInstalledVersionOf(key, line) < 0;
        InfGetDecimalField(line, ProductFieldFlags, &flags);
        InfGetDecimalField(line, ProductFieldImage, &row.Image);
        row.Checked = (flags & ProductFlagChecked) && !row.Newer;
        LogLine("Product %s \"%s\": %s%s", key, name, row.Checked ? "checked" : "not checked",
                row.Newer ? ", a newer version is installed" : "");
        take(&row, context);
    }
    EndProductLineWalk(&walk);
    return count;
}

int SelectProducts(ProductChoiceFunction chosen, void* context, char** selected)
{
    TextListBuilder list = {};
    int index = 0;
    for (const char* key = g_Catalogue; key && *key; key += std::strlen(key) + 1, ++index) {
        if (!chosen(index, context)) continue;
        if (!TextListAppend(&list, key)) {
            TextListFree(list.Text);
            return 0;
        }
    }
    TextListKeep(selected, &list);
    return 1;
}

int SelectProductsByName(const char* names, char** selected)
{
    TextListBuilder chosen = {};
    int count = 0;
    const char* piece = names ? names : "";
    for (;;) {
        const char* comma = std::strchr(piece, ',');
        const size_t length = comma ? static_cast<size_t>(comma - piece) : std::strlen(piece);
        // A piece longer than any key cannot name a product.
        if (length < ProductKeySize) {
            char name[ProductKeySize];
            std::memcpy(name, piece, length);
            name[length] = '\0';
            const int before = count;
            for (const char* key = g_Catalogue; key && *key; key += std::strlen(key) + 1) {
                if (lstrcmpiA(key, name) == 0) {
                    if (!TextListAppend(&chosen, key)) {
                        TextListFree(chosen.Text);
                        return 0;
                    }
                    ++count;
                    break;
                }
            }
            if (count == before && name[0])
                LogLine("Product %s, named on the command line, is not offered: left out", name);
        }
        if (!comma) break;
        piece = comma + 1;
    }
    TextListKeep(selected, &chosen);
    return count;
}

int GetProductDescription(HINF inf, int index, char* buffer, DWORD size)
{
    if (!buffer || !size) return 0;
    buffer[0] = '\0';
    return GetProductField(inf, index, ProductFieldDescription, buffer, size, g_Sections.ProductsSection);
}

int CollectInstallSections(HINF inf, char* selected, char** sections)
{
    TextListBuilder list = {};
    TextListAppend(&list, g_Sections.InstallSection);
    for (int position = 0; const char* key = TextListItem(selected, position);) {
        char section[ProductSectionSize];
        // An empty install section would end the list for every reader: it adds nothing.
        // A product whose install section cannot be added never runs, so it leaves the
        // selection too: it must not be registered as installed.
        if (InfGetKeyField(inf, g_Sections.ProductsSection, key, ProductFieldInstallSection, section, sizeof section)
            && section[0]
            && !TextListAppend(&list, section)) {
            TextListRemove(selected, position);
            continue;
        }
        ++position;
    }
    TextListKeep(sections, &list);
    return ProductCount();
}

int CollectRemoveSections(HINF inf, const char* selected, char** sections)
{
    // Products that stay registered after this removal: the registered ones that are
    // not selected. A product named twice leaves once, and does not make another
    // registered product count as leaving. The catalogue is walked in place: asking
    // for each entry by index walked it again from the start for every product.
    int staying = 0;
    for (const char* product = g_Catalogue; product && *product; product += std::strlen(product) + 1) {
        UniqueKey key;
        if (!OpenUninstallKey(product, KEY_READ, &key)) continue;
        int leaving = 0;
        for (const char* name = selected; name && *name && !leaving; name += std::strlen(name) + 1)
            leaving = lstrcmpiA(name, product) == 0;
        if (!leaving) ++staying;
    }

    TextListBuilder list = {};
    int count = 0;
    for (const char* key = selected; key && *key; key += std::strlen(key) + 1) {
        char section[ProductSectionSize];
        // An empty remove section would end the list and so drop the main remove
        // section that may follow: it adds nothing.
        if (InfGetKeyField(inf, g_Sections.ProductsSection, key, ProductFieldRemoveSection, section, sizeof section)
            && section[0]
            && TextListAppend(&list, section))
            ++count;
    }
    if (staying == 0 && TextListAppend(&list, g_Sections.RemoveSection)) ++count;
    TextListKeep(sections, &list);
    return count;
}

int CountProductsWithFlags(HINF inf, const char* keys, int mask)
{
    int count = 0;
    for (const char* key = keys; key && *key; key += std::strlen(key) + 1) {
        INFCONTEXT line;
        long flags = 0;
        if (InfFindLine(inf, g_Sections.ProductsSection, key, &line)
            && InfGetDecimalField(&line, ProductFieldFlags, &flags) && (flags & mask))
            ++count;
    }
    return count;
}

int IsRestartRequired(HINF inf, const char* selected)
{
    int required = CountProductsWithFlags(inf, selected, ProductFlagRestart);
    INFCONTEXT line;
    long reboot = 0;
    // The Reboot value is read from at most 127 characters.
    if (InfFindLine(inf, g_Sections.InstallSection, "Reboot", &line) && InfGetDecimalField(&line, 1, 128, &reboot)
        && reboot)
        ++required;
    return required;
}
