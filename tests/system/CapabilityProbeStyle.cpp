// A style plugin of the kind any local user can write and name through
// QT_PLUGIN_PATH and QT_STYLE_OVERRIDE: when the toolkit loads it, it writes
// the capabilities of the process that loaded it to standard error, so the
// install test sees what such code would run with. It styles nothing.
#include <QStyle>
#include <QStylePlugin>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

struct CapabilityRecord {
  CapabilityRecord() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("CapEff:", 0) == 0)
        std::fprintf(stderr, "capability probe %s\n", line.c_str());
  }
};
const CapabilityRecord kRecordedOnLoad;

}  // namespace

class CapabilityProbeStyle : public QStylePlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QStyleFactoryInterface_iid FILE "CapabilityProbeStyle.json")

 public:
  QStyle* create(const QString&) override { return nullptr; }
};

#include "CapabilityProbeStyle.moc"
