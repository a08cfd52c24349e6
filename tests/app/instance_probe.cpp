// A stand-in for the program's entry, run by the tests as a separate process.
//
//   instance_probe instance DIR   single-instance check against DIR; prints
//                                 "second" and exits 0, or prints "first"
//                                 and runs until activated ("activated")
//   instance_probe init           runs the start-up and prints its values
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

#include "uLanguage.h"
#include "uLogs.h"
#include "uMultInst.h"
#include "uPaths.h"
#include "uProcs.h"
#include "uStartup.h"

using namespace ostrovel;

namespace {

void Say(const QString& line) {
  std::printf("%s\n", qPrintable(line));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() >= 3 && args[1] == "instance") {
    TSingleInstance instance(kInstanceName, args[2]);
    if (!SingleInstanceCheck(instance)) {
      Say("second");
      return 0;
    }
    Say(QStringLiteral("first listening=%1").arg(instance.Listening() ? 1 : 0));
    QObject::connect(&instance, &TSingleInstance::activated, &app, [&] {
      Say("activated");
      app.quit();
    });
    QTimer::singleShot(60000, &app, [&] { app.exit(3); });  // never outlive a failed test
    return app.exec();
  }
  if (args.size() >= 2 && args[1] == "init") {
    InitializeProcess();
    Say("InstallDir=" + QString::fromStdString(InstallDir()));
    Say("Log=" + QString::fromStdString(ErrorLog().FileName()));
    Say("Computer=" + QString::fromStdU16String(LocalComputerName()));
    Say("Language=" + QString::fromStdString(CurrentLanguage()));
    Say("Connecting=" + QString::fromStdU16String(ConnectingText()));
    Say(QStringLiteral("MoneyDecimals=%1").arg(MoneyDecimals()));
    LogError(0, 2, "probe");
    ErrorLog().Sync();
    return 0;
  }
  return 2;
}
