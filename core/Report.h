#pragma once

#include <string>
#include <vector>

namespace ostrel {

// One part of a report: a heading, the lines under it (one path each, with its reason), and
// notes that follow the lines (a hint, a folder to look in).
struct ReportSection {
    std::string heading;
    std::vector<std::string> lines;
    std::vector<std::string> notes;
};

// What a job tells the user at its end, in parts a window can lay out: an opening line and
// headed sections. Text() is the same report as one text, as the console prints it.
struct Report {
    std::string title;
    std::string opening;  // empty when the report holds notes only
    std::vector<ReportSection> sections;

    bool Empty() const { return opening.empty() && sections.empty(); }
    // The opening line, then each section after a blank line: its heading, its lines, its
    // notes, one a line. Without an opening line the text starts at the first heading.
    std::string Text() const;
};

}  // namespace ostrel
