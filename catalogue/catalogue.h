// The product catalogue: the products that this run offers, by key, in the order of the
// lines of the products section; and the lists built from it (selected products, the
// install and remove section lists) and the questions answered from it (flags, versions,
// restart). Only the keys are kept; every other field is read from setup.inf by key
// when it is needed.
//
// Products line: Key = display name, install section, remove section, flags,
// image number, description, version. Flags: 1 checked by default, 2 restart needed,
// 4 may need the Windows CD.
#pragma once

#include <windows.h>
#include <setupapi.h>

// The fields of a products line, by index (the key is field 0).
enum ProductField {
    ProductFieldKey = 0,
    ProductFieldDisplayName = 1,
    ProductFieldInstallSection = 2,
    ProductFieldRemoveSection = 3,
    ProductFieldFlags = 4,
    ProductFieldImage = 5,
    ProductFieldDescription = 6,
    ProductFieldVersion = 7,
};

const int ProductFlagChecked = 1;
const int ProductFlagRestart = 2;
const int ProductFlagWindowsCd = 4;

// The buffers the products line's fields are read into, their zero included: a longer
// field cannot be read (infcheck reports it). A key that does not fit makes no catalogue
// entry; a display name or section name that does not fit makes no row or no uninstall
// entry; a description that does not fit is not shown; a version that does not fit is
// never compared with an installed one.
const DWORD ProductKeySize = 128;
const DWORD ProductDisplayNameSize = 256;
const DWORD ProductSectionSize = 256;
const DWORD ProductDescriptionSize = 1024;
const DWORD ProductVersionSize = 128;

// The section list that the step runner works through: a built text list (TextListKeep),
// null until the first worker builds it.
extern char* g_SectionList;

void ResetProductCatalogue();
// Appends a key, growing the buffer; `capacity` is the buffer's recorded size. 0 when
// the buffer could not grow (the key is then not added).
int AppendProduct(const char* key, DWORD* capacity);
int ProductCount();
const char* ProductKey(int index);
int GetProductField(HINF inf, int index, DWORD field, char* buffer, DWORD size, const char* productsSection);
void FreeProductCatalogue();

// Builds the catalogue from `productsSection`; in install mode (action 0) a product is
// taken only when its install section's conditions hold. Returns the number of
// products taken (after showing why when it is 0), or 1 when the section is missing.
int BuildProductCatalogue(HINF inf, HWND owner, HINSTANCE instance, const char* productsSection, int action);

// Offered minus installed version of catalogue entry `index`; 0 when equal or when
// either version cannot be read.
int CompareInstalledVersion(HINF inf, int index);

// A row of the component list, as the catalogue hands it out. A catalogue entry whose
// products line gives it no install section when found by its key gets no row: it is
// not offered.
struct ProductRow {
    int Index;         // the entry's catalogue index (an entry may have no row)
    const char* Name;  // the display name; valid during the call only
    long Image;        // image number
    int Newer;         // a newer version of the product is installed
    int Checked;       // checked by default: flag 1, unless a newer version is installed
};
typedef void (*ProductRowFunction)(const ProductRow* row, void* context);
// Hands the rows to `take` in catalogue order; returns the number of catalogue entries.
int ListProductRows(HINF inf, ProductRowFunction take, void* context);

// The lists below are built anew in heap blocks (TextListKeep) and replace the list
// that *selected or *sections held; the list grows as long as needed. When memory runs
// out, SelectProducts and SelectProductsByName leave the former list and answer 0
// (SelectProducts otherwise 1, SelectProductsByName the number of products selected).
//
// SelectProducts takes the entries, in catalogue order, for whose index `chosen` answers
// non-zero; it asks for every index in ascending order.
typedef int (*ProductChoiceFunction)(int index, void* context);
int SelectProducts(ProductChoiceFunction chosen, void* context, char** selected);
int SelectProductsByName(const char* names, char** selected);
int GetProductDescription(HINF inf, int index, char* buffer, DWORD size);

// The main install section and the selected products' install sections; a product
// whose section cannot be added (memory ran out) is taken out of `selected`.
int CollectInstallSections(HINF inf, char* selected, char** sections);
int CollectRemoveSections(HINF inf, const char* selected, char** sections);
int CountProductsWithFlags(HINF inf, const char* keys, int mask);
int IsRestartRequired(HINF inf, const char* selected);
