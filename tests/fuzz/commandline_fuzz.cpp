// The command line: any text after the program name is read into the run options
// without a step outside the text or the options; the selected products stay a
// terminated list within their block; the unattended list points into the text; only
// valid styles, languages and actions come out. Also the mutex name and the cut at the
// last backslash, with the input as a program path.

#include "fuzzinput.h"

#include "../../app/startup.h"
#include "../../base/pathtext.h"
#include "../../base/textlist.h"

namespace {

bool IsKnownLanguage(unsigned short language)
{
    static const unsigned short known[] = {0x0409, 0x0407, 0x040C, 0x0410, 0x000A, 0x0413};
    for (unsigned short k : known) {
        if (k == language) return true;
    }
    return false;
}

void CheckOptions(const std::string& line)
{
    fuzz::Block text(line.size() + 1);
    std::memcpy(text.data(), line.c_str(), line.size() + 1);
    // The options record on the heap too, so a write past SelectedProducts is seen.
    std::unique_ptr<RunOptions> options(new RunOptions);
    InitRunOptions(options.get());
    options->Language = 0x0407;
    options->WizardStyle = Wizard97Composed;
    ParseCommandLine(text.data(), options.get());

    const char* list = options->SelectedProducts ? options->SelectedProducts : "";
    const fuzz::WalkedList selected = fuzz::WalkList(list, SelectedProductsSize);
    FUZZ_CHECK(selected.endMark < SelectedProductsSize);
    FUZZ_CHECK(selected.strings.size() <= 1);
    if (options->UnattendedList) {
        FUZZ_CHECK(options->UnattendedList >= text.data());
        FUZZ_CHECK(options->UnattendedList < text.data() + text.capacity());
    }
    FUZZ_CHECK(options->WizardStyle >= Classic && options->WizardStyle <= Wizard97Resources);
    FUZZ_CHECK(options->Action == ActionInstall || options->Action == ActionRemove);
    FUZZ_CHECK(options->Language == 0x0407 || IsKnownLanguage(options->Language));
    TextListFree(options->SelectedProducts);
}

// The command an uninstall entry holds gives back its key: "/remove:KEY" selects
// exactly that product whatever stands around it. (Keys with blanks or quotes are
// written quoted; the uninstall command's target follows those.)
void CheckRemoveRoundTrip(const std::string& key)
{
    if (key.empty() || key.find_first_of(" \"") != std::string::npos || key.size() + 2 > SelectedProductsSize) return;
    std::string line = "  /remove:" + key + "  ";
    std::vector<char> text(line.begin(), line.end());
    text.push_back('\0');
    std::unique_ptr<RunOptions> options(new RunOptions);
    InitRunOptions(options.get());
    ParseCommandLine(text.data(), options.get());
    FUZZ_CHECK(options->Action == ActionRemove);
    FUZZ_CHECK(TextListCount(options->SelectedProducts) == 1);
    FUZZ_CHECK(key == TextListItem(options->SelectedProducts, 0));
    TextListFree(options->SelectedProducts);
}

void CheckMutexName(const std::string& path)
{
    const size_t size = path.size() % 300;
    fuzz::Block name(size, 'G');
    MakeInstanceMutexName(path.c_str(), name.data(), size);
    if (!size) {
        FUZZ_CHECK(name.data()[0] == 'G');  // nothing written into no room
        return;
    }
    const size_t length = std::strlen(name.data());
    FUZZ_CHECK(length < size);
    FUZZ_CHECK(length == std::min(path.size(), size - 1));
    for (size_t i = 0; i < length; ++i) {
        const char c = path[i];
        const char expected = c == '\\' ? '_' : (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        FUZZ_CHECK(name.data()[i] == expected);
    }
}

void CheckCut(const std::string& path, int keepBackslash)
{
    fuzz::Block text(path.size() + 1);
    std::memcpy(text.data(), path.c_str(), path.size() + 1);
    CutAtLastBackslash(text.data(), keepBackslash);
    const std::string cut = text.data();
    const size_t last = path.rfind('\\');
    if (last == std::string::npos) {
        FUZZ_CHECK(cut == path);
    } else {
        const bool driveRoot = last == 2 && path[1] == ':';
        FUZZ_CHECK(cut == path.substr(0, keepBackslash || driveRoot ? last + 1 : last));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string line = fuzz::Text(std::string(reinterpret_cast<const char*>(data), size));
    CheckOptions(line);
    CheckRemoveRoundTrip(line);
    CheckMutexName(line);
    CheckCut(line, 0);
    CheckCut(line, 1);
    return 0;
}
