// The interface language as the user meets it. The program has its dialogs and strings
// in German, English and French and starts in the user's language when it has it (or one
// of the same primary language), else in English; "/lang:" overrides that.
//
//  - InterfaceLanguage: "/lang:eng", "/lang:ger" and "/lang:fre" give the welcome page,
//    the target directory page and the install page (their own texts and, in the classic
//    style, the header texts) in that language; "/lang:ita" keeps English pages, since
//    the resource loader falls back, but asks the system for Italian error texts.
//  - LanguageDetection: the language functions as other Windows versions run them
//    (through the platform probe): the dialog languages of the welcome page, the default
//    user's "Locale" on NT 4 and the ResourceLocale key on Windows 98. The tests that
//    change those machine-wide values save and restore them and hold the UserLanguage
//    lock.
//  - UserLocale: the user's language from the Unix locale. Wine takes the locale of
//    every process from the Unix environment of the first Wine process of the chain
//    (an LC_ALL in the Windows environment of a child is ignored), so ctest starts each
//    of these tests with its own LC_ALL; run without it, a test reports itself skipped
//    (and ctest counts a skip as a failure).

#include "e2e_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// ---- Texts ----

// The test's texts are written in UTF-8; the program shows ANSI text (code page 1252).
std::string Ansi(const char* utf8)
{
    WCHAR wide[1024];
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 1024);
    if (units <= 0) return std::string();
    char text[2048];
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return bytes > 0 ? std::string(text) : std::string();
}

struct LanguageTexts {
    const char* name;
    const char* welcome;         // welcome page, 1203
    const char* targetTitle;     // target page header, 0xFFF0 and 0xFFF1
    const char* targetSubtitle;
    const char* targetText;      // target page 1202, 1203 and the Browse button 1209
    const char* targetLabel;
    const char* browse;
    const char* installTitle;    // install page header
    const char* installSubtitle;
    const char* installReady;    // install page 65534 and 65535
    const char* installClick;
    const char* failed;          // string 1311, the failed installation
};

const LanguageTexts English = {
    "English",
    "Norvale Tessaro QX-40 Client Manager.\r\rClick on 'Next' to continue the installation.",
    "Target Directory",
    "You can select a target directory where the software should be installed.",
    "Please enter the target directory where the software should be installed. Or, search for the apropriate "
    "folder by clicking Browse.",
    "&Target directory:",
    "B&rowse...",
    "Carry out Installation",
    "The installation can now be performed.",
    "Setup is now ready to install the selected software.",
    "Click on the Next button to start the installation.",
    "The installation did not complete successfully.",
};

const LanguageTexts German = {
    "German",
    "Norvale Tessaro QX-40 Client Manager.\r\rKlicken Sie auf 'Weiter', um die Installation zu beginnen.",
    "Zielverzeichnis",
    "Wählen Sie das Zielverzeichnis, in welches die Software installiert werden soll.",
    "Bitte geben Sie ein Verzeichnis ein, in das die Software installiert werden soll. Oder wählen Sie ein "
    "Verzeichnis aus, indem Sie auf Suchen klicken.",
    "Ziel&verzeichnis:",
    "&Suchen...",
    "Installation durchführen",
    "Die Installation kann nun durchgeführt werden.",
    "Setup ist nun bereit, die von Ihnen ausgewählte Software zu installieren.",
    "Klicken Sie auf 'Weiter', um die Installation zu beginnen.",
    "Die Installation konnte nicht erfolgreich durchgeführt werden.",
};

const LanguageTexts French = {
    "French",
    "Norvale Tessaro QX-40 Client Manager.\r\rPour commencer l'installation, cliquez sur Suivant.",
    "Répertoire d'installation",
    "Vous pouvez sélectionner le répertoire dans lequel le logiciel doit être installé.",
    "Entrez le répertoire dans lequel le logiciel doit être installé. Ou sélectionnez un répertoire en cliquant "
    "sur Parcourir.",
    "Répertoire &cible :",
    "&Parcourir...",
    "Installer",
    "L'installation peut être effectuée maintenant.",
    "Le logiciel d'installation est prêt à installer les composants sélectionnés.",
    "Cliquez sur 'Suivant' pour commencer l'installation.",
    "L'installation n'a pas pu être effectuée correctement.",
};

