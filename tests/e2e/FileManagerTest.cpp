// "Shred with Ostrel" as each file manager expands the installed command over awkward names:
// the selection, and only it, arrives, after the program's own question.
#include <gio/gdesktopappinfo.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <cstdlib>
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

// The command of the Thunar action `id` that add-thunar-action adds.
std::string ThunarCommand(const std::string& id) {
    const std::string script = ReadFile(kPackaging / "add-thunar-action");
    const auto action = script.find("<unique-id>" + id + "</unique-id>");
    EXPECT_NE(action, std::string::npos) << id;
    const auto from = script.find("<command>", action) + 9;
    return script.substr(from, script.find("</command>", from) - from);
}

// The command each file manager (or a launcher) runs for `names` in the work folder.
std::vector<std::string> Command(const std::string& manager, const UserSandbox& user,
                                 const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const auto& name : names) {
        paths.push_back((user.work() / name).string());
    }
    if (manager == "Dolphin") {
        // KIO holds names as QString: each byte that is not part of UTF-8 becomes U+FFFD.
        for (auto& path : paths) {
            path = GlibString(g_utf8_make_valid(path.c_str(), static_cast<gssize>(path.size())));
        }
        const auto exec =
            KeyValue(kPackaging / "ostrel-shred.desktop", "Desktop Action shred", "Exec");
        return ExpandList(SplitCommandLine(exec), "%F", paths);
    }
    if (manager == "Launcher") {
        // A drop onto the program's icon in a dock or on the desktop: the launcher expands the
        // main entry's field code, one argument per file.
        const auto exec =
            KeyValue(kPackaging.parent_path() / "ostrel.desktop", "Desktop Entry", "Exec");
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
        return ExpandText(ThunarCommand("ostrel-shred"), "%F", paths, [](const std::string& path) {
            return GlibString(g_shell_quote(path.c_str()));
        });
    }
    return {};
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

    // Dolphin hands a name that is not UTF-8 over mangled: not found, and it stays.
    const std::string notUtf8 = "not utf8 \xff\xfe";
    const bool dolphin = std::string(GetParam()) == "Dolphin";
    EXPECT_EQ(run.exitCode, dolphin ? 1 : 0) << run.out << run.err;
    EXPECT_EQ(run.err.find("Not found:\n" +
                           (user.work() / "not utf8 \xEF\xBF\xBD\xEF\xBF\xBD").string()) !=
                  std::string::npos,
              dolphin)
        << run.err;
    auto expected = before;
    std::erase_if(expected, [&](const auto& entry) {
        return std::ranges::any_of(selection, [&](const std::string& name) {
            return (entry.first == name || entry.first.starts_with(name + "/")) &&
                   !(dolphin && name == notUtf8);
        });
    });
    EXPECT_EQ(Snapshot(user.work()), expected) << run.out << run.err;
}

// Nautilus is run for real below (NautilusScriptShredsTheSelectionNotTheRewrittenArguments).
INSTANTIATE_TEST_SUITE_P(EachFileManager, FileManagerTest,
                         testing::Values("Dolphin", "Nemo", "Thunar", "Launcher"),
                         [](const auto& info) { return std::string(info.param); });

