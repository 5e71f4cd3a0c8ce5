// The real `ostrel` executable started as a user starts it, in a sandboxed HOME.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "tests/e2e/Ostrel.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

constexpr char kSimple[] = "Simple Overwrite (1 Pass)";
constexpr char kDod7[] = "DoD 5220.22-M (7 Passes)";

std::string Bytes(std::size_t size, unsigned seed) {
    std::mt19937 gen(seed);
    std::string data(size, '\0');
    for (char& c : data) {
        c = static_cast<char>(gen());
    }
    return data;
}

bool HoldingIsEmpty(const UserSandbox& user) {
    return !fs::exists(user.holding()) || fs::is_empty(user.holding());
}

// Nested and empty folders, and names a careless path handler would mangle.
fs::path MakeAwkwardTree(const fs::path& root, const fs::path& linkTarget) {
    const fs::path tree = root / "tree, with: odd names";
    fs::create_directories(tree / "empty");
    fs::create_directories(tree / "nested/empty too");
    const std::pair<const char*, std::size_t> files[] = {
        {"nested/exactly, one block", 8192},
        {"nested/deeper/block: plus one", 8193},
        {"nested/deeper/deepest/ten thousand", 10000},
        {"-leading dash", 1 << 20},
        {"C:\\looks like windows D:", 10},
    };
    unsigned seed = 1;
    for (const auto& [name, size] : files) {
        WriteFile(tree / name, Bytes(size, seed++));
    }
    fs::create_symlink(linkTarget, tree / "nested/link to outside");
    fs::create_symlink(linkTarget.parent_path(), tree / "link to outside folder");
    return tree;
}

TEST(ShredCommand, ShredsEveryPathGivenAndNothingElse) {
    UserSandbox user;
    user.WriteSettings("English.lng", kDod7, 0);
    const fs::path sibling = user.work() / "sibling";
    WriteFile(sibling / "keep.txt", "keep me");
    WriteFile(sibling / "link target", Bytes(5000, 99));
    const auto before = Snapshot(sibling);
    const fs::path tree = MakeAwkwardTree(user.work(), sibling / "link target");
    WriteFile(user.work() / "b:c", "second path");
    fs::create_directories(user.work() / "third/sub");

    RunResult run = RunOstrel(user, {tree.string(), "b:c", "third/"});

    EXPECT_EQ(run.exitCode, 0) << run.err;
    for (const fs::path& path : {tree, user.work() / "b:c", user.work() / "third"}) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << path << "\n" << run.err;
    }
    EXPECT_TRUE(HoldingIsEmpty(user));
    EXPECT_EQ(Snapshot(sibling), before) << "something outside the given tree changed";
    EXPECT_EQ(run.out, "") << "a clean job reports nothing";
}

TEST(ShredCommand, OnlyAYesAtATerminalShreds) {
    const struct {
        int confirm;  // -1: no "Confirm" value
        bool terminal;
        const char* answer;
        bool asked, shredded;
    } rows[] = {{-1, true, "yes\n", true, true},
                {1, false, "y\n", true, false}};  // a pipe is no person
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.confirm) + (row.terminal ? " terminal " : " pipe ") +
                     row.answer);
        UserSandbox user;
        user.WriteSettings("English.lng", kSimple, row.confirm);
        WriteFile(user.work() / "secret", "data");

        RunResult run = RunOstrel(user, {"secret"}, {row.answer, row.terminal, -1});

        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err.find("[y/N]") != std::string::npos, row.asked) << run.err;
        EXPECT_EQ(ReadFile(user.work() / "secret"), row.shredded ? "" : "data");
    }
}

TEST(ShredCommand, RunsThatCanShredNothingSayWhyAndChangeNothing) {
    const struct {
        const char* method;
        std::vector<std::string> args;
        const char* said;
    } rows[] = {{"simple overwrite (1 pass)", {"file", "folder"}, "not one Ostrel knows"},
                {kSimple, {"   "}, "Not found:\n   \n"},  // blanks are a legal name
                {kSimple, {"no such file", "folder/missing"}, "no such file\nfolder/missing"},
                {kSimple, {".", "..", "folder/.."}, "the current folder or the one above it"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.method) + " / " + row.args[0]);
        UserSandbox user;
        user.WriteSettings("English.lng", row.method, 0);
        WriteFile(user.work() / "file", "contents");
        WriteFile(user.work() / "folder/inner", "inner");
        const auto before = Snapshot(user.work());

        RunResult run = RunOstrel(user, row.args);

        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_NE((run.out + run.err).find(row.said), std::string::npos) << run.out << run.err;
        EXPECT_EQ(Snapshot(user.work()), before);
    }
}

}  // namespace
}  // namespace ostrel::test
