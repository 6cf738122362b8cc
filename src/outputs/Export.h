// The export of sessions: every attempt that the model kept of them, session
// after session and each oldest first, with the host in every record, as CSV
// (with its header) or JSON Lines, saved whole or not at all.
#pragma once

#include <string>
#include <vector>

#include "monitor/Monitor.h"
#include "outputs/AttemptFormat.h"
#include "rtl/SysUtils.h"

// The export was saved without the attempts that could not be kept on disk;
// the message says how many.
class EExportError : public Exception {
 public:
  using Exception::Exception;
};

std::string ExportText(const TMonitor& AMonitor, const std::vector<const TPingSession*>& ASessions,
                       TExportFormat AFormat);
inline std::string ExportText(const TMonitor& AMonitor, const TPingSession& ASession,
                              TExportFormat AFormat) {
  return ExportText(AMonitor, {&ASession}, AFormat);
}

// Saves the sessions' export to AFileName in the format its name asks for
// (ExportFormatFor). Raises what SaveFileWhole raises, and EExportError once
// the file is saved when attempts of the sessions are missing from it.
void SaveExport(const std::string& AFileName, const TMonitor& AMonitor,
                const std::vector<const TPingSession*>& ASessions);
inline void SaveExport(const std::string& AFileName, const TMonitor& AMonitor,
                       const TPingSession& ASession) {
  SaveExport(AFileName, AMonitor, {&ASession});
}