// No products (the component page skips itself), no licence: welcome, target directory
// and install page follow each other. Nothing is installed.
const char* const PlainScript =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[Install]\r\n"
    "Reboot=0\r\n";

// A script whose installation fails: the one file to copy is not on the medium.
const char* const FailingScript =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[DestinationDirs]\r\n"
    "DefaultDestDir=11\r\n"
    "[Install]\r\n"
    "CopyFiles=Missing.Files\r\n"
    "[Missing.Files]\r\n"
    "e2e-language-missing.txt\r\n"
    "[SourceDisksNames]\r\n"
    "1=\"Medium\",,,\r\n"
    "[SourceDisksFiles]\r\n"
    "e2e-language-missing.txt=1\r\n";

const WORD LangEnglish = 0x0409;
const WORD LangGerman = 0x0407;
const WORD LangFrench = 0x040C;
const WORD LangItalian = 0x0410;

// The system's text for a Win32 error code in `language`, empty when it has none.
std::string SystemText(DWORD code, WORD language)
{
    char* buffer = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       nullptr, code, language, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length && buffer ? std::string(buffer, length) : std::string();
    if (buffer) LocalFree(buffer);
    return text;
}

// The Win32 error code whose English system text is `text`, or 0. The box shows only the
// text; finding the code lets the test name the texts that other languages must show,
// whatever code the failure has on this system.
DWORD CodeOfEnglishText(const std::string& text)
{
    if (text.empty()) return 0;
    for (DWORD code = 1; code < 16000; ++code) {
        if (SystemText(code, LangEnglish) == text) return code;
    }
    return 0;
}


// ---- Runs ----

const char* const ProductTitle = "Norvale Tessaro QX-40 Client Manager";

using e2e::DescribeBoxes;

// What the pages of an interactive run showed, walked from the welcome page to the install
// page, where the run is cancelled.
struct PagesSeen {
    bool started = false;
    bool welcome = false, target = false, install = false;   // reached
    std::string welcomeTitle, welcomeText;
    std::string targetTitle, targetSubtitle, targetText, targetLabel, browse;
    std::string installTitle, installSubtitle, installReady, installClick;
    driver::WizardButtons lastButtons;
    std::vector<driver::MessageBoxInfo> boxes;
    driver::ExitResult exit;
};

std::string Text(HWND sheet, int id)
{
    bool found = false;
    const std::string text = driver::PageControlText(sheet, id, &found);
    return found ? text : "<no control " + std::to_string(id) + ">";
}

// Presses Next once the sheet offers exactly `buttons`, as a user would.
bool NextWhenReady(HWND sheet, const driver::WizardButtons& buttons, PagesSeen* seen)
{
    if (!driver::WaitForWizardButtons(sheet, buttons, e2e::WaitLimitMs, &seen->lastButtons)) return false;
    return driver::PressWizardButton(sheet, driver::WizardNext);
}

PagesSeen WalkPages(const std::string& exe, const std::string& arguments)
{
    PagesSeen seen;
    e2e::Running setup;
    seen.started = e2e::StartSetup(exe, arguments, &setup);
    if (!seen.started) return seen;
    driver::WizardButtons nextOnly, backNext;
    nextOnly.next = nextOnly.cancel = true;
    backNext.back = backNext.next = backNext.cancel = true;

    HWND sheet = driver::WaitForPropertySheet(setup.process, e2e::WaitLimitMs);
    if (sheet && driver::WaitForPageIndex(sheet, 0, e2e::WaitLimitMs)) {
        seen.welcome = true;
        seen.welcomeTitle = Text(sheet, 1202);
        seen.welcomeText = Text(sheet, 1203);
        if (NextWhenReady(sheet, nextOnly, &seen) && driver::WaitForPageIndex(sheet, 3, e2e::WaitLimitMs)) {
            seen.target = true;
            seen.targetTitle = Text(sheet, 0xFFF0);
            seen.targetSubtitle = Text(sheet, 0xFFF1);
            seen.targetText = Text(sheet, 1202);
            seen.targetLabel = Text(sheet, 1203);
            seen.browse = Text(sheet, 1209);
            if (NextWhenReady(sheet, backNext, &seen) && driver::WaitForPageIndex(sheet, 4, e2e::WaitLimitMs)) {
                seen.install = true;
                seen.installTitle = Text(sheet, 0xFFF0);
                seen.installSubtitle = Text(sheet, 0xFFF1);
                seen.installReady = Text(sheet, 65534);
                seen.installClick = Text(sheet, 65535);
            }
        }
    }
    if (sheet) driver::PressWizardButton(sheet, driver::WizardCancel);
    // Nothing here needs a restart; should a box come anyway, No never restarts.
    seen.exit = driver::AnswerBoxesUntilExit(setup.process, e2e::WaitLimitMs, IDNO, e2e::RecordBox, &seen.boxes);
    return seen;
}

