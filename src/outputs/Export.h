// The export of a session: every attempt that the model kept of it, oldest
// first, as CSV (with its header) or JSON Lines, saved whole or not at all.
#pragma once

#include <string>

#include "monitor/Monitor.h"
#include "outputs/AttemptFormat.h"
#include "rtl/SysUtils.h"

// The export was saved without the attempts that could not be kept on disk;
// the message says how many.
class EExportError : public Exception {
 public:
  using Exception::Exception;
};

std::string ExportText(const TMonitor& AMonitor, const TPingSession& ASession,
                       TExportFormat AFormat);

// Saves the session's export to AFileName in the format its name asks for
// (ExportFormatFor). Raises what SaveFileWhole raises, and EExportError once
// the file is saved when attempts of the session are missing from it.
void SaveExport(const std::string& AFileName, const TMonitor& AMonitor,
                const TPingSession& ASession);
