// The app/ folders form layers: a folder may include the ones below it, never one that includes
// it back, however long the way round. Read from the sources themselves.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// app/platform/x11/... is its own folder "platform/x11"; app/core/... is "core".
std::string folderOf(const std::string& path) {
    const fs::path relative = fs::path(path).lexically_relative("app");
    auto part = relative.begin();
    if (part == relative.end() || std::next(part) == relative.end()) return {};
    const std::string first = part->string();
    if (first == "platform" && std::next(part, 2) != relative.end()) return first + "/" + std::next(part)->string();
    return first;
}

std::map<std::string, std::set<std::string>> includeGraph(const fs::path& root) {
    const std::regex include(R"(^\s*#\s*include\s+"(app/[^"]+)\")");
    std::map<std::string, std::set<std::string>> edges;
    for (const auto& entry : fs::recursive_directory_iterator(root / "app")) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".h" && extension != ".cpp") continue;
        const std::string from = folderOf(entry.path().lexically_relative(root).string());
        std::ifstream file(entry.path());
        std::smatch match;
        for (std::string line; std::getline(file, line);) {
            if (!std::regex_search(line, match, include)) continue;
            const std::string to = folderOf(match[1]);
            if (!from.empty() && !to.empty() && to != from) edges[from].insert(to);
        }
    }
    return edges;
}

// A way from `from` back to `to`, as the folders passed; empty when there is none.
std::vector<std::string> wayBack(const std::map<std::string, std::set<std::string>>& edges, const std::string& from,
                                 const std::string& to, std::set<std::string>& seen) {
    if (from == to) return {to};
    if (!seen.insert(from).second || !edges.contains(from)) return {};
    for (const std::string& next : edges.at(from)) {
        auto way = wayBack(edges, next, to, seen);
        if (!way.empty()) {
            way.insert(way.begin(), from);
            return way;
        }
    }
    return {};
}

TEST(FolderLayout, NoAppFolderIncludesOneThatIncludesItBack) {
    const auto edges = includeGraph(GLIMPO_SOURCE_DIR);
    ASSERT_TRUE(edges.contains("core")) << "no includes read under " << GLIMPO_SOURCE_DIR;
    for (const auto& [from, targets] : edges) {
        for (const std::string& to : targets) {
            std::set<std::string> seen;
            const auto way = wayBack(edges, to, from, seen);
            std::string shown = from;
            for (const std::string& step : way) shown += " -> " + step;
            EXPECT_TRUE(way.empty()) << "include cycle: " << shown;
        }
    }
}

} // namespace