void ExpectPagesIn(const PagesSeen& seen, const LanguageTexts& texts, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, std::string("pages expected in ") + texts.name);
    ASSERT_TRUE(seen.started);
    ASSERT_TRUE(seen.welcome) << "no welcome page";
    EXPECT_EQ(ProductTitle, seen.welcomeTitle);
    EXPECT_EQ(Ansi(texts.welcome), seen.welcomeText);
    ASSERT_TRUE(seen.target) << "no target directory page; buttons:" << driver::DescribeWizardButtons(seen.lastButtons);
    EXPECT_EQ(Ansi(texts.targetTitle), seen.targetTitle);
    EXPECT_EQ(Ansi(texts.targetSubtitle), seen.targetSubtitle);
    EXPECT_EQ(Ansi(texts.targetText), seen.targetText);
    EXPECT_EQ(Ansi(texts.targetLabel), seen.targetLabel);
    EXPECT_EQ(Ansi(texts.browse), seen.browse);
    ASSERT_TRUE(seen.install) << "no install page; buttons:" << driver::DescribeWizardButtons(seen.lastButtons);
    EXPECT_EQ(Ansi(texts.installTitle), seen.installTitle);
    EXPECT_EQ(Ansi(texts.installSubtitle), seen.installSubtitle);
    EXPECT_EQ(Ansi(texts.installReady), seen.installReady);
    EXPECT_EQ(Ansi(texts.installClick), seen.installClick);
    EXPECT_TRUE(seen.boxes.empty()) << DescribeBoxes(seen.boxes);
    EXPECT_TRUE(seen.exit.exited) << "setup.exe did not end after Cancel";
    EXPECT_EQ(0u, seen.exit.exitCode);
}

#define EXPECT_PAGES_IN(seen, texts) ExpectPagesIn((seen), (texts), __FILE__, __LINE__)

// The welcome page only: its text, then Cancel.
struct WelcomeSeen {
    bool started = false;
    bool shown = false;
    std::string text;
    std::vector<driver::MessageBoxInfo> boxes;
    driver::ExitResult exit;
};

WelcomeSeen ReadWelcomePage(const std::string& exe, const std::string& arguments)
{
    WelcomeSeen seen;
    e2e::Running setup;
    seen.started = e2e::StartSetup(exe, arguments, &setup);
    if (!seen.started) return seen;
    HWND sheet = driver::WaitForPropertySheet(setup.process, e2e::WaitLimitMs);
    if (sheet && driver::WaitForPageIndex(sheet, 0, e2e::WaitLimitMs)) {
        seen.shown = true;
        seen.text = Text(sheet, 1203);
    }
    if (sheet) driver::PressWizardButton(sheet, driver::WizardCancel);
    seen.exit = driver::AnswerBoxesUntilExit(setup.process, e2e::WaitLimitMs, IDNO, e2e::RecordBox, &seen.boxes);
    return seen;
}

void ExpectWelcomeIn(const WelcomeSeen& seen, const LanguageTexts& texts, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, std::string("welcome page expected in ") + texts.name);
    ASSERT_TRUE(seen.started);
    ASSERT_TRUE(seen.shown) << "no welcome page; boxes:" << DescribeBoxes(seen.boxes);
    EXPECT_EQ(Ansi(texts.welcome), seen.text);
    EXPECT_TRUE(seen.boxes.empty()) << DescribeBoxes(seen.boxes);
    EXPECT_TRUE(seen.exit.exited);
    EXPECT_EQ(0u, seen.exit.exitCode);
}

