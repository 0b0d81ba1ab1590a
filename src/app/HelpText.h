#pragma once

#include <string>

// The text of the Help/About box, lines separated by CR LF, none after the last.
std::string BuildHelpText();
