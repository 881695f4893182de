// Helpers of the infcheck tests: a medium folder laid out by the test (setup.inf written
// from the test's own text, payload files, real fixture libraries copied from the build),
// infcheck run on it as a separate process under a time limit, and its output parsed
// into findings: severity, section, line and text.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace checkertest {

struct Finding {
    std::string severity;  // "error", "warning" or "info"
    std::string section;   // empty when the finding names none
    int line = 0;          // 0 when it names none
    std::string text;
};

struct CheckRun {
    bool finished = false;
    DWORD exitCode = 0;
    std::string output;
    std::vector<Finding> findings;

    int Count(const std::string& severity) const;
    // A finding of this severity and section whose text contains `part`; `line` -1 means
    // any line, 0 no line.
    bool Has(const std::string& severity, const std::string& section, int line, const std::string& part) const;
    // Like Has, but anywhere in the finding's text, whatever its section and line.
    bool Mentions(const std::string& severity, const std::string& part) const;
};

// The sources' demo folder.
std::string DemoFolder();

// A scratch medium folder named after the test; removed with everything in it.
class Medium {
public:
    explicit Medium(const char* name);
    ~Medium();
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;

    const std::string& Folder() const { return folder_; }
    std::string PathOf(const std::string& name) const { return folder_ + "\\" + name; }

    bool WriteScript(const std::string& text) const;
    bool WriteFile(const std::string& name, const std::string& bytes) const;
    // Copies a file of build\tests (a fixture library or program) into the medium.
    bool CopyFixture(const std::string& fileName, const std::string& as = std::string()) const;
    bool CopyIn(const std::string& path, const std::string& as) const;

    // The clean package of BaseScript with `extra` appended (sections of the same name
    // merge), and its payload: setup.exe and app.txt.
    bool WriteBasePackage(const std::string& extra = std::string()) const;

    // infcheck with the medium folder as its argument, or run inside it without one.
    CheckRun Check() const;
    CheckRun CheckFromInside() const;

private:
    std::string folder_;
};

// A clean package: one product, a main uninstall entry, setup.exe and setup.inf
// installed together into the target folder.
extern const char BaseScript[];

CheckRun RunInfcheck(const std::string& arguments, const std::string& folder);

} // namespace checkertest