#define EXPECT_WELCOME_IN(seen, texts) ExpectWelcomeIn((seen), (texts), __FILE__, __LINE__)

// An unattended run that fails: the text of its error box (answered with OK); the
// wizard, which waits for the user after a failure, is then cancelled.
struct FailureSeen {
    bool started = false;
    bool boxShown = false;
    std::string text;
    driver::ExitResult exit;
};

FailureSeen RunFailing(const std::string& exe, const std::string& arguments)
{
    FailureSeen seen;
    e2e::Running setup;
    seen.started = e2e::StartSetup(exe, arguments, &setup);
    if (!seen.started) return seen;
    driver::MessageBoxInfo box;
    if (driver::WaitForMessageBox(setup.process, e2e::WaitLimitMs, &box)) {
        seen.boxShown = true;
        seen.text = box.text;
        driver::AnswerMessageBox(box.window, IDOK);
        driver::WaitForWindowGone(box.window, e2e::WaitLimitMs);
    }
    if (HWND sheet = driver::FindPropertySheet(setup.process.id)) driver::PressWizardButton(sheet, driver::WizardCancel);
    seen.exit = driver::AnswerBoxesUntilExit(setup.process, e2e::WaitLimitMs, IDNO, nullptr, nullptr);
    return seen;
}

// Splits the error box's text into the program's sentence and the system's text.
bool SplitFailure(const std::string& text, std::string* sentence, std::string* system)
{
    const size_t gap = text.find("\r\n\r\n");
    if (gap == std::string::npos) return false;
    *sentence = text.substr(0, gap);
    *system = text.substr(gap + 4);
    return true;
}

// The failing run with /lang:eng: the code of its failure, found from the system text
// the English box shows.
DWORD FailureCode(const std::string& exe)
{
    const FailureSeen english = RunFailing(exe, "/quiet /lang:eng");
    EXPECT_TRUE(english.boxShown) << "the failing installation showed no error box";
    std::string sentence, system;
    EXPECT_TRUE(SplitFailure(english.text, &sentence, &system)) << english.text;
    EXPECT_EQ(English.failed, sentence);
    const DWORD code = CodeOfEnglishText(system);
    EXPECT_NE(0u, code) << "no system text equals \"" << system << "\"";
    return code;
}

void ExpectFailureBox(const FailureSeen& seen, const LanguageTexts& sentence, DWORD code, WORD systemLanguage,
                      const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, std::string("sentence expected in ") + sentence.name);
    ASSERT_TRUE(seen.started);
    ASSERT_TRUE(seen.boxShown);
    EXPECT_EQ(Ansi(sentence.failed) + "\r\n\r\n" + SystemText(code, systemLanguage), seen.text);
    EXPECT_TRUE(seen.exit.exited);
    EXPECT_EQ(0u, seen.exit.exitCode);
}

#define EXPECT_FAILURE_BOX(seen, sentence, code, language) \
    ExpectFailureBox((seen), (sentence), (code), (language), __FILE__, __LINE__)

// ---- Probe runs and machine-wide values ----

// The platform probe's "language" answers for the dialogs of build\setup.exe, run as
// `version` ("" runs it as the prefix's own version).
struct ProbeAnswer {
    bool ran = false;
    std::string detected, chosen, languages, count, uiLanguage;
    std::string output;
};

