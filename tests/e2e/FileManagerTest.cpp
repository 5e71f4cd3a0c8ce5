// "Shred with Ostrel" as each file manager runs it: the command is taken from the files the
// package installs and expanded the way that file manager expands it, over one selection of
// awkward names. The selected paths, and only they, must arrive, and the program's own question
// must come first.
#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "tests/e2e/Ostrel.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

const fs::path kPackaging = fs::path(OSTREL_SOURCE_DIR) / "packaging/filemanagers";

// The value of `key` in the group `group` of a key file ("[group]" lines, "key=value" lines).
std::string KeyValue(const fs::path& file, const std::string& group, const std::string& key) {
    std::string text = ReadFile(file), current;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(at, end - at);
        if (line.starts_with('[')) {
            current = line;
        } else if (current == "[" + group + "]" && line.starts_with(key + "=")) {
            return line.substr(key.size() + 1);
        }
    }
    return {};
}

// The command line split into arguments as GLib splits it (Nemo and Thunar both do).
std::vector<std::string> SplitCommandLine(const std::string& line) {
    gchar** argv = nullptr;
    EXPECT_TRUE(g_shell_parse_argv(line.c_str(), nullptr, &argv, nullptr)) << line;
    std::vector<std::string> args;
    for (gchar** arg = argv; arg != nullptr && *arg != nullptr; ++arg) {
        args.emplace_back(*arg);
    }
    g_strfreev(argv);
    return args;
}

// Replaces the whole argument `token` with `paths`, one argument each (desktop entry rules).
std::vector<std::string> ExpandList(std::vector<std::string> args, const std::string& token,
                                    const std::vector<std::string>& paths) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == token) {
            it = args.erase(it);
            args.insert(it, paths.begin(), paths.end());
            break;
        }
    }
    return args;
}

// Replaces `token` in the command text with `each(path)` for every path, blank-separated, then
// splits the text (Nemo and Thunar expand the text, then split it).
std::vector<std::string> ExpandText(std::string line, const std::string& token,
                                    const std::vector<std::string>& paths,
                                    const std::function<std::string(const std::string&)>& each) {
    std::string list;
    for (const auto& path : paths) {
        list += (list.empty() ? "" : " ") + each(path);
    }
    line.replace(line.find(token), token.size(), list);
    return SplitCommandLine(line);
}

std::string GlibString(gchar* text) {
    std::string copy = text != nullptr ? text : "";
    g_free(text);
    return copy;
}

// The command each file manager runs for the selection `names` (in the work folder).
std::vector<std::string> Command(const std::string& manager, const UserSandbox& user,
                                 const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const auto& name : names) {
        paths.push_back((user.work() / name).string());
    }
    if (manager == "Dolphin") {
        const auto exec =
            KeyValue(kPackaging / "ostrel-shred.desktop", "Desktop Action shred", "Exec");
        return ExpandList(SplitCommandLine(exec), "%F", paths);
    }
    if (manager == "Nemo") {
        const fs::path action = kPackaging / "ostrel-shred.nemo_action.in";
        EXPECT_EQ(KeyValue(action, "Nemo Action", "Quote"), "double");
        auto args = ExpandText(
            KeyValue(action, "Nemo Action", "Exec"), "%U", paths, [](const std::string& path) {
                return "\"" + GlibString(g_filename_to_uri(path.c_str(), nullptr, nullptr)) + "\"";
            });
        EXPECT_EQ(args.at(0), "@OSTREL_SHRED_URIS@");
        args[0] = (kPackaging / "ostrel-shred-uris").string();
        return args;
    }
    if (manager == "Thunar") {
        const std::string script = ReadFile(kPackaging / "add-thunar-action");
        const auto from = script.find("<command>") + 9;
        return ExpandText(
            script.substr(from, script.find("</command>") - from), "%F", paths,
            [](const std::string& path) { return GlibString(g_shell_quote(path.c_str())); });
    }
    std::vector<std::string> args{(kPackaging / "nautilus-script").string()};  // Nautilus
    args.insert(args.end(), names.begin(), names.end());  // names relative to the folder shown
    return args;
}

class FileManagerTest : public testing::TestWithParam<const char*> {};

TEST_P(FileManagerTest, ShredsExactlyTheSelectionAfterAsking) {
    const std::vector<std::string> selection = {
        "two  words",  "it's",           "say \"hi\"", "new\nline",         "-dash",
        "back\\slash", "$(touch pwned)", "100%25 `x`", "not utf8 \xff\xfe", "folder"};
    UserSandbox user;
    for (const auto& name : selection) {
        if (name != "folder") {
            WriteFile(user.work() / name, name);
        }
    }
    WriteFile(user.work() / "folder/inner/file", "inner");
    for (const char* other : {"two", "words", "it", "say", "new", "line", "hi", "100%", "keep"}) {
        WriteFile(user.work() / other, other);
    }
    const auto before = Snapshot(user.work());
    const auto command = Command(GetParam(), user, selection);

    // Nobody at a terminal to say Yes: the program asks, hears No, and touches nothing.
    user.WriteSettings("English.lng", nullptr, -1);
    RunResult asked = RunProgram(user, command);
    EXPECT_NE(asked.err.find("[y/N]"), std::string::npos) << asked.err;
    EXPECT_EQ(Snapshot(user.work()), before);

    user.WriteSettings("English.lng", nullptr, 0);
    RunResult run = RunProgram(user, command);

    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    auto expected = before;
    std::erase_if(expected, [&](const auto& entry) {
        return std::ranges::any_of(selection, [&](const std::string& name) {
            return entry.first == name || entry.first.starts_with(name + "/");
        });
    });
    EXPECT_EQ(Snapshot(user.work()), expected) << run.out << run.err;
}

INSTANTIATE_TEST_SUITE_P(EachFileManager, FileManagerTest,
                         testing::Values("Dolphin", "Nemo", "Nautilus", "Thunar"),
                         [](const auto& info) { return std::string(info.param); });

// The Nemo helper takes local file: URIs only: anything else could name a local file by accident.
TEST(FileManager, NemoHelperRefusesWhatIsNotALocalFile) {
    UserSandbox user;
    user.WriteSettings("English.lng", nullptr, 0);
    WriteFile(user.work() / "sftp:/host/file", "remote look-alike");
    WriteFile(user.work() / "local", "local");
    const std::string helper = (kPackaging / "ostrel-shred-uris").string();

    RunResult run = RunProgram(
        user, {helper, "file://" + (user.work() / "local").string(), "sftp://host/file"});

    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(ReadFile(user.work() / "local"), "local");
    EXPECT_EQ(ReadFile(user.work() / "sftp:/host/file"), "remote look-alike");
}

}  // namespace
}  // namespace ostrel::test