// Runs `script` as Nautilus 43 does: the quoted names appended to the quoted script path go
// through g_app_info_create_from_commandline, whose launch expands field codes in them; the
// true selection is in NAUTILUS_SCRIPT_SELECTED_*; it runs in the folder shown, no display.
// `pathFirst` ("folder:") goes before the program's folder in PATH.
RunResult RunAsNautilus(const UserSandbox& user, const fs::path& script,
                        const std::vector<std::string>& names, const std::string& pathFirst = "") {
    std::string command = GlibString(g_shell_quote(script.c_str())), uris, paths;
    for (const auto& name : names) {
        command += " " + GlibString(g_shell_quote(name.c_str()));
        const std::string path = (user.work() / name).string();
        uris += GlibString(g_filename_to_uri(path.c_str(), nullptr, nullptr)) + "\n";
        paths += path + "\n";
    }
    GAppInfo* app = g_app_info_create_from_commandline(command.c_str(), nullptr,
                                                       G_APP_INFO_CREATE_NONE, nullptr);
    EXPECT_NE(app, nullptr) << command;
    GAppLaunchContext* context = g_app_launch_context_new();
    auto env = UserEnvironment(user);
    for (auto& [name, value] : env) {
        if (name == "PATH") {
            value = pathFirst + value;
        }
    }
    env.insert(env.end(), {{"NAUTILUS_SCRIPT_SELECTED_URIS", uris},
                           {"NAUTILUS_SCRIPT_SELECTED_FILE_PATHS", paths},
                           {"NAUTILUS_SCRIPT_CURRENT_URI",
                            GlibString(g_filename_to_uri(user.work().c_str(), nullptr, nullptr))}});
    for (const auto& [name, value] : env) {
        g_app_launch_context_setenv(context, name.c_str(), value.c_str());
    }
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        g_app_launch_context_unsetenv(context, name);
    }
    const fs::path errFile = user.runtime() / "nautilus-stderr";
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    struct Child {
        GPid pid = -1;
        std::string folder;
    } child{-1, user.work().string()};
    GError* error = nullptr;
    const gboolean launched = g_desktop_app_info_launch_uris_as_manager_with_fds(
        G_DESKTOP_APP_INFO(app), nullptr, context, G_SPAWN_DO_NOT_REAP_CHILD,
        [](gpointer data) {  // in the child: Nautilus runs a script in the folder shown
            if (::chdir(static_cast<Child*>(data)->folder.c_str()) != 0) {
                ::_exit(126);
            }
        },
        &child,
        [](GDesktopAppInfo*, GPid pid, gpointer data) { static_cast<Child*>(data)->pid = pid; },
        &child, in, err, err, &error);
    EXPECT_TRUE(launched) << (error != nullptr ? error->message : "");
    g_clear_error(&error);
    ::close(in);
    ::close(err);
    g_object_unref(context);
    g_object_unref(app);
    RunResult run;
    int status = 0;
    if (child.pid > 0 && ::waitpid(child.pid, &status, 0) == child.pid && WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    run.err = ReadFile(errFile);
    return run;
}

// The script as a user installs it, with the packaged helper.
fs::path InstallNautilusScript(const UserSandbox& user) {
    std::string text = ReadFile(kPackaging / "nautilus-script.in");
    const std::string helper = "@OSTREL_SHRED_URIS@";
    if (const auto at = text.find(helper); at != std::string::npos) {
        text.replace(at, helper.size(), (kPackaging / "ostrel-shred-uris").string());
    }
    const fs::path script = user.data() / "nautilus/scripts/Shred with Ostrel";
    WriteFile(script, text);
    fs::permissions(script, fs::perms::owner_all);
    return script;
}

// Selecting "vic%ftim.txt" hands over "victim.txt" as an argument ("%c" becomes "Shred"):
// only the selection goes, never the names the rewritten arguments point at.
TEST(FileManager, NautilusScriptShredsTheSelectionNotTheRewrittenArguments) {
    const std::vector<std::string> selection = {
        "vic%ftim.txt", "100%%.txt", "pct%f%u.txt",   "a%cb.txt",      "-dash %U",
        "new\nline%f",  "folder %d", "not utf8 \xff", "it's \"q\" \\", "$(touch pwned) `x`"};
    const std::vector<std::string> beside = {"victim.txt", "100%.txt",  "pct.txt", "aShredb.txt",
                                             "-dash ",     "new\nline", "folder "};
    UserSandbox user;
    for (const auto& name : selection) {
        WriteFile(name.starts_with("folder") ? user.work() / name / "inner" : user.work() / name,
                  "selected");
    }
    for (const auto& name : beside) {
        WriteFile(user.work() / name, "not selected");
    }
    const fs::path script = InstallNautilusScript(user);

    user.WriteSettings("English.lng", nullptr, 1);  // asked, and nobody says Yes
    const auto before = Snapshot(user.work());
    RunResult asked = RunAsNautilus(user, script, selection);
    EXPECT_EQ(Snapshot(user.work()), before) << asked.err;
    for (const char* shown : {"/vic%ftim.txt\n", "/new\\nline%f\n", "/not utf8 \\xFF\n",
                              "9 files, 1 folder:\n\xE2\x80\xA2 /"}) {
        EXPECT_NE(asked.err.find(shown), std::string::npos) << shown << "\n" << asked.err;
    }

    user.WriteSettings("English.lng", nullptr, 0);
    RunResult run = RunAsNautilus(user, script, selection);

    EXPECT_EQ(run.exitCode, 0) << run.err;
    for (const auto& name : beside) {
        EXPECT_EQ(ReadFile(user.work() / name), "not selected") << name << "\n" << run.err;
    }
    for (const auto& name : selection) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(user.work() / name))) << name;
    }
}

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
    EXPECT_NE(run.err.find("\nsftp://host/file\n"), std::string::npos) << run.err;
}

