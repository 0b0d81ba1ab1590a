#pragma once

#include "restore/Report.h"

#include <string>
#include <vector>

// The completion report in one message box, with the warning icon when something
// failed. Its text is fitted to the font and the work area, so that the box and
// its OK button stay on the screen whatever the paths, the names and their number.
void ShowCompletionReport(const std::string& sourceText, const std::string& destinationText,
                          const std::vector<RestoreFailure>& failures);
