/*
 * The list an alert e-mail of the growth checks carries after its message: the directories
 * below the alerted one that grew most between the two newest scans of its tree, with their
 * growth, percentage and local path, one per line (CR LF). A report that could not be made
 * adds nothing, so the mail is the message alone. Pure function; main thread in practice.
 */
#ifndef TALLYVOL_ALERTS_GROWTHMAILTEXT_H
#define TALLYVOL_ALERTS_GROWTHMAILTEXT_H

#include "scan/GrowthReport.h"

#include <string>

namespace alerts {

// Sizes in the units (1 to 5, as FormatBytes). Begins with a blank line.
std::string GrowthMailText(const scan::GrowthReport& report, int units);

} // namespace alerts

#endif
