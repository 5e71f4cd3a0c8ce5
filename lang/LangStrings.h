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

}  // namespace ostrel::lang
