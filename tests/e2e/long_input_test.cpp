// Long input from outside: a command line of about 32 KiB and a program path of 250
// characters. Neither may crash the program or cut its message: the script error is
// shown whole and the program ends with 0.

#include "e2e_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const BrokenScript =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[Install\r\n"
    "CopyFiles=Program.Files\r\n";

// CreateProcessA takes at most 32767 characters with the terminating zero.
const size_t CommandLineLimit = 32767;

} // namespace

TEST(LongInput, CommandLineOf32KiB)
{
    e2e::Medium medium("e2e-long-args");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(BrokenScript));

    // A 30000-character option among others; the language comes last, so the German
    // text shows that every token after the long one was still read.
    const std::string program = testsupport::Quote(medium.exe) + " ";
    const std::string last = " /lang:ger";
    std::string arguments = "/lang:eng /quiet:" + std::string(30000, 'q') + " /reboot:0 /style:1";
    while (program.size() + arguments.size() + 9 + last.size() < CommandLineLimit - 64) arguments += " /unknown";
    arguments += last;
    const size_t length = program.size() + arguments.size();
    ASSERT_GT(length, CommandLineLimit - 100);
    ASSERT_LT(length, CommandLineLimit);

    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, arguments), e2e::GermanScriptError(medium.inf, 3));
}

TEST(LongInput, ProgramPathNearMaxPath)
{
    e2e::Medium medium("e2e-long-path", 250);
    ASSERT_TRUE(medium.ready);
    ASSERT_EQ(250u, medium.exe.size());
    ASSERT_TRUE(medium.WriteScript(BrokenScript));

    // The composed message is longer than the 256 bytes of its format.
    const std::string english = e2e::EnglishScriptError(medium.inf, 3);
    const std::string german = e2e::GermanScriptError(medium.inf, 3);
    ASSERT_GT(english.size(), 256u);
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/lang:eng"), english);
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/lang:ger"), german);
}
