#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

// The separator of the file system the program runs on. The helpers take the separator as a
// parameter so that the same code also handles Windows-style text ('\').
constexpr char kNativeSeparator = '/';

// The path of shell special folder `csidl` (35: the application-data folder); empty when the
// folder cannot be resolved.
std::string GetSpecialFolder(std::int32_t csidl);

// Sets gCommonAppData to special folder 35 with a trailing separator ("/" alone when the
// folder cannot be resolved). A run-time error is reported in a critical message box (text:
// `errorPrefix`, the error number, " - ", the description; titled `title`): the caller passes
// those texts in the user's language.
void InitSpecialFolders(const std::string& errorPrefix, const std::string& title);

// `path` followed by the separator, unless it already ends in one ("" gives the separator).
std::string AddBackslash(const std::string& path, char separator = kNativeSeparator);

// `path` without the separators at its end; a path that is only separators keeps one.
std::string RemoveTrailingSeparators(const std::string& path, char separator = kNativeSeparator);

// `path` as it is shown, when that has at most `maxLen` characters; otherwise its first 3
// characters, "...", and the tail starting at the first separator at or after character
// (length - (maxLen - 6)), counted from 1. Without such a separator the tail is empty.
// Characters are those of UTF-8 text, never split; a byte that is not part of valid UTF-8 is
// shown as its escape "\xNN" (four characters).
std::string ShortenPath(const std::string& path, std::int16_t maxLen,
                        char separator = kNativeSeparator);

// The text after the last "." of `fileName`; empty when a separator or a ":" (a drive letter)
// comes first scanning back from the end, or when there is no ".".
std::string GetFileExtension(const std::string& fileName, char separator = kNativeSeparator);

}  // namespace ostrel
