#include "lang/BuiltInTexts.h"

#include "lang/LangStrings.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace ostrel {
namespace {

using namespace lang;

constexpr std::pair<std::int16_t, std::string_view> kTexts[] = {
    {kProductName, "Ostrel"},
    {kConfirmQuestion,
     "The files and folders given will be destroyed and cannot be recovered. Shred them now?"},
    {kReportHeading, "Not everything could be destroyed at once:"},
    {kReportScheduled, "Overwritten as far as possible; deleted after the next restart:"},
    {kReportContentsKept,
     "Name removed, contents kept, because the file has other names (hard links):"},
    {kReportTrashRefused, "Not moved to the trash:"},
    {kReportNotDestroyed, "Could not be destroyed:"},
    {kOwnPathRefused,
     "Nothing was shredded. A folder or file Ostrel keeps its own data in cannot be used safely:"},
    {kOwnPathIsLink, "It is a symbolic link."},
    {kOwnPathOtherOwner, "It belongs to another user."},
    {kOwnPathWritableByOthers, "Other users may change it."},
    {kOwnPathNotFolder, "It is not a folder."},
    {kOwnPathOpenToOthers, "Other users may look into it."},
    {kOwnPathCannotCreate, "It cannot be created or opened:"},
    {kOwnPathNoHome, "No home folder is known (HOME is not set)."},
    {kOwnPathNotWritable, "Nothing can be written in it:"},
    {kReportNotFound, "Not found:"},
    {kReportFoldersLeft, "Folders left in place:"},
    {kReportRefused, "Refused; nothing was touched:"},
    {kReportUnknownMethod,
     "The stored shredding method is not one Ostrel knows; nothing was shredded:"},
    {kWhyReadOnlyFileSystem, "read-only file system"},
    {kWhyImmutable, "immutable or append-only"},
    {kWhyPermissionDenied, "permission denied"},
    {kWhyInUse, "in use by another program"},
    {kWhyMountPoint, "another file system is mounted here"},
    {kWhyUnreadable, "could not be read"},
    {kWhyNotEmpty, "not empty"},
    {kWhyChanged, "changed while the job ran"},
    {kWhyWriteError, "write error"},
    {kWhyContentsIntact, "contents intact"},
    {kWhyNowAt, "now at"},
    {kWhyTopFolder, "the root folder or a folder directly below it"},
    {kWhyCurrentFolder, "the current folder or the one above it"},
    {kWhyHomeFolder, "your home folder"},
    {kWhyProgramFolders, "holds Ostrel's own folders"},
    {kWhyDiskFull, "the disk is full"},
    {kReportStopped, "Stopped before these were shredded; they are untouched:"},
    {kWhyFilesLeft, "files left"},
    {kReportFinishedLeftovers,
     "Finished at this start; an interrupted run had left these on their way to destruction:"},
    {kReportOverwriteReach,
     "Overwritten and deleted, but a copy of the old contents may survive where overwriting cannot "
     "reach:"},
    {kWhyCopyOnWrite,
     "the file system writes changes to new places, so the old blocks may keep the contents"},
    {kWhySharedBlocks,
     "it shares blocks with another file (a reflinked copy), which still holds them"},
    {kWhyNetworkFileSystem,
     "a network or user-space file system: where it stores the data is out of Ostrel's reach"},
    {kWhyDataJournal, "the file system's journal may keep a copy of the contents"},
    {kConfirmOneFile, "file"},
    {kConfirmFiles, "files"},
    {kConfirmOneFolder, "folder"},
    {kConfirmFolders, "folders"},
    {kConfirmNotFound, "not found"},
    {kConfirmMoreBefore, "... and"},
    {kConfirmMoreAfter, "more"},
    {kNotLocalFiles,
     "Ostrel shreds only local files. Nothing was shredded; these are not local files:"},
    {kYesButton, "&Yes"},
    {kNoButton, "&No"},
    {kWhyTrashIsLink, "the trash folder is a symbolic link"},
    {kWhyTrashOtherOwner, "the trash folder belongs to another user"},
    {kWhyTrashWritableByOthers, "other users may change the trash folder"},
    {kWhyTrashNotFolder, "the trash folder is not a folder"},
    {kWaitingForOtherStart,
     "Waiting for another start of Ostrel to finish what an interrupted run left..."},
    {kGaveUpWaiting,
     "Nothing was shredded: another start of Ostrel is still finishing what an interrupted run "
     "left. Try again later."},
    {kReportWaitingForDisk,
     "Waiting for the disk that holds each of these; they are finished by the first start that "
     "finds it in its place:"},
    {kReportHowToStopWaiting,
     "To stop waiting for one, delete its entry (two lines) from the list that names it, in this "
     "folder:"},
    {kReportKeptChanged,
     "Kept, not deleted after the restart: the file changed since it was scheduled, or another "
     "file took its name:"},
    {kCopyButton, "&Copy"},
    {kSaveButton, "&Save..."},
};

}  // namespace

std::string_view BuiltInText(std::int16_t number) {
    const auto found =
        std::ranges::find(kTexts, number, &std::pair<std::int16_t, std::string_view>::first);
    return found == std::end(kTexts) ? std::string_view() : found->second;
}

}  // namespace ostrel
