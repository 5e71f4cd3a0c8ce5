#include "shredder/Shredder.h"

#include <exception>
#include <new>
#include <utility>

#include "core/Host.h"
#include "core/RuntimeError.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"

namespace ostrel {
namespace {

void ShowErrorBox(int number, const std::string& description) {
    std::string text = GetLangString(lang::kShredderErrorPrefix) + " " + std::to_string(number) +
                       " - " + description;
    CurrentHost().MsgBox(text, kMsgCritical, GetLangString(lang::kProductName));
}

}  // namespace

void clsShredder::DetermineShredMethod(const ShredRequest& request) {
    if (m_busy) {
        return;  // a shred of this object is running below us (an event during DoEvents)
    }
    struct BusyScope {
        bool& busy;
        explicit BusyScope(bool& flag) : busy(flag) { busy = true; }
        ~BusyScope() { busy = false; }
    } scope(m_busy);
    // The routines move the file and write its new path back into `path`.
    std::string path = request.p_SourceFile;
    try {
        m_result = {};
        const std::string method = request.p_ShredMethod;
        if (method == kMethodSimple) {
            WipeFileSimple(request, path);
        } else if (method == kMethodDod3) {
            WipeFileDod3(request, path);
        } else if (method == kMethodDod7) {
            WipeFileDod7(request, path);
        } else if (method == kMethodRecycle) {
            RecycleFile(request, path);
        }
    } catch (const RuntimeError& error) {
        ShowErrorBox(error.Number(), error.Description());
    } catch (const std::bad_alloc&) {
        ShowErrorBox(kErrOutOfMemory, "Out of memory");
    } catch (const std::exception& error) {
        ShowErrorBox(kErrInvalidArgument, error.what());
    }
    m_result.lastPath = std::move(path);
}

ShredOutcome ShredOutcomeOf(const clsShredder& shredder) {
    return shredder.m_result.outcome;
}

const ShredResult& ShredResultOf(const clsShredder& shredder) {
    return shredder.m_result;
}

}  // namespace ostrel
