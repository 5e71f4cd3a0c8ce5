#include "lang/BuiltInTexts.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace ostrel {
namespace {

constexpr std::pair<std::int16_t, std::string_view> kTexts[] = {
    {kStrProductName, "Ostrel"},
    {kStrConfirmShred,
     "The files and folders given will be destroyed and cannot be recovered. Shred them now?"},
    {kStrReportHeading, "Not everything could be destroyed at once:"},
    {kStrReportScheduled, "Overwritten as far as possible; deleted after the next restart:"},
    {kStrReportContentsKept,
     "Name removed, contents kept, because the file has other names (hard links):"},
    {kStrReportTrashRefused, "Not moved to the trash:"},
    {kStrReportFailed, "Could not be destroyed:"},
    {kStrOwnPathRefused,
     "Nothing was shredded. A folder or file Ostrel keeps its own data in cannot be used safely:"},
    {kStrOwnPathIsLink, "It is a symbolic link."},
    {kStrOwnPathOtherOwner, "It belongs to another user."},
    {kStrOwnPathWritableByOthers, "Other users may change it."},
    {kStrOwnPathNotFolder, "It is not a folder."},
    {kStrOwnPathOpenToOthers, "Other users may look into it."},
    {kStrOwnPathCannotCreate, "It cannot be created or opened:"},
    {kStrOwnPathNoHome, "No home folder is known (HOME is not set)."},
};

}  // namespace

std::string_view BuiltInText(std::int16_t number) {
    const auto found =
        std::ranges::find(kTexts, number, &std::pair<std::int16_t, std::string_view>::first);
    return found == std::end(kTexts) ? std::string_view() : found->second;
}

}  // namespace ostrel
