#pragma once

#include <map>
#include <string>
#include <vector>

#include "job/ShredJob.h"

namespace ostrel::test {

// What a tree holds: each entry's path relative to the tree ("" is the tree itself), true for a
// folder. Read through descriptors, one level at a time, so trees far deeper than PATH_MAX are
// read whole. An empty map when `tree` is not there.
std::map<std::string, bool> ReadTree(const std::string& tree);

// The report's sections in one order: those whose lines give a reason, then those of paths alone.
std::vector<std::vector<ReportLine>*> LineSections(JobReport& report);
std::vector<std::vector<std::string>*> PathSections(JobReport& report);

// What is wrong with `report` as an account of the job on `tree`, which held `before` and holds
// `after` now: each entry left must be named by exactly one line, its own or a folder's above it
// that says how many files it leaves ("...; N files left", N being those left below it without
// a line of their own), and a folder may also stay because an entry named below it keeps it;
// no line names an entry twice or something outside what was there. Empty when all is well.
std::vector<std::string> AccountingGaps(const std::string& tree,
                                        const std::map<std::string, bool>& before,
                                        const std::map<std::string, bool>& after, JobReport report);

}  // namespace ostrel::test
