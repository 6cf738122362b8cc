#include "outputs/Export.h"

#include "outputs/AtomicFile.h"

std::string ExportText(const TMonitor& AMonitor, const TPingSession& ASession,
                       TExportFormat AFormat) {
  const bool Csv = AFormat == TExportFormat::Csv;
  std::string Text = Csv ? CsvHeader() : std::string();
  AMonitor.VisitAttempts(ASession, [&](const TAttempt& AAttempt) {
    Text += Csv ? CsvRecord(AAttempt, ASession.Host()) : JsonLine(AAttempt, ASession.Host());
  });
  return Text;
}

void SaveExport(const std::string& AFileName, const TMonitor& AMonitor,
                const TPingSession& ASession) {
  SaveFileWhole(AFileName, ExportText(AMonitor, ASession, ExportFormatFor(AFileName)));
  if (const std::uint64_t Missing = AMonitor.Unkept(ASession); Missing > 0)
    throw EExportError(
        Format("The export holds %s of the session's %s attempts: the others could "
               "not be kept on disk",
               {std::to_string(ASession.AttemptCount() - Missing),
                std::to_string(ASession.AttemptCount())}));
}
