// The products lines, read as the product catalogue reads them: the key (field 0) names
// the product, field 1 is its display name, field 2 its install section, field 3 its
// remove section, field 6 its description and field 7 its version. Each products
// section that some Windows family would use is checked once.

#include "checker.h"

#include "../catalogue/catalogue.h"
#include "../setupapi/inf.h"

#include <cstring>

namespace {

// Longer than any field the Setup API reads from one line.
const DWORD FieldBufferSize = 4096;

// The longest fields setup.exe can read: its buffers less their zero.
const unsigned MaxKeyLength = ProductKeySize - 1;
const unsigned MaxNameLength = ProductDisplayNameSize - 1;
const unsigned MaxInstallSectionLength = ProductSectionSize - 1;
const unsigned MaxRemoveSectionLength = ProductSectionSize - 1;
const unsigned MaxDescriptionLength = ProductDescriptionSize - 1;
const unsigned MaxVersionLength = ProductVersionSize - 1;

// Length of field `index`, or -1 when the line has no such field; the text in `text`.
int ReadField(const INFCONTEXT* line, DWORD index, char* text)
{
    if (!InfGetField(line, index, text, FieldBufferSize)) return -1;
    return static_cast<int>(std::strlen(text));
}

// True when the key can be the key of a catalogue entry; reports it when it cannot.
bool CheckProductKey(Checker* checker, const char* products, const INFCONTEXT* line, char* key)
{
    const int length = ReadField(line, ProductFieldKey, key);
    if (length < 0) {
        Print(checker, SeverityError, products, line, "products line without a key: setup.exe ignores it");
        return false;
    }
    if (length == 0) {
        Print(checker, SeverityError, products, line, "products line with an empty key: setup.exe ignores it");
        return false;
    }
    if (static_cast<unsigned>(length) > MaxKeyLength) {
        Print(checker, SeverityError, products, line,
              "the key is %d characters long, more than %u: setup.exe ignores the line", length, MaxKeyLength);
        return false;
    }
    return true;
}

// The Setup API answers a field request by key with the first line of that key.
void CheckDuplicateKey(Checker* checker, const char* products, const INFCONTEXT* line, const char* key)
{
    INFCONTEXT first;
    if (InfFindLine(checker->inf, products, key, &first) && first.Line != line->Line)
        Print(checker, SeverityWarning, products, line,
              "product %s has the key of line %u as well: setup.exe reads the fields of that line for both", key,
              first.Line + 1);
}

void CheckDisplayName(Checker* checker, const char* products, const INFCONTEXT* line, const char* key)
{
    char text[FieldBufferSize];
    const int length = ReadField(line, ProductFieldDisplayName, text);
    if (length < 0) {
        Print(checker, SeverityError, products, line,
              "product %s has no display name (field 1): its row on the component page is empty and it is never "
              "registered for removal",
              key);
    } else if (length == 0) {
        Print(checker, SeverityError, products, line,
              "product %s has an empty display name (field 1): its row on the component page is empty", key);
    } else if (static_cast<unsigned>(length) > MaxNameLength) {
        Print(checker, SeverityError, products, line,
              "the display name of product %s is %d characters long, more than %u: setup.exe cannot read it", key,
              length, MaxNameLength);
    }
}

void CheckInstallSection(Checker* checker, const char* products, const INFCONTEXT* line, const char* key)
{
    char section[FieldBufferSize];
    const int length = ReadField(line, ProductFieldInstallSection, section);
    if (length <= 0) {
        Print(checker, SeverityWarning, products, line,
              "product %s has no install section (field 2): it is never offered for installation", key);
    } else if (static_cast<unsigned>(length) > MaxInstallSectionLength) {
        Print(checker, SeverityError, products, line,
              "the install section name of product %s is %d characters long, more than %u: setup.exe cannot read it",
              key, length, MaxInstallSectionLength);
    } else if (!InfSectionExists(checker->inf, section)) {
        Print(checker, SeverityError, products, line,
              "the install section [%s] of product %s is missing or empty: the product installs nothing", section,
              key);
    }
}

void CheckRemoveSection(Checker* checker, const char* products, const INFCONTEXT* line, const char* key)
{
    char section[FieldBufferSize];
    const int length = ReadField(line, ProductFieldRemoveSection, section);
    if (length <= 0) {
        Print(checker, SeverityWarning, products, line,
              "product %s has no remove section (field 3): it gets no uninstall entry", key);
    } else if (static_cast<unsigned>(length) > MaxRemoveSectionLength) {
        Print(checker, SeverityError, products, line,
              "the remove section name of product %s is %d characters long, more than %u: setup.exe cannot read it",
              key, length, MaxRemoveSectionLength);
    } else if (!InfSectionExists(checker->inf, section)) {
        Print(checker, SeverityError, products, line,
              "the remove section [%s] of product %s is missing or empty: removing the product removes nothing",
              section, key);
    }
}

void CheckTextLimits(Checker* checker, const char* products, const INFCONTEXT* line, const char* key)
{
    char text[FieldBufferSize];
    int length = ReadField(line, ProductFieldDescription, text);
    if (length >= 0 && static_cast<unsigned>(length) > MaxDescriptionLength)
        Print(checker, SeverityWarning, products, line,
              "the description of product %s is %d characters long, more than %u: the component page shows none",
              key, length, MaxDescriptionLength);
    length = ReadField(line, ProductFieldVersion, text);
    if (length >= 0 && static_cast<unsigned>(length) > MaxVersionLength)
        Print(checker, SeverityWarning, products, line,
              "the version of product %s is %d characters long, more than %u: it is never compared with an installed "
              "version",
              key, length, MaxVersionLength);
}

void CheckProductLine(Checker* checker, const char* products, const INFCONTEXT* line)
{
    char key[FieldBufferSize];
    if (!CheckProductKey(checker, products, line, key)) return;
    CheckDuplicateKey(checker, products, line, key);
    CheckDisplayName(checker, products, line, key);
    CheckInstallSection(checker, products, line, key);
    CheckRemoveSection(checker, products, line, key);
    CheckTextLimits(checker, products, line, key);
}

} // namespace

void CheckProducts(Checker* checker)
{
    const char* names[FamilyCount];
    const int count = DistinctProductsSections(checker, names);
    for (int i = 0; i < count; ++i) {
        INFCONTEXT line;
        if (!InfFindLine(checker->inf, names[i], nullptr, &line)) continue;
        do CheckProductLine(checker, names[i], &line);
        while (InfNextLine(&line));
    }
}
