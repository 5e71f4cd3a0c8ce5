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
};

}  // namespace

std::string_view BuiltInText(std::int16_t number) {
    const auto found =
        std::ranges::find(kTexts, number, &std::pair<std::int16_t, std::string_view>::first);
    return found == std::end(kTexts) ? std::string_view() : found->second;
}

}  // namespace ostrel
