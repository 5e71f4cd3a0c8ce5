#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/FileSystem.h"

namespace ostrel {

// The four method names, exact and case-sensitive; also the stored setting.
inline constexpr char kMethodSimple[] = "Simple Overwrite (1 Pass)";
inline constexpr char kMethodDod3[] = "DoD 5220.22-M (3 Passes)";
inline constexpr char kMethodDod7[] = "DoD 5220.22-M (7 Passes)";
inline constexpr char kMethodRecycle[] = "Recycle Bin";

// What became of the file of the last DetermineShredMethod, for the job to tell the user.
enum class ShredOutcome {
    NotAttempted,             // unknown method name, or no file (missing path, folder)
    Destroyed,                // overwritten pass by pass and deleted
    LinkOrSpecialRemoved,     // a link, FIFO, device or socket: removed, nothing written
    NameRemovedContentsKept,  // more than one hard link: only this name removed
    ScheduledAtRestart,       // overwritten with spaces as far as possible, deleted at restart
    Trashed,                  // moved to the trash
    TrashRefused,             // the trash would not take it; the file is where it was
    Failed,                   // neither destroyed nor scheduled (for example replaced meanwhile)
};

// Destroys one file by the named method. The job fills the properties and calls
// DetermineShredMethod; a fresh object serves each file. The overwrite methods move the file
// into the holding folder gDataFolder + "/Safetemp/", which they never create.
class clsShredder {
  public:
    std::string p_SourceFile;
    bool RenameFlag = false;
    std::int32_t p_Passes = 0;
    bool p_Attributes = false;
    void p_ShredMethod(const std::string& p_Method) { m_shredMethod = p_Method; }
    void p_Module(const std::string& module) { m_module = module; }

    // Runs the routine the method name selects on p_SourceFile; an unknown name does nothing.
    // An error that reaches here is shown in an error box through the host.
    void DetermineShredMethod();

    // The three- and seven-pass overwrites; iPasses is not read (the pass table is fixed).
    void WipeFileDod3(std::string& spath, std::int32_t& iPasses);
    void WipeFileDod7(std::string& spath, std::int32_t& iPasses);

    std::string RandFileName();
    bool FileExist(const std::string& FileName);
    std::string FillString2(const std::int32_t& RecordSize, const std::int32_t& Pattern);
    std::string FillString(const std::int32_t& RecordSize, const std::int32_t& Pattern);
    std::string RandData2(const std::int32_t& length);
    std::string RandData(const std::int32_t& length);

  private:
    void RecycleFile(std::string& path);
    void WipeFileSimple(std::string& spath);
    void IsNotWin9x(bool& result);
    void DeleteOnReboot(std::string& path, std::string& entryPath);
    void OverwriteWithSpaces(std::string& path, std::string& entryPath);

    void WipeFile(std::string& spath, std::span<const std::int32_t> passes);
    bool RemovedAsUnwritable(std::string& spath, const platform::FileStatus& status);
    void MoveOutOfSight(std::string& spath, const platform::FileStatus& status);
    void RunFallback(std::string& spath, std::string& entryPath);
    void Finish(ShredOutcome outcome);

    friend ShredOutcome ShredOutcomeOf(const clsShredder& shredder);

    std::string m_shredMethod;
    std::string m_module;
    ShredOutcome m_outcome = ShredOutcome::NotAttempted;
    std::optional<platform::FileIdentity> m_file;  // the file being shredded
    std::string m_inProgressPath;                  // its entry on the in-progress list
    bool m_scheduled = false;
    bool m_busy = false;
};

// What became of the file of `shredder`'s last shred.
ShredOutcome ShredOutcomeOf(const clsShredder& shredder);

}  // namespace ostrel
