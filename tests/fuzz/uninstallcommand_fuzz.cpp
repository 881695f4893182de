// The command an uninstall entry holds, read back the way it is used: the first byte is
// the buffer size, then the setup path, a line feed and the product key. A command that
// does not fit is refused with an empty buffer; one that fits starts the setup path as
// Windows splits a command line (up to the closing quote, or the first blank), and the
// rest, read by the program's own command-line reading, removes exactly that key.

#include "fuzzinput.h"

#include "../../app/startup.h"
#include "../../catalogue/textlist.h"
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
    const size_t length = path.size() + (quoted ? 2 : 0) + 9 + key.size();
    if (length >= capacity) {
        FUZZ_CHECK(built == 0);
        if (capacity) FUZZ_CHECK(command.data()[0] == '\0');
        return 0;
    }
    FUZZ_CHECK(built == 1);
    const std::string text = command.data();
    FUZZ_CHECK(text.size() == length);
    if (!IsPathText(path) || !IsPathText(key) || path.empty()) return 0;

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

    // A key with a blank would be read as two tokens: such keys do not come back whole
    // from a command line, so only keys without one are followed further.
    if (key.empty() || key.find(' ') != std::string::npos || key.size() + 2 > SelectedProductsSize) return 0;
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
