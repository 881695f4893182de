// The reference's texts against the example packages: every script fragment that the
// Markdown files of docs/ quote (each fenced block marked "ini") is a run of whole
// lines of one example's setup.inf, and examples.md quotes each example's setup.inf
// whole; every example folder is one that these tests install; every relative link
// of the Markdown files names a file that exists, and every link to a heading ("#...")
// names a heading of the file it points into.

#include "docs_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace {

// The examples that the tests of this program install and remove; a new example
// folder needs its test, and its name here.
const char* const TestedExamples[] = {
    "conditions", "exec", "minimal", "package-entry", "platforms", "plugins",
    "products", "restart", "services", "shortcuts",
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t from = 0;
    const std::string plain = docs::WithoutCarriageReturns(text);
    while (from < plain.size()) {
        const size_t end = plain.find('\n', from);
        lines.push_back(plain.substr(from, end == std::string::npos ? std::string::npos : end - from));
        if (end == std::string::npos) break;
        from = end + 1;
    }
    return lines;
}

// The Markdown files of docs\ (not those of the examples).
std::vector<std::string> MarkdownFiles()
{
    std::vector<std::string> files;
    for (const std::string& name : docs::FilesOf(docs::DocsFolder())) {
        if (name.size() > 3 && name.compare(name.size() - 3, 3, ".md") == 0) files.push_back(name);
    }
    return files;
}

struct Block {
    std::string file;
    size_t line = 0;    // of the opening fence, counted from 1
    size_t indent = 0;  // of the fences; the block's lines lose as much
    std::string language;
    std::vector<std::string> lines;
};

std::vector<Block> FencedBlocks(const std::string& file)
{
    std::vector<Block> blocks;
    const std::vector<std::string> lines = Lines(docs::FileBytes(docs::DocsFolder() + "\\" + file));
    Block* open = nullptr;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        // Fences may be indented (inside list items).
        const size_t indent = line.find_first_not_of(' ');
        const bool fence = indent != std::string::npos && line.compare(indent, 3, "```") == 0;
        if (!open && fence) {
            blocks.push_back(Block());
            open = &blocks.back();
            open->file = file;
            open->line = i + 1;
            open->indent = indent;
            open->language = line.substr(indent + 3);
        } else if (open && fence) {
            open = nullptr;
        } else if (open) {
            open->lines.push_back(line.size() >= open->indent ? line.substr(open->indent) : std::string());
        }
    }
    return blocks;
}

// `part` is a run of whole, consecutive lines of `whole`.
bool IsRunOfLines(const std::vector<std::string>& part, const std::vector<std::string>& whole)
{
    if (part.empty() || part.size() > whole.size()) return false;
    for (size_t start = 0; start + part.size() <= whole.size(); ++start) {
        if (std::equal(part.begin(), part.end(), whole.begin() + static_cast<long>(start))) return true;
    }
    return false;
}

std::map<std::string, std::vector<std::string>> ExampleScripts()
{
    std::map<std::string, std::vector<std::string>> scripts;
    for (const std::string& name : docs::ExampleNames())
        scripts[name] = Lines(docs::FileBytes(docs::ExampleFolder(name) + "\\setup.inf"));
    return scripts;
}

// A heading's anchor as Markdown renderers make it: lower case, blanks to hyphens,
// everything but letters, digits, hyphens and underscores dropped.
std::string Anchor(const std::string& heading)
{
    std::string anchor;
    for (char c : heading) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u)) anchor += static_cast<char>(std::tolower(u));
        else if (c == ' ') anchor += '-';
        else if (c == '-' || c == '_') anchor += c;
    }
    return anchor;
}

std::set<std::string> Anchors(const std::string& path)
{
    std::set<std::string> anchors;
    bool inBlock = false;
    for (const std::string& line : Lines(docs::FileBytes(path))) {
        const size_t indent = line.find_first_not_of(' ');
        if (indent != std::string::npos && line.compare(indent, 3, "```") == 0) inBlock = !inBlock;
        if (inBlock || line.empty() || line[0] != '#') continue;
        const size_t text = line.find_first_not_of('#');
        if (text == std::string::npos || line[text] != ' ') continue;
        anchors.insert(Anchor(line.substr(text + 1)));
    }
    return anchors;
}