std::string FileUri(const fs::path& path) {
    return GlibString(g_filename_to_uri(path.c_str(), nullptr, nullptr));
}

// Each file manager's "Wipe free space here" hands exactly the one folder to the wipe, however
// it is named: as a path where the file manager gives local paths only, as a file: URI for
// `--uris` to turn back into the path (and refuse when it is not local) otherwise.
TEST(FileManager, WipeActionsHandTheOneFolderToTheWipe) {
    UserSandbox user;
    const fs::path folder = user.work() / "it's \"a\" $(x) %f\nnot utf8 \xff";
    fs::create_directories(folder);
    const std::vector<std::string> byPath = {"ostrel", "--wipe-free-space", "--", folder.string()};
    const std::vector<std::string> byUri = {"ostrel", "--uris", "--wipe-free-space", "--",
                                            FileUri(folder)};

    // Dolphin and Thunar hand over a local path only (Dolphin as its menu allows only file: ones).
    const auto dolphin = kPackaging / "ostrel-wipe-free-space.desktop";
    EXPECT_EQ(ExpandList(SplitCommandLine(KeyValue(dolphin, "Desktop Action wipe", "Exec")), "%f",
                         {folder.string()}),
              byPath);
    EXPECT_EQ(
        ExpandText(ThunarCommand("ostrel-wipe-free-space"), "%f", {folder.string()},
                   [](const std::string& path) { return GlibString(g_shell_quote(path.c_str())); }),
        byPath);
    const auto nemo = kPackaging / "ostrel-wipe-free-space.nemo_action";
    EXPECT_EQ(KeyValue(nemo, "Nemo Action", "Quote"), "double");
    EXPECT_EQ(ExpandText(KeyValue(nemo, "Nemo Action", "Exec"), "%U", {folder.string()},
                         [](const std::string& path) { return "\"" + FileUri(path) + "\""; }),
              byUri);

    // Nautilus runs the script for real, with an `ostrel` that writes down its arguments.
    const fs::path bin = user.runtime() / "bin", args = user.runtime() / "args";
    WriteFile(bin / "ostrel", "#!/bin/sh\nprintf '%s\\0' ostrel \"$@\" >'" + args.string() + "'\n");
    fs::permissions(bin / "ostrel", fs::perms::owner_all);
    const fs::path script = user.data() / "nautilus/scripts/Wipe free space here";
    WriteFile(script, ReadFile(kPackaging / "nautilus-wipe-script"));
    fs::permissions(script, fs::perms::owner_all);
    const auto recorded = [&] {
        std::vector<std::string> split;
        const std::string text = ReadFile(args);
        for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
            end = text.find('\0', at);
            split.push_back(text.substr(at, end - at));
        }
        fs::remove(args);
        return split;
    };
    const struct {
        std::vector<std::string> selected;  // names in the work folder, shown by Nautilus
        std::vector<std::string> run;       // what the script ran; empty: it refused
    } rows[] = {
        {{folder.filename().string()}, byUri},
        {{}, {"ostrel", "--uris", "--wipe-free-space", "--", FileUri(user.work())}},
        {{folder.filename().string(), "other"}, {}},
    };
    WriteFile(user.work() / "other", "o");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.selected.size());
        const RunResult run = RunAsNautilus(user, script, row.selected, bin.string() + ":");
        EXPECT_EQ(run.exitCode, row.run.empty() ? 2 : 0) << run.err;
        EXPECT_EQ(fs::exists(args) ? recorded() : std::vector<std::string>{}, row.run);
    }
}

}  // namespace
}  // namespace ostrel::test
