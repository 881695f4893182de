// setup.inf in odd encodings and shapes: UTF-16 with a byte order mark, NUL bytes,
// a line of 100000 characters. The program must neither crash nor hang: it either
// opens the script (the wizard's welcome page follows; Cancel ends the program with 0)
// or reports the Setup API's error line.
//
// Observed with Wine 8's Setup API: a UTF-16LE file with BOM is read as text; a NUL
// byte is an ordinary character (so one in the signature makes it no longer match,
// which is reported as line 0, and one before the first section header is text outside
// a section, reported as line 1); a value of 100000 characters is accepted (cut to 511
// characters when read), while a section name that long is an error on its line.

#include "e2e_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// `text` (ASCII) as UTF-16LE with a byte order mark.
std::string Utf16LeWithBom(const std::string& text)
{
    std::string bytes = "\xFF\xFE";
    for (char c : text) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

const std::string ValidText =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "\r\n"
    "[Install]\r\n"
    "CopyFiles=Program.Files\r\n";

// Line 3 opens a section header without its closing bracket.
const std::string BrokenText =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[Install\r\n"
    "CopyFiles=Program.Files\r\n";

} // namespace

TEST(ScriptEncoding, Utf16LittleEndianWithBomIsReadAsText)
{
    e2e::Medium medium("e2e-utf16");
    ASSERT_TRUE(medium.ready);

    ASSERT_TRUE(medium.WriteScript(Utf16LeWithBom(ValidText)));
    EXPECT_WELCOME_PAGE_RUN(e2e::RunToFirstPageAndCancel(medium.exe, "/lang:eng"));

    // The same encoding with an error on line 3: the file is parsed, not skipped.
    ASSERT_TRUE(medium.WriteScript(Utf16LeWithBom(BrokenText)));
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/lang:eng"), e2e::EnglishScriptError(medium.inf, 3));
}

TEST(ScriptEncoding, NulInTheSignatureReportsLineZero)
{
    e2e::Medium medium("e2e-nul-signature");
    ASSERT_TRUE(medium.ready);
    const std::string script = std::string("[Version]\r\n"
                                           "Signature=\"$Chi") + '\0' + "cago$\"\r\n"
                               "[Install]\r\n"
                               "CopyFiles=Program.Files\r\n";
    ASSERT_EQ(std::string::npos, script.find("$Chicago$"));
    ASSERT_TRUE(medium.WriteScript(script));
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/lang:eng"), e2e::EnglishScriptError(medium.inf, 0));
}

TEST(ScriptEncoding, NulBytesBeforeTheFirstSectionReportLineOne)
{
    e2e::Medium medium("e2e-nul-head");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(std::string(16, '\0') + ValidText));
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/lang:eng"), e2e::EnglishScriptError(medium.inf, 1));
    ASSERT_TRUE(medium.WriteScript(std::string(64, '\0')));
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/lang:eng"), e2e::EnglishScriptError(medium.inf, 1));
}

TEST(ScriptEncoding, LineOfHundredThousandCharacters)
{
    e2e::Medium medium("e2e-long-line");
    ASSERT_TRUE(medium.ready);

    // A long value on line 5: the script opens.
    ASSERT_TRUE(medium.WriteScript(ValidText + "Comment=" + std::string(100000 - 8, 'a') + "\r\n"));
    EXPECT_WELCOME_PAGE_RUN(e2e::RunToFirstPageAndCancel(medium.exe, "/lang:eng"));

    // A section header of that length on line 3: an error on that line.
    ASSERT_TRUE(medium.WriteScript("[Version]\r\n"
                                   "Signature=\"$Chicago$\"\r\n"
                                   "[" + std::string(100000 - 2, 's') + "]\r\n"
                                   "CopyFiles=Program.Files\r\n"));
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/lang:eng"), e2e::EnglishScriptError(medium.inf, 3));
}