ProbeAnswer ProbeLanguage(const std::string& version)
{
    ProbeAnswer answer;
    const std::string original = testsupport::TestFolder() + "\\platform_probe.exe";
    const std::string probe = version.empty() ? original : testsupport::ProgramAsVersion(original, version);
    if (probe.empty()) return answer;
    const testsupport::ProcessResult run =
        testsupport::RunProgram(testsupport::Quote(probe) + " language " + testsupport::Quote(testsupport::SetupExePath()),
                                "", e2e::WaitLimitMs);
    answer.ran = run.finished && run.exitCode == 0;
    answer.output = run.output;
    size_t at = 0;
    while (at < run.output.size()) {
        size_t end = run.output.find('\n', at);
        if (end == std::string::npos) end = run.output.size();
        std::string entry = run.output.substr(at, end - at);
        if (!entry.empty() && entry.back() == '\r') entry.pop_back();
        const size_t equals = entry.find('=');
        if (equals != std::string::npos) {
            const std::string name = entry.substr(0, equals), value = entry.substr(equals + 1);
            if (name == "detected") answer.detected = value;
            if (name == "chosen") answer.chosen = value;
            if (name == "languages") answer.languages = value;
            if (name == "count") answer.count = value;
            if (name == "interface") answer.uiLanguage = value;
        }
        at = end + 1;
    }
    if (!version.empty()) {
        testsupport::SetWindowsVersionFor(probe.substr(probe.find_last_of('\\') + 1), "");
        DeleteFileA(probe.c_str());
    }
    return answer;
}

void ExpectProbe(const ProbeAnswer& answer, const char* detected, const char* chosen, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "probe answer");
    ASSERT_TRUE(answer.ran) << answer.output;
    EXPECT_EQ(detected, answer.detected) << answer.output;
    EXPECT_EQ(chosen, answer.chosen) << answer.output;
}

#define EXPECT_PROBE(answer, detected, chosen) ExpectProbe((answer), (detected), (chosen), __FILE__, __LINE__)

// A registry value that a test changes. The value as it was (or its absence, and which
// keys of its path were missing) is saved when the record is made and put back when it
// goes out of scope, also after a failed check.
class SavedValue {
public:
    SavedValue(HKEY root, const std::string& path, const char* name)
        : root_(root), path_(path), name_(name ? name : "")
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        DWORD size = 0;
        if (RegQueryValueExA(key, ValueName(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            data_.resize(size);
            existed_ = RegQueryValueExA(key, ValueName(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
            data_.resize(size);
        }
        RegCloseKey(key);
    }

    ~SavedValue()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            if (existed_) {
                RegSetValueExA(key, ValueName(), 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
            } else {
                RegDeleteValueA(key, ValueName());
            }
            RegCloseKey(key);
        }
        // The keys this test created, deepest first; each holds nothing else.
        for (auto created = created_.rbegin(); created != created_.rend(); ++created)
            RegDeleteKeyA(root_, created->c_str());
    }

    SavedValue(const SavedValue&) = delete;
    SavedValue& operator=(const SavedValue&) = delete;

    bool SetText(const std::string& text) { return Set(REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1)); }
    bool SetNumber(DWORD number) { return Set(REG_DWORD, &number, sizeof number); }

    bool Remove()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return true;
        const LONG status = RegDeleteValueA(key, ValueName());
        RegCloseKey(key);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }

private:
    const char* ValueName() const { return name_.empty() ? nullptr : name_.c_str(); }