struct Link {
    size_t line;
    std::string target;
};

// The targets of the inline links "[text](target)" and images "![text](target)" outside
// code blocks and code spans.
std::vector<Link> Links(const std::string& path)
{
    std::vector<Link> links;
    bool inBlock = false;
    size_t number = 0;
    for (const std::string& line : Lines(docs::FileBytes(path))) {
        ++number;
        const size_t indent = line.find_first_not_of(' ');
        if (indent != std::string::npos && line.compare(indent, 3, "```") == 0) inBlock = !inBlock;
        if (inBlock) continue;
        bool inCode = false;
        for (size_t i = 0; i + 1 < line.size(); ++i) {
            if (line[i] == '`') inCode = !inCode;
            if (inCode || line[i] != ']' || line[i + 1] != '(') continue;
            const size_t end = line.find(')', i + 2);
            if (end == std::string::npos) continue;
            links.push_back({number, line.substr(i + 2, end - i - 2)});
        }
    }
    return links;
}

} // namespace

TEST(Reference, EveryQuotedScriptIsPartOfAnExample)
{
    const std::map<std::string, std::vector<std::string>> scripts = ExampleScripts();
    ASSERT_FALSE(scripts.empty());
    size_t quoted = 0;
    for (const std::string& file : MarkdownFiles()) {
        for (const Block& block : FencedBlocks(file)) {
            if (block.language != "ini") continue;
            ++quoted;
            bool found = false;
            for (const auto& script : scripts) found = found || IsRunOfLines(block.lines, script.second);
            std::string text;
            for (const std::string& line : block.lines) text += "\n    " + line;
            EXPECT_TRUE(found) << file << ", line " << block.line << ": no example's setup.inf has these lines:"
                               << text;
        }
    }
    EXPECT_GT(quoted, 10u) << "the reference quotes its examples";
}

TEST(Reference, TheExamplesPageQuotesEveryExampleWhole)
{
    const std::vector<Block> blocks = FencedBlocks("examples.md");
    for (const auto& script : ExampleScripts()) {
        SCOPED_TRACE(script.first);
        const bool whole = std::any_of(blocks.begin(), blocks.end(), [&](const Block& block) {
            return block.language == "ini" && block.lines == script.second;
        });
        EXPECT_TRUE(whole) << "examples.md does not quote examples\\" << script.first << "\\setup.inf whole";
    }
}

TEST(Reference, EveryExampleIsInstalledByTheTests)
{
    std::vector<std::string> tested(std::begin(TestedExamples), std::end(TestedExamples));
    std::sort(tested.begin(), tested.end());
    EXPECT_EQ(tested, docs::ExampleNames());
    for (const std::string& name : docs::ExampleNames()) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(testsupport::FileExists(docs::ExampleFolder(name) + "\\setup.inf"));
    }
}

TEST(Reference, EveryLinkLeadsSomewhere)
{
    size_t checked = 0;
    for (const std::string& file : MarkdownFiles()) {
        const std::string path = docs::DocsFolder() + "\\" + file;
        for (const Link& link : Links(path)) {
            if (link.target.compare(0, 7, "http://") == 0 || link.target.compare(0, 8, "https://") == 0) continue;
            ++checked;
            SCOPED_TRACE(file + ", line " + std::to_string(link.line) + ": " + link.target);
            const size_t hash = link.target.find('#');
            std::string target = link.target.substr(0, hash);
            std::replace(target.begin(), target.end(), '/', '\\');
            std::string resolved = target.empty() ? path : docs::DocsFolder() + "\\" + target;
            while (!resolved.empty() && resolved.back() == '\\') resolved.pop_back();
            ASSERT_TRUE(testsupport::FileExists(resolved)) << resolved;
            if (hash != std::string::npos) {
                const std::set<std::string> anchors = Anchors(resolved);
                EXPECT_EQ(1u, anchors.count(link.target.substr(hash + 1))) << "no such heading in " << resolved;
            }
        }
    }
    EXPECT_GT(checked, 20u);
}
