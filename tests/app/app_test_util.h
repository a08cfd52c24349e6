// Running the start-up probe as a separate process with its own settings.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <memory>

#include "queue_test_util.h"

namespace ostrovel::test {

// Settings folders below tmp: per-user in config/, per-machine in xdg/.
inline QProcessEnvironment ProbeEnvironment(const TTempDir& tmp) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  const QString dir = QString::fromStdString(tmp.Dir());
  env.insert("XDG_CONFIG_HOME", dir + "config");
  env.insert("XDG_CONFIG_DIRS", dir + "xdg");
  env.insert("XDG_DATA_HOME", dir + "data");
  env.remove("LC_ALL");
  env.remove("LC_MESSAGES");
  env.insert("LANG", "C");
  return env;
}

inline void WriteSettings(const TTempDir& tmp, const std::string& folder, const std::string& text) {
  std::filesystem::create_directories(tmp.Dir() + folder + "/Korvane");
  WriteAll(tmp.Dir() + folder + "/Korvane/Ostrovel.conf", text);
}

inline std::unique_ptr<QProcess> StartProbe(const QStringList& args,
                                            const QProcessEnvironment& env) {
  auto p = std::make_unique<QProcess>();
  p->setProcessEnvironment(env);
  p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p->start(OSTROVEL_PROBE, args);
  return p;
}

// The next line the probe prints, or "" when none comes within ten seconds.
inline QString NextLine(QProcess& p) {
  while (!p.canReadLine())
    if (!p.waitForReadyRead(10000)) return {};
  return QString::fromUtf8(p.readLine()).trimmed();
}

}  // namespace ostrovel::test
