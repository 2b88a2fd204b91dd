// What discovery found wrong with the distribution: damaged item archives and files that
// are not what they should be. Each problem is noted where it is met and all are reported
// together once the item sets are known (ReportDistributionProblems): on standard error in
// command-line mode, in one alert in the wizard. OpenRegularFile is how discovery opens the
// distribution's own files, so that a FIFO or a device among them cannot block it.
#pragma once

#include <cstdio>
#include <string>

// Notes that `path` (an archive or a file of the distribution) was left out, and why; both
// are shown as Printable makes them.
void NoteDistributionProblem(const std::string& path, const std::string& what);
// Reports the problems noted (nothing when there are none) and forgets them.
void ReportDistributionProblems();

// `text` as a message may show it: non-printing bytes written as \ooo, cut at `longest`
// characters (a catalog or an archive name can hold anything).
std::string Printable(const std::string& text, size_t longest = 200);

// Opens `path` for reading when it is a regular file; symbolic links are followed only with
// `followLinks`. Anything else is refused by its type before it is opened, with *refusal
// set to "not a regular file". Null with *refusal empty when there is no such file or it
// cannot be opened.
FILE* OpenRegularFile(const std::string& path, bool followLinks, std::string* refusal);
