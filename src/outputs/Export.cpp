#include "outputs/Export.h"

#include "outputs/AtomicFile.h"

std::string ExportText(const TMonitor& AMonitor, const std::vector<const TPingSession*>& ASessions,
                       TExportFormat AFormat) {
  const bool Csv = AFormat == TExportFormat::Csv;
  std::string Text = Csv ? CsvHeader() : std::string();
  for (const TPingSession* const Session : ASessions)
    AMonitor.VisitAttempts(*Session, [&](const TAttempt& AAttempt) {
      Text += Csv ? CsvRecord(AAttempt, Session->Host()) : JsonLine(AAttempt, Session->Host());
    });
  return Text;
}

void SaveExport(const std::string& AFileName, const TMonitor& AMonitor,
                const std::vector<const TPingSession*>& ASessions) {
  SaveFileWhole(AFileName, ExportText(AMonitor, ASessions, ExportFormatFor(AFileName)));
  std::uint64_t Missing = 0;
  std::uint64_t All = 0;
  for (const TPingSession* const Session : ASessions) {
    Missing += AMonitor.Unkept(*Session);
    All += Session->AttemptCount();
  }
  if (Missing > 0)
    throw EExportError(
        Format("The export holds %s of the session's %s attempts: the others could "
               "not be kept on disk",
               {std::to_string(All - Missing), std::to_string(All)}));
}
