// Reading setup.inf through the Setup API adapter: opening and its error lines, finding
// lines by key, fields by index, and numbers in both of their forms.

#include "../../setupapi/inf.h"
#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class Script : public ::testing::Test {
protected:
    void SetUp() override { folder_ = testsupport::MakeScratchFolder("script"); }
    void TearDown() override
    {
        if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
        testsupport::RemoveTree(folder_);
    }

    // Writes `text` as setup.inf and opens it; the error line lands in errorLine_.
    HINF Open(const std::string& text)
    {
        const std::string path = folder_ + "\\setup.inf";
        EXPECT_TRUE(testsupport::WriteFile(path, text));
        errorLine_ = 0xdeadbeef;
        inf_ = InfOpen(path.c_str(), &errorLine_);
        return inf_;
    }

    std::string folder_;
    HINF inf_ = INVALID_HANDLE_VALUE;
    UINT errorLine_ = 0;
};

const char kScript[] =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[Products]\r\n"
    "Client=Norvale Client,Client.Install,,1,3,\"A, quoted description\"\r\n"
    "Tools=\"Tools\",,Tools.Remove\r\n"
    "[Numbers]\r\n"
    "Decimal=  -12abc,+7,x,2.10\r\n"
    "Exec=0x10,010,08,0x,-0x2\r\n"
    "[Empty]\r\n"
    "[Keyless]\r\n"
    "just,fields\r\n";

TEST_F(Script, OpensAWindows95StyleScript)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kScript));
    EXPECT_EQ(0u, errorLine_);
}

TEST_F(Script, AFileThatCannotBeReadReportsLineZero)
{
    errorLine_ = 0xdeadbeef;
    HINF inf = InfOpen((folder_ + "\\missing.inf").c_str(), &errorLine_);
    EXPECT_EQ(INVALID_HANDLE_VALUE, inf);
    EXPECT_EQ(0u, errorLine_);
}

TEST_F(Script, ASyntaxErrorReportsItsLine)
{
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open("[Version]\r\nSignature=\"$Chicago$\"\r\n[Install\r\nA=1\r\n"));
    EXPECT_EQ(3u, errorLine_);
}

TEST_F(Script, LinesAreFoundByKeyIgnoringCase)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kScript));
    INFCONTEXT line;
    ASSERT_EQ(1, InfFindLine(inf_, "products", "TOOLS", &line));
    char text[256];
    ASSERT_EQ(1, InfGetField(&line, 0, text, sizeof text));
    EXPECT_STREQ("Tools", text);
    EXPECT_EQ(0, InfFindLine(inf_, "Products", "Other", &line));
    EXPECT_EQ(0, InfFindLine(inf_, "Missing", nullptr, &line));

    // Without a key, the first line of the section; then the next ones in order.
    ASSERT_EQ(1, InfFindLine(inf_, "Products", nullptr, &line));
    InfGetField(&line, 0, text, sizeof text);
    EXPECT_STREQ("Client", text);
    ASSERT_EQ(1, InfNextLine(&line));
    InfGetField(&line, 0, text, sizeof text);
    EXPECT_STREQ("Tools", text);
    EXPECT_EQ(0, InfNextLine(&line));
}

TEST_F(Script, EmptySectionsCountAsMissing)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kScript));
    EXPECT_EQ(1, InfSectionExists(inf_, "Products"));
    EXPECT_EQ(0, InfSectionExists(inf_, "Empty"));
    EXPECT_EQ(0, InfSectionExists(inf_, "Nowhere"));
}

TEST_F(Script, FieldsByIndex)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kScript));
    char text[256];
    EXPECT_EQ(1, InfGetKeyField(inf_, "Products", "Client", 1, text, sizeof text));
    EXPECT_STREQ("Norvale Client", text);
    EXPECT_EQ(1, InfGetKeyField(inf_, "Products", "Client", 6, text, sizeof text));
    EXPECT_STREQ("A, quoted description", text);
    // A present empty field reads as empty text; a missing one cannot be read.
    EXPECT_EQ(1, InfGetKeyField(inf_, "Products", "Client", 3, text, sizeof text));
    EXPECT_STREQ("", text);
    EXPECT_EQ(0, InfGetKeyField(inf_, "Products", "Client", 7, text, sizeof text));
    EXPECT_STREQ("", text);
    EXPECT_EQ(0, InfGetKeyField(inf_, "Products", "Nobody", 1, text, sizeof text));
}

TEST_F(Script, AFieldLongerThanTheBufferCannotBeRead)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kScript));
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(0, InfGetKeyField(inf_, "Products", "Client", 1, small, sizeof small));
    EXPECT_EQ('\0', small[0]);
    char exact[15];  // "Norvale Client" and its zero
    EXPECT_EQ(1, InfGetKeyField(inf_, "Products", "Client", 1, exact, sizeof exact));
}

TEST_F(Script, DecimalFieldsReadLikeAtol)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kScript));
    INFCONTEXT line;
    ASSERT_EQ(1, InfFindLine(inf_, "Numbers", "Decimal", &line));
    const long expected[] = {-12, 7, 0, 2};
    for (DWORD i = 0; i < 4; ++i) {
        long value = 99;
        ASSERT_EQ(1, InfGetDecimalField(&line, i + 1, &value)) << i;
        EXPECT_EQ(expected[i], value) << i;
    }
    long value = 99;
    EXPECT_EQ(0, InfGetDecimalField(&line, 5, &value));
    EXPECT_EQ(99, value);
}

TEST_F(Script, ExecIntegersAcceptHexadecimalAndOctal)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kScript));
    INFCONTEXT line;
    ASSERT_EQ(1, InfFindLine(inf_, "Numbers", "Exec", &line));
    const long expected[] = {16, 8, 0, 0, -2};
    for (DWORD i = 0; i < 5; ++i) {
        long value = 99;
        ASSERT_EQ(1, InfGetIntegerField(&line, i + 1, 16, &value)) << i;
        EXPECT_EQ(expected[i], value) << i;
    }
}

TEST_F(Script, LinesWithoutAKeyHaveNoField0)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kScript));
    INFCONTEXT line;
    ASSERT_EQ(1, InfFindLine(inf_, "Keyless", nullptr, &line));
    char text[256];
    EXPECT_EQ(1, InfGetField(&line, 1, text, sizeof text));
    EXPECT_STREQ("just", text);
    InfGetField(&line, 0, text, sizeof text);
    EXPECT_STREQ("", text);
}

} // namespace
