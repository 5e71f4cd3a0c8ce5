#pragma once

#include <cstdint>

namespace ostrel::lang {

// Numbers of the language-file strings the program shows, by what they say.
inline constexpr std::int16_t kCopyright = 1;  // cut after its first full stop
inline constexpr std::int16_t kJobErrorPrefix = 478;
inline constexpr std::int16_t kShredderErrorPrefix = 661;
inline constexpr std::int16_t kFolderErrorPrefix = 771;
inline constexpr std::int16_t kProductName = 818;
inline constexpr std::int16_t kConfirmQuestion = 827;

// Start-up's refusal when a folder or file of the program's own cannot be used safely: the first
// line, then the path, then one of the reasons.
inline constexpr std::int16_t kOwnPathRefused = 840;
inline constexpr std::int16_t kOwnPathIsLink = 841;
inline constexpr std::int16_t kOwnPathOtherOwner = 842;
inline constexpr std::int16_t kOwnPathWritableByOthers = 843;
inline constexpr std::int16_t kOwnPathNotFolder = 844;
inline constexpr std::int16_t kOwnPathOpenToOthers = 845;
inline constexpr std::int16_t kOwnPathCannotCreate = 846;  // the system's reason follows
inline constexpr std::int16_t kOwnPathNoHome = 847;
inline constexpr std::int16_t kOwnPathNotWritable = 848;  // the system's reason follows

// Window texts: captions of buttons, panels and frames, and the labels beside the settings.
inline constexpr std::int16_t kApplyCaption = 41;
inline constexpr std::int16_t kOptionsCaption = 69;  // the options panel and the Options button
inline constexpr std::int16_t kCancelCaption = 101;
inline constexpr std::int16_t kLanguageLabel = 143;
inline constexpr std::int16_t kMethodLabel = 507;
inline constexpr std::int16_t kConfirmCaption = 817;
inline constexpr std::int16_t kCloseCaption = 821;
inline constexpr std::int16_t kProgressFrame = 826;
inline constexpr std::int16_t kStoppingAfterFile = 882;

// The main window's information lines, in the order they are shown.
inline constexpr std::int16_t kAboutLine1 = 819;
inline constexpr std::int16_t kAboutLine2 = 822;
inline constexpr std::int16_t kAboutLine3 = 820;
inline constexpr std::int16_t kAboutLine4 = 823;
inline constexpr std::int16_t kAboutLine5 = 824;
inline constexpr std::int16_t kAboutLine6 = 825;

// The end-of-job report: its heading and one heading per section.
inline constexpr std::int16_t kReportHeading = 828;
inline constexpr std::int16_t kReportScheduled = 829;
inline constexpr std::int16_t kReportContentsKept = 830;
inline constexpr std::int16_t kReportTrashRefused = 831;
inline constexpr std::int16_t kReportNotDestroyed = 834;
inline constexpr std::int16_t kReportNotFound = 860;
inline constexpr std::int16_t kReportFoldersLeft = 861;
inline constexpr std::int16_t kReportRefused = 862;
inline constexpr std::int16_t kReportUnknownMethod = 863;
inline constexpr std::int16_t kReportStopped = 880;

// Why a file or folder is in the report.
inline constexpr std::int16_t kWhyReadOnlyFileSystem = 864;
inline constexpr std::int16_t kWhyImmutable = 865;
inline constexpr std::int16_t kWhyPermissionDenied = 866;
inline constexpr std::int16_t kWhyInUse = 867;
inline constexpr std::int16_t kWhyMountPoint = 868;
inline constexpr std::int16_t kWhyUnreadable = 869;
inline constexpr std::int16_t kWhyNotEmpty = 870;
inline constexpr std::int16_t kWhyChanged = 871;
inline constexpr std::int16_t kWhyWriteError = 872;
inline constexpr std::int16_t kWhyContentsIntact = 873;
inline constexpr std::int16_t kWhyNowAt = 874;
inline constexpr std::int16_t kWhyTopFolder = 875;
inline constexpr std::int16_t kWhyCurrentFolder = 876;
inline constexpr std::int16_t kWhyHomeFolder = 877;
inline constexpr std::int16_t kWhyProgramFolders = 878;
inline constexpr std::int16_t kWhyDiskFull = 879;
inline constexpr std::int16_t kWhyFilesLeft = 881;  // after a count: "12 files left"

// Notes at the end of a job, which do not make it fail: what a start finished for an
// interrupted run, and the files whose old contents may survive where overwriting cannot reach,
// with why.
inline constexpr std::int16_t kReportFinishedLeftovers = 900;
inline constexpr std::int16_t kReportOverwriteReach = 901;
inline constexpr std::int16_t kWhyCopyOnWrite = 902;
inline constexpr std::int16_t kWhySharedBlocks = 903;
inline constexpr std::int16_t kWhyNetworkFileSystem = 904;
inline constexpr std::int16_t kWhyDataJournal = 905;

// Below the question asked before shredding: what the paths given are, each after its count
// ("2 files, 1 folder, 1 not found:"), and after the listed paths how many more there are
// (906 and 907 around the count: "... and 5 more").
inline constexpr std::int16_t kConfirmOneFile = 906;
inline constexpr std::int16_t kConfirmFiles = 907;
inline constexpr std::int16_t kConfirmOneFolder = 908;
inline constexpr std::int16_t kConfirmFolders = 909;
inline constexpr std::int16_t kConfirmNotFound = 910;
inline constexpr std::int16_t kConfirmMoreBefore = 911;
inline constexpr std::int16_t kConfirmMoreAfter = 912;

// A file manager handed over something that is not a local file (the list follows); nothing is
// shredded.
inline constexpr std::int16_t kNotLocalFiles = 913;

// The buttons of a Yes/No question in a window.
inline constexpr std::int16_t kYesButton = 914;
inline constexpr std::int16_t kNoButton = 915;
// The main window's Options button, with its access key (the options panel's caption has none).
inline constexpr std::int16_t kOptionsButton = 945;
// Why a file was not moved to the trash: the trash folder named after the reason cannot be
// trusted with it.
inline constexpr std::int16_t kWhyTrashIsLink = 920;
inline constexpr std::int16_t kWhyTrashOtherOwner = 921;
inline constexpr std::int16_t kWhyTrashWritableByOthers = 922;
inline constexpr std::int16_t kWhyTrashNotFolder = 923;
// A start that finds another start finishing an interrupted run: what it waits for (the progress
// caption), and why it gave up.
inline constexpr std::int16_t kWaitingForOtherStart = 930;
inline constexpr std::int16_t kGaveUpWaiting = 931;

// Notes of a start on what an interrupted run or an earlier boot left and it could not finish:
// files whose disk is not there (and how to stop waiting for one; the state folder follows), and
// files scheduled for deletion at restart that changed since, which were kept.
inline constexpr std::int16_t kReportWaitingForDisk = 932;
inline constexpr std::int16_t kReportHowToStopWaiting = 933;
inline constexpr std::int16_t kReportKeptChanged = 934;

// The report window's buttons that copy the report and save it to a file.
inline constexpr std::int16_t kCopyButton = 950;
inline constexpr std::int16_t kSaveButton = 951;
// The title bar's minimise, maximise and restore buttons as screen readers name them.
inline constexpr std::int16_t kMinimiseName = 952;
inline constexpr std::int16_t kMaximiseName = 953;
inline constexpr std::int16_t kRestoreName = 954;
// The progress status line below the bar, parts joined by ", " ("%1" to "%3" stand for numbers,
// counts with the words of 906 to 909, or a time), the phases before the first and after the last
// file, and the summary of a job: the files and folders destroyed and the time taken.
inline constexpr std::int16_t kProgressFiles = 970;
inline constexpr std::int16_t kProgressPass = 971;
inline constexpr std::int16_t kProgressTimeLeft = 972;
inline constexpr std::int16_t kProgressCounting = 973;
inline constexpr std::int16_t kProgressFlushing = 974;
inline constexpr std::int16_t kProgressRemovingFolders = 975;
inline constexpr std::int16_t kJobSummary = 976;
inline constexpr std::int16_t kJobSummaryTrashed = 977;
// The main window's button that wipes the free space of a disk (with its access key), its
// tooltip, and the folder chooser it opens: its title, the labels of the folder list and of the
// name field, and the button that takes the folder (with its access key).
inline constexpr std::int16_t kWipeButton = 990;
inline constexpr std::int16_t kWipeButtonTip = 991;
inline constexpr std::int16_t kWipeChooserTitle = 992;
inline constexpr std::int16_t kWipeChooserLookIn = 993;
inline constexpr std::int16_t kWipeChooserFolder = 994;
inline constexpr std::int16_t kWipeChooserAccept = 995;

// Wiping free space: the question, the refusal of the trash, the status line (bytes written of
// all, the rate), the summary (bytes, time taken, time the disk was full), the report's lines
// (a fill that stopped, the space left free, flash storage, a disk whose free space cannot be
// filled safely: the program's folder there cannot be trusted, or it is memory; a stop), and a
// start's note on the fill files an interrupted wipe left.
inline constexpr std::int16_t kWipeQuestion = 980;
inline constexpr std::int16_t kWipeRecycleRefused = 981;
inline constexpr std::int16_t kWipeProgress = 982;
inline constexpr std::int16_t kWipeSummary = 983;
inline constexpr std::int16_t kWipeFillStopped = 984;
inline constexpr std::int16_t kWipeLeftFree = 985;
inline constexpr std::int16_t kWipeFlash = 986;
inline constexpr std::int16_t kReportFillFilesDeleted = 987;
inline constexpr std::int16_t kWipeUnsafe = 988;
inline constexpr std::int16_t kWipeStopped = 989;
// The summary of a wipe that did not run to its end (stopped, or an error), with and without the
// time the disk was full.
inline constexpr std::int16_t kWipeSummaryUnfinishedFull = 996;
inline constexpr std::int16_t kWipeSummaryUnfinished = 997;
// The progress window's heading during a wipe, and once it was asked to stop.
inline constexpr std::int16_t kWipeProgressTitle = 998;
inline constexpr std::int16_t kWipeStoppingTitle = 999;

}  // namespace ostrel::lang
