#include "core/Report.h"

namespace ostrel {

std::string Report::Text() const {
    std::string text = opening;
    for (const ReportSection& section : sections) {
        if (!text.empty()) {
            text += "\n\n";
        }
        text += section.heading;
        for (const std::string& line : section.lines) {
            text += "\n" + line;
        }
        for (const std::string& note : section.notes) {
            text += "\n" + note;
        }
    }
    return text;
}

}  // namespace ostrel
