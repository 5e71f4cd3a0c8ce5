#pragma once

#include <cerrno>
#include <cstdint>
#include <exception>
#include <new>
#include <string>

#include "core/Host.h"
#include "core/RuntimeError.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"

namespace ostrel {

// A failure inside one step of a job (an error raised by the code it calls) is shown in a
// message and the job goes on with its next step.
inline void ShowJobError(std::int32_t number, const std::string& description,
                         std::int32_t osError) {
    CurrentHost().MsgBox(GetLangString(lang::kJobErrorPrefix) + std::to_string(number) + " - " +
                             description + " - " + std::to_string(osError),
                         kMsgCritical, GetLangString(lang::kProductName));
}

// Runs `step` under the job's error handler: an error is shown and the job goes on. 0 when the
// step ran to its end, else the system error behind the failure (EIO when none is known).
template <typename Step>
int Guarded(Step&& step) {
    try {
        step();
        return 0;
    } catch (const RuntimeError& e) {
        ShowJobError(e.Number(), e.Description(), e.LastOsError());
        return e.LastOsError() != 0 ? e.LastOsError() : EIO;
    } catch (const std::bad_alloc&) {
        ShowJobError(kErrOutOfMemory, "Out of memory", 0);
        return ENOMEM;
    } catch (const std::exception& e) {
        ShowJobError(kErrInvalidArgument, e.what(), 0);
        return EIO;
    }
}

}  // namespace ostrel
