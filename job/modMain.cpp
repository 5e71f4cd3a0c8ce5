#include "job/modMain.h"

#include "core/FileSearch.h"
#include "core/Globals.h"
#include "core/Host.h"
#include "core/PathHelpers.h"
#include "core/RegistryManager.h"
#include "core/StoredSettings.h"
#include "job/ShredJob.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "platform/FileSystem.h"
#include "platform/InProgressList.h"
#include "platform/LockFile.h"
#include "platform/NamedMutex.h"
#include "platform/PendingDeletions.h"
#include "platform/ProcessPriority.h"
#include "platform/ProgramFolder.h"
#include "shredder/FileChecks.h"
#include "shredder/Shredder.h"

namespace ostrel {
namespace {

constexpr char kMutexName[] = "BrivellSoftwareShredder";
constexpr char kDataSubfolder[] = "Tolvane/Quarrix";
constexpr char kHoldingFolderName[] = "Safetemp";
constexpr char kAnimationFile[] = "Busy.gif";

bool HasLngExtension(const std::string& fileName) {
    std::string extension = GetFileExtension(fileName);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return extension == "LNG";
}

// Creates `path` and the folders above it that are missing, each with `mode`.
void MakeFolders(const std::string& path, std::uint32_t mode) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string parent = path.substr(0, slash);
        if (!platform::PathIsDirectory(parent)) {
            platform::MakeDirectory(parent, mode);
        }
    }
    if (!platform::PathIsDirectory(path)) {
        platform::MakeDirectory(path, mode);
    }
}

// A leftover was on its way to destruction by an overwrite method: finish it by the stored
// method when that is one, else by one random pass (never to the trash).
std::string LeftoverMethod(const std::string& method) {
    if (method == kMethodSimple || method == kMethodDod3 || method == kMethodDod7) {
        return method;
    }
    return kMethodSimple;
}

void SetDataFolder() {
    gDataFolder = gCommonAppData + kDataSubfolder;
}

}  // namespace

namespace {

// Held shared by every running instance for its whole life: the files in the holding folder
// may belong to a job still running, so only a start that can take it exclusively (no other
// instance alive) finishes them.
platform::LockFile g_holdingLock;

void FinishLeftovers(ShredJob& job, const std::string& holding, const std::string& storedMethod) {
    const std::string method = LeftoverMethod(storedMethod);
    cFileSearch search;
    search.FileSearch(holding + "/*.*");
    for (std::int32_t i = 1; i <= search.FileCount(); ++i) {
        job.ShredLeftover(search.FileItem(i).AFilePath(), method);
    }
    for (const platform::StateEntry& entry : platform::InProgressEntries()) {
        // The file was renamed in place by us and its passes have changed its times since, but
        // never its size. An inode number alone is not enough: a file deleted meanwhile frees
        // its number for the next file created.
        const auto status = platform::StatPath(entry.path);
        if (status && status->type == platform::FileType::Regular && status->id == entry.id &&
            status->size == entry.size) {
            job.ShredLeftover(entry.path, method);
        }
        platform::RemoveInProgress(entry.path);
    }
}

}  // namespace

void FinishInterruptedWork(ShredJob& job, Forms& forms) {
    const std::string holding = gDataFolder + "/" + kHoldingFolderName;
    MakeFolders(holding, 0700);
    // Only a private folder serves as the holding folder (the shredder refuses any other), so
    // one left with other permission bits, or made under a strict umask, is put right here. A
    // link or another user's folder in its place stays refused.
    if (!IsPrivateFolder(holding)) {
        platform::SetFolderMode(holding, 0700);
    }
    platform::DeletePendingFromEarlierBoots();

    g_holdingLock = platform::LockFile::Open(holding + ".lock");
    if (g_holdingLock.TryExclusive()) {
        FinishLeftovers(job, holding, forms.options.DeleteMethod());
    }
    g_holdingLock.HoldShared();
}

void Main(const std::vector<std::string>& paths, Forms& forms, const RunOverrides& overrides) {
    Host& host = CurrentHost();
    platform::RaiseProcessPriority();
    static platform::NamedMutex mutex = platform::NamedMutex::Create(kMutexName);
    gShredCount = 0;

    if (forms.options.CheckIfFirstRun() == "Error") {
        forms.language.ShowModal();
        OpenLanguageFile(gChosenLanguage);
        forms.options.SetLanguageText(gLanguageFile);
        host.DoEvents();
    } else {
        gLanguageFile =
            RegGetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang).ToString();
        if (gLanguageFile.empty()) {
            forms.language.ShowModal();
        }
        if (!HasLngExtension(gLanguageFile)) {
            forms.language.ShowModal();
        }
        OpenLanguageFile(gLanguageFile);
        forms.options.SetLanguageText(gLanguageFile);
        host.DoEvents();
    }

    InitSpecialFolders(GetLangString(lang::kFolderErrorPrefix), GetLangString(lang::kProductName));
    SetDataFolder();
    forms.options.SetDeleteMethod(StoredMethod());
    forms.options.SetConfirm(StoredConfirm());
    SetDataFolder();
    forms.progress.Load();
    forms.progress.SetVisible(false);
    forms.progress.LoadAnimation(AddBackslash(platform::ProgramFolder()) + kAnimationFile, false);

    ShredJob job(forms);
    FinishInterruptedWork(job, forms);
    if (!overrides.method.empty()) {
        forms.options.SetDeleteMethod(overrides.method);
    }
    if (overrides.noQuestion) {
        forms.options.SetConfirm(0);
    }

    if (!paths.empty()) {
        if (forms.options.Confirm() == 1 &&
            host.MsgBox(GetLangString(827), kMsgYesNo, GetLangString(818)) != kAnswerYes) {
            forms.progress.Unload();
            host.EndProcess(0);
        }
        for (const std::string& path : paths) {
            job.ShredSinglePath(path);
        }
        forms.progress.Unload();
        const JobReport report = job.TakeReport();
        ShowJobReport(report);
        // A script can tell a job that left something behind from one that destroyed it all.
        host.EndProcess(report.Empty() ? 0 : 1);
    }
    ShowJobReport(job.TakeReport());  // what finishing an interrupted run could not destroy
    forms.about.Show();
    forms.progress.Unload();
}

}  // namespace ostrel
