#include "shredder/Shredder.h"

#include <exception>
#include <new>

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

void clsShredder::DetermineShredMethod() {
    if (m_busy) {
        return;  // a shred of this object is running below us (an event during DoEvents)
    }
    struct BusyScope {
        bool& busy;
        explicit BusyScope(bool& flag) : busy(flag) { busy = true; }
        ~BusyScope() { busy = false; }
    } scope(m_busy);
    try {
        m_result = {};
        const std::string method = m_shredMethod;
        if (method == kMethodSimple) {
            WipeFileSimple(p_SourceFile);
        } else if (method == kMethodDod3) {
            WipeFileDod3(p_SourceFile);
        } else if (method == kMethodDod7) {
            WipeFileDod7(p_SourceFile);
        } else if (method == kMethodRecycle) {
            RecycleFile(p_SourceFile);
        }
    } catch (const RuntimeError& error) {
        ShowErrorBox(error.Number(), error.Description());
    } catch (const std::bad_alloc&) {
        ShowErrorBox(kErrOutOfMemory, "Out of memory");
    } catch (const std::exception& error) {
        ShowErrorBox(kErrInvalidArgument, error.what());
    }
}

ShredOutcome ShredOutcomeOf(const clsShredder& shredder) {
    return shredder.m_result.outcome;
}

const ShredResult& ShredResultOf(const clsShredder& shredder) {
    return shredder.m_result;
}

}  // namespace ostrel