    bool Set(DWORD type, const void* data, DWORD size)
    {
        if (!CreatePath()) return false;
        HKEY key = nullptr;
        if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
        const LONG status = RegSetValueExA(key, ValueName(), 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
        return status == ERROR_SUCCESS;
    }

    // Creates the missing keys of the path one level at a time, remembering them.
    bool CreatePath()
    {
        size_t end = 0;
        do {
            end = path_.find('\\', end + 1);
            const std::string part = path_.substr(0, end);
            HKEY key = nullptr;
            if (RegOpenKeyExA(root_, part.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
                RegCloseKey(key);
                continue;
            }
            if (RegCreateKeyExA(root_, part.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
                != ERROR_SUCCESS)
                return false;
            RegCloseKey(key);
            created_.push_back(part);
        } while (end != std::string::npos);
        return true;
    }

    HKEY root_;
    std::string path_;
    std::string name_;
    bool existed_ = false;
    DWORD type_ = REG_NONE;
    std::vector<BYTE> data_;
    std::vector<std::string> created_;
};

const char* const DefaultUserInternational = ".DEFAULT\\Control Panel\\International";
const char* const ResourceLocaleKey = "Control Panel\\Desktop\\ResourceLocale";

// A copy of the medium's setup.exe that Wine runs as `version`; the copy's setting is
// removed when the record goes out of scope (the medium removes the file).
struct SetupAsVersion {
    SetupAsVersion(const e2e::Medium& medium, const char* version)
        : exe(testsupport::ProgramAsVersion(medium.exe, version))
    {
    }
    ~SetupAsVersion()
    {
        if (!exe.empty()) testsupport::SetWindowsVersionFor(exe.substr(exe.find_last_of('\\') + 1), "");
    }
    SetupAsVersion(const SetupAsVersion&) = delete;
    SetupAsVersion& operator=(const SetupAsVersion&) = delete;
    std::string exe;
};

// The user's language in this process: the Unix locale that ctest gave this test.
bool UserLanguageIs(WORD language)
{
    return GetUserDefaultUILanguage() == language;
}

#define REQUIRE_USER_LANGUAGE(language, locale)                                                                \
    if (!UserLanguageIs(language))                                                                             \
    GTEST_SKIP() << "needs LC_ALL=" locale " in the Unix environment of wine (ctest sets it); the user's "     \
                    "language is "                                                                             \
                 << std::hex << GetUserDefaultUILanguage()

} // namespace

// ---------------------------------------------------------------------------------------
// The "/lang:" option
// ---------------------------------------------------------------------------------------

TEST(InterfaceLanguage, LangOptionGivesThePagesInThatLanguage)
{
    e2e::Medium medium("e2e-language-pages");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(PlainScript));
    // The classic style puts the header texts into the pages, where they can be read.
    EXPECT_PAGES_IN(WalkPages(medium.exe, "/style:0 /lang:eng"), English);
    EXPECT_PAGES_IN(WalkPages(medium.exe, "/style:0 /lang:ger"), German);
    EXPECT_PAGES_IN(WalkPages(medium.exe, "/style:0 /lang:fre"), French);
    // The later option wins, also over an earlier one of another language.
    EXPECT_WELCOME_IN(ReadWelcomePage(medium.exe, "/lang:ger /LANG:FRE"), French);
    // The default (Wizard97) style shows the same page texts.
    EXPECT_WELCOME_IN(ReadWelcomePage(medium.exe, "/lang:ger"), German);
}

TEST(InterfaceLanguage, ItalianKeepsEnglishPagesButAsksForItalianSystemTexts)
{
    e2e::Medium medium("e2e-language-italian");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(PlainScript));
    // No Italian dialogs or strings: the resource loader falls back to English ones.
    EXPECT_PAGES_IN(WalkPages(medium.exe, "/style:0 /lang:ita"), English);

    // The language itself is Italian (0x0410): the failed installation's box asks the
    // system for its text in Italian, beside the program's own English sentence.
    ASSERT_TRUE(medium.WriteScript(FailingScript));
    const DWORD code = FailureCode(medium.exe);
    ASSERT_NE(0u, code);
    ASSERT_NE(SystemText(code, LangEnglish), SystemText(code, LangItalian))
        << "the system has no Italian text of its own for error " << code << "; the check could not fail";
    EXPECT_FAILURE_BOX(RunFailing(medium.exe, "/quiet /lang:ita"), English, code, LangItalian);
    EXPECT_FAILURE_BOX(RunFailing(medium.exe, "/quiet /lang:ger"), German, code, LangGerman);
    EXPECT_FAILURE_BOX(RunFailing(medium.exe, "/quiet /lang:fre"), French, code, LangFrench);
}

// ---------------------------------------------------------------------------------------
// Detection on other Windows versions (machine-wide values; UserLanguage lock)
// ---------------------------------------------------------------------------------------

TEST(LanguageDetection, TheWelcomeDialogExistsInGermanEnglishAndFrench)
{
    const ProbeAnswer answer = ProbeLanguage("");
    ASSERT_TRUE(answer.ran) << answer.output;
    EXPECT_EQ("3", answer.count);
    // In the order the platform reports them; Wine and Windows sort them by number.
    EXPECT_EQ("0407,0409,040c", answer.languages);
}

