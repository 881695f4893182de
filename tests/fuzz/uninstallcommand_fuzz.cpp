// The command an uninstall entry holds, read back the way it is used: the first byte is
// the buffer size, then the setup path, a line feed and the product key. A command that
// does not fit is refused with an empty buffer; one that fits starts the setup path as
// Windows splits a command line (up to the closing quote, or the first blank), and the
// rest, read by the program's own command-line reading, removes exactly that key, even
// one with blanks or quotes.

#include "fuzzinput.h"

#include "../../app/startup.h"
#include "../../base/textlist.h"
#include "../../catalogue/uninstallcommand.h"

namespace {

// A name Windows could give a file: no control characters and no double quote.
bool IsPathText(const std::string& text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '"') return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!size) return 0;
    const unsigned capacity = data[0] * 4u;
    const std::vector<std::string> fields = fuzz::SplitFields(data + 1, size - 1);
    const std::string path = fuzz::Text(fields[0]);
    const std::string key = fields.size() > 1 ? fuzz::Text(fields[1]) : std::string();

    fuzz::Block command(capacity, 'G');
    const int built = BuildUninstallCommand(path.c_str(), key.c_str(), command.data(), capacity);
    const bool quoted = path.find(' ') != std::string::npos;
    // A key without blanks and quotes is written as it is; others take more room.
    const bool plainKey = key.find_first_of(" \"") == std::string::npos;
    const size_t length = path.size() + (quoted ? 2 : 0) + 9 + key.size();
    if (plainKey && length >= capacity) {
        FUZZ_CHECK(built == 0);
        if (capacity) FUZZ_CHECK(command.data()[0] == '\0');
        return 0;
    }
    if (!built) {
        FUZZ_CHECK(!plainKey);
        if (capacity) FUZZ_CHECK(command.data()[0] == '\0');
        return 0;
    }
    const std::string text = command.data();
    FUZZ_CHECK(text.size() < capacity);
    if (plainKey) FUZZ_CHECK(text.size() == length);
    if (!IsPathText(path) || path.empty()) return 0;

    // The program, as Windows reads it from the command.
    size_t programEnd;
    std::string program;
    if (text[0] == '"') {
        programEnd = text.find('"', 1);
        FUZZ_CHECK(programEnd != std::string::npos);
        program = text.substr(1, programEnd - 1);
        ++programEnd;
    } else {
        programEnd = text.find(' ');
        program = text.substr(0, programEnd);
    }
    FUZZ_CHECK(program == path);

    // The rest, read by the program, removes exactly the key, blanks and quotes included.
    for (char c : key) {
        if (static_cast<unsigned char>(c) < 0x20) return 0;
    }
    if (key.empty() || key.size() + 2 > SelectedProductsSize) return 0;
    std::vector<char> rest(text.begin() + static_cast<long>(programEnd), text.end());
    rest.push_back('\0');
    std::unique_ptr<RunOptions> options(new RunOptions);
    InitRunOptions(options.get());
    ParseCommandLine(rest.data(), options.get());
    FUZZ_CHECK(options->Action == ActionRemove);
    FUZZ_CHECK(options->UnattendedList == nullptr);
    FUZZ_CHECK(TextListCount(options->SelectedProducts) == 1);
    FUZZ_CHECK(key == TextListItem(options->SelectedProducts, 0));
    TextListFree(options->SelectedProducts);
    return 0;
}
