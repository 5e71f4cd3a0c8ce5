#pragma once

#include <cstdint>
#include <string_view>

namespace ostrel {

// Numbers of the strings the program must be able to show whatever state its language file is
// in: a missing, cut or garbled file must never give an empty question or empty report headings.
inline constexpr std::int16_t kStrProductName = 818;
inline constexpr std::int16_t kStrConfirmShred = 827;
inline constexpr std::int16_t kStrReportHeading = 828;
inline constexpr std::int16_t kStrReportScheduled = 829;
inline constexpr std::int16_t kStrReportContentsKept = 830;
inline constexpr std::int16_t kStrReportTrashRefused = 831;
inline constexpr std::int16_t kStrReportFailed = 834;
// Start-up's refusal when a folder or file of the program's own cannot be used safely: the first
// line, then the path, then one of the reasons.
inline constexpr std::int16_t kStrOwnPathRefused = 840;
inline constexpr std::int16_t kStrOwnPathIsLink = 841;
inline constexpr std::int16_t kStrOwnPathOtherOwner = 842;
inline constexpr std::int16_t kStrOwnPathWritableByOthers = 843;
inline constexpr std::int16_t kStrOwnPathNotFolder = 844;
inline constexpr std::int16_t kStrOwnPathOpenToOthers = 845;
inline constexpr std::int16_t kStrOwnPathCannotCreate = 846;  // the system's reason follows
inline constexpr std::int16_t kStrOwnPathNoHome = 847;

// The English text of string `number` when the program carries one, else empty: the same text
// as the English language file's, in ASCII (so the same in the files' single-byte encoding).
std::string_view BuiltInText(std::int16_t number);

}  // namespace ostrel