// From Windows Vista on, and only there, the chosen language is also the thread's UI language.
TEST(LanguageDetection, FromVistaOnTheChosenLanguageIsTheThreadsInterfaceLanguage)
{
    const ProbeAnswer win7 = ProbeLanguage("win7"), win2k = ProbeLanguage("win2k");
    ASSERT_TRUE(win7.ran && win2k.ran) << win7.output << win2k.output;
    EXPECT_EQ(win7.chosen, win7.uiLanguage);
    EXPECT_EQ("0000", win2k.uiLanguage);
}

TEST(LanguageDetection, NT4TakesTheDefaultUsersLocale)
{
    SavedValue locale(HKEY_USERS, DefaultUserInternational, "Locale");

    // The current user's own "Locale" (Wine's, from the Unix locale) is not read.
    ASSERT_TRUE(locale.SetText("0000040C"));
    EXPECT_PROBE(ProbeLanguage("nt40"), "040c", "040c");
    ASSERT_TRUE(locale.SetText("00000407"));
    EXPECT_PROBE(ProbeLanguage("nt40"), "0407", "0407");
    // Swiss German: no dialog of its own, the German ones share its primary language.
    ASSERT_TRUE(locale.SetText("00000807"));
    EXPECT_PROBE(ProbeLanguage("nt40"), "0807", "0407");
    // Italian: no dialog of that primary language, English.
    ASSERT_TRUE(locale.SetText("00000410"));
    EXPECT_PROBE(ProbeLanguage("nt40"), "0410", "0409");
    // Fifteen characters and the zero fill the 16 bytes that are read; only the low
    // 16 bits of the number count.
    ASSERT_TRUE(locale.SetText("00000001000040c"));
    EXPECT_PROBE(ProbeLanguage("nt40"), "040c", "040c");
    // Too long, of another type, missing: English.
    ASSERT_TRUE(locale.SetText("0000000000000040c"));
    EXPECT_PROBE(ProbeLanguage("nt40"), "0409", "0409");
    ASSERT_TRUE(locale.SetNumber(0x040C));
    EXPECT_PROBE(ProbeLanguage("nt40"), "0409", "0409");
    ASSERT_TRUE(locale.Remove());
    EXPECT_PROBE(ProbeLanguage("nt40"), "0409", "0409");

    // Windows 2000 asks GetUserDefaultUILanguage instead, whatever the value says (which
    // is made to differ from the user's language).
    const WORD user = GetUserDefaultUILanguage();
    ASSERT_TRUE(locale.SetText((user & 0x3FF) == LANG_FRENCH ? "00000407" : "0000040C"));
    const ProbeAnswer win2k = ProbeLanguage("win2k");
    ASSERT_TRUE(win2k.ran) << win2k.output;
    char expected[8];
    wsprintfA(expected, "%04x", user);
    EXPECT_EQ(expected, win2k.detected);
}

TEST(LanguageDetection, NT4WizardComesInTheDefaultUsersLanguage)
{
    SavedValue locale(HKEY_USERS, DefaultUserInternational, "Locale");
    e2e::Medium medium("e2e-language-nt4");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(PlainScript));
    SetupAsVersion nt4(medium, "nt40");
    ASSERT_FALSE(nt4.exe.empty());

    // The language becomes the thread locale on the NT family, and the resource loader
    // then picks the dialogs and strings of that language.
    ASSERT_TRUE(locale.SetText("0000040C"));
    EXPECT_WELCOME_IN(ReadWelcomePage(nt4.exe, ""), French);
    ASSERT_TRUE(locale.SetText("00000407"));
    EXPECT_WELCOME_IN(ReadWelcomePage(nt4.exe, ""), German);
    // The option still overrides it.
    EXPECT_WELCOME_IN(ReadWelcomePage(nt4.exe, "/lang:eng"), English);
}

