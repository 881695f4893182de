// driver.exe: runs a program and answers its message boxes from outside, or walks its
// wizard.
//
//   driver.exe [--timeout MS] [--answer ID] [--folder DIR] -- PROGRAM [ARGS...]
//   driver.exe --walk HANDOVER [--timeout MS] [--pause MS] [--folder DIR] -- PROGRAM [ARGS...]
//
// Starts PROGRAM with ARGS (passed on exactly as written after "--") in DIR, and until
// it ends or MS milliseconds (default 60000) have passed: prints a line
// "BOX caption=<caption> text=<text>" for every message box it shows (carriage returns
// and line feeds written as \r and \n) and answers the box with button ID (default 1,
// IDOK). Then prints "EXIT code=<n>" and returns 0, or, when the limit passed and the
// program was killed, prints "TIMEOUT" and returns 1. Wrong usage or a program that
// cannot be started returns 2.
//
// With --walk the wizard is walked page by page instead (walk.h says how), pausing on
// each page and box until the file "<n>.go" appears in the folder HANDOVER, for MS
// milliseconds at most (--pause, default 60000; --timeout then defaults to 600000).
// It ends with the same EXIT or TIMEOUT line and returns 0 only when the walk reached
// Finish and the program ended by itself.

#include "driver.h"
#include "walk.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// One word of the driver's own command line: its value after the C runtime's quoting
// rules, and where it begins in the raw text.
struct Word {
    std::string value;
    size_t start;
};

// Splits a command line the way the C runtime does (quotes group, backslashes escape a
// quote), keeping each word's position so that the program's part can be passed on
// untouched.
std::vector<Word> SplitCommandLine(const char* text)
{
    std::vector<Word> words;
    size_t i = 0;
    for (;;) {
        while (text[i] == ' ' || text[i] == '\t') ++i;
        if (!text[i]) break;
        Word word = {std::string(), i};
        bool quoted = false;
        while (text[i] && (quoted || (text[i] != ' ' && text[i] != '\t'))) {
            size_t backslashes = 0;
            while (text[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (text[i] == '"') {
                word.value.append(backslashes / 2, '\\');
                if (backslashes % 2) {
                    word.value += '"';
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                word.value.append(backslashes, '\\');
                if (text[i] && (quoted || (text[i] != ' ' && text[i] != '\t'))) word.value += text[i++];
            }
        }
        words.push_back(word);
    }
    return words;
}

std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

bool ParseNumber(const std::string& text, long* value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    *value = std::strtol(text.c_str(), &end, 0);
    return *end == '\0';
}

void PrintBox(const driver::MessageBoxInfo& box, void*)
{
    std::printf("BOX caption=%s text=%s\n", Escaped(box.caption).c_str(), Escaped(box.text).c_str());
    std::fflush(stdout);
}

int Usage()
{
    std::fprintf(stderr, "usage: driver.exe [--timeout MS] [--answer ID] [--folder DIR] -- PROGRAM [ARGS...]\n"
                         "       driver.exe --walk HANDOVER [--timeout MS] [--pause MS] [--folder DIR] -- PROGRAM [ARGS...]\n");
    return 2;
}

} // namespace

int main()
{
    const char* raw = GetCommandLineA();
    const std::vector<Word> words = SplitCommandLine(raw);

    DWORD timeoutMs = 0;
    DWORD pauseMs = 60000;
    int answer = IDOK;
    std::string folder;
    std::string handover;
    size_t programWord = 0;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i].value;
        long number = 0;
        if (word == "--") {
            programWord = i + 1;
            break;
        } else if (word == "--timeout" && i + 1 < words.size() && ParseNumber(words[i + 1].value, &number)
                   && number > 0) {
            timeoutMs = static_cast<DWORD>(number);
            ++i;
        } else if (word == "--answer" && i + 1 < words.size() && ParseNumber(words[i + 1].value, &number)) {
            answer = static_cast<int>(number);
            ++i;
        } else if (word == "--folder" && i + 1 < words.size()) {
            folder = words[i + 1].value;
            ++i;
        } else if (word == "--walk" && i + 1 < words.size()) {
            handover = words[i + 1].value;
            ++i;
        } else if (word == "--pause" && i + 1 < words.size() && ParseNumber(words[i + 1].value, &number)
                   && number > 0) {
            pauseMs = static_cast<DWORD>(number);
            ++i;
        } else {
            return Usage();
        }
    }
    if (!programWord || programWord >= words.size()) return Usage();
    if (!timeoutMs) timeoutMs = handover.empty() ? 60000 : 600000;

    driver::Process process;
    if (!driver::StartProgram(raw + words[programWord].start, folder, &process)) {
        std::fprintf(stderr, "driver: cannot start %s (error %lu)\n", words[programWord].value.c_str(),
                     GetLastError());
        return 2;
    }

    bool completed = true;
    driver::ExitResult result;
    if (handover.empty()) {
        result = driver::AnswerBoxesUntilExit(process, timeoutMs, answer, PrintBox, nullptr);
    } else {
        const walk::WalkResult walked = walk::WalkWizard(process, handover, timeoutMs, pauseMs, PrintBox);
        completed = walked.completed;
        result = walked.exit;
    }
    driver::CloseProcess(&process);
    if (result.killed) {
        std::printf("TIMEOUT\n");
        return 1;
    }
    std::printf("EXIT code=%lu\n", result.exitCode);
    return completed ? 0 : 1;
}