TEST(LanguageDetection, Windows98TakesTheResourceLocale)
{
    SavedValue resourceLocale(HKEY_CURRENT_USER, ResourceLocaleKey, nullptr);
    SavedValue defaultUser(HKEY_USERS, DefaultUserInternational, "Locale");
    // The NT 4 value is not read on the Windows 95 family.
    ASSERT_TRUE(defaultUser.SetText("00000407"));

    ASSERT_TRUE(resourceLocale.SetText("0000040C"));
    EXPECT_PROBE(ProbeLanguage("win98"), "040c", "040c");
    EXPECT_PROBE(ProbeLanguage("win95"), "040c", "040c");
    ASSERT_TRUE(resourceLocale.SetText("00000c0c"));
    EXPECT_PROBE(ProbeLanguage("win98"), "0c0c", "040c");
    ASSERT_TRUE(resourceLocale.SetText("00000413"));
    EXPECT_PROBE(ProbeLanguage("win98"), "0413", "0409");
    ASSERT_TRUE(resourceLocale.SetNumber(0x040C));
    EXPECT_PROBE(ProbeLanguage("win98"), "0409", "0409");
    ASSERT_TRUE(resourceLocale.Remove());
    EXPECT_PROBE(ProbeLanguage("win98"), "0409", "0409");
}

// ---------------------------------------------------------------------------------------
// The user's language from the Unix locale (ctest sets LC_ALL per test; UserLanguage lock)
// ---------------------------------------------------------------------------------------

TEST(UserLocale, GermanGermanyGivesGermanPages)
{
    REQUIRE_USER_LANGUAGE(0x0407, "de_DE.UTF-8");
    EXPECT_PROBE(ProbeLanguage(""), "0407", "0407");
    // NT 4 does not ask for the user interface language.
    SavedValue locale(HKEY_USERS, DefaultUserInternational, "Locale");
    ASSERT_TRUE(locale.Remove());
    EXPECT_PROBE(ProbeLanguage("nt40"), "0409", "0409");

    e2e::Medium medium("e2e-locale-de");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(PlainScript));
    EXPECT_PAGES_IN(WalkPages(medium.exe, "/style:0"), German);
    EXPECT_WELCOME_IN(ReadWelcomePage(medium.exe, ""), German);
    EXPECT_WELCOME_IN(ReadWelcomePage(medium.exe, "/lang:fre"), French);
    EXPECT_WELCOME_IN(ReadWelcomePage(medium.exe, "/lang:eng"), English);
}

TEST(UserLocale, SwissGermanGivesGermanPages)
{
    REQUIRE_USER_LANGUAGE(0x0807, "de_CH.UTF-8");
    EXPECT_PROBE(ProbeLanguage(""), "0807", "0407");
    e2e::Medium medium("e2e-locale-ch");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(PlainScript));
    EXPECT_PAGES_IN(WalkPages(medium.exe, "/style:0"), German);
    EXPECT_WELCOME_IN(ReadWelcomePage(medium.exe, ""), German);
}

TEST(UserLocale, CanadianFrenchGivesFrenchPages)
{
    REQUIRE_USER_LANGUAGE(0x0C0C, "fr_CA.UTF-8");
    EXPECT_PROBE(ProbeLanguage(""), "0c0c", "040c");
    e2e::Medium medium("e2e-locale-ca");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(PlainScript));
    EXPECT_PAGES_IN(WalkPages(medium.exe, "/style:0"), French);
    EXPECT_WELCOME_IN(ReadWelcomePage(medium.exe, ""), French);
}

TEST(UserLocale, ItalianGivesEnglishPagesAndEnglishSystemTexts)
{
    REQUIRE_USER_LANGUAGE(0x0410, "it_IT.UTF-8");
    EXPECT_PROBE(ProbeLanguage(""), "0410", "0409");
    e2e::Medium medium("e2e-locale-it");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(PlainScript));
    EXPECT_PAGES_IN(WalkPages(medium.exe, "/style:0"), English);
    EXPECT_PAGES_IN(WalkPages(medium.exe, "/style:0 /lang:ita"), English);

    // Without the option the language is English (0x0409), also for the system's texts;
    // with it, Italian.
    ASSERT_TRUE(medium.WriteScript(FailingScript));
    const DWORD code = FailureCode(medium.exe);
    ASSERT_NE(0u, code);
    ASSERT_NE(SystemText(code, LangEnglish), SystemText(code, LangItalian));
    EXPECT_FAILURE_BOX(RunFailing(medium.exe, "/quiet"), English, code, LangEnglish);
    EXPECT_FAILURE_BOX(RunFailing(medium.exe, "/quiet /lang:ita"), English, code, LangItalian);
}
