#include "uMultInst.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>

#include "uSettings.h"

namespace ostrovel {
namespace {

constexpr char kActivate[] = "activate\n";
constexpr int kConnectTries = 3;
constexpr int kConnectWaitMs = 1000;

}  // namespace

TSingleInstance::TSingleInstance(QString name, QString dir, QObject* parent)
    : QObject(parent), name_(std::move(name)), dir_(std::move(dir)) {
  if (!dir_.endsWith('/')) dir_ += '/';
}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::DefaultDir() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir(runtime).exists()) return runtime + '/';
  // The temporary folder is shared, so the user id keeps users apart.
  return QDir::tempPath() + QStringLiteral("/ostrovel-%1/").arg(getuid());
}

bool TSingleInstance::Check(bool allowMultipleInstances) {
  if (allowMultipleInstances) return true;
  if (QDir().mkpath(dir_))
    QFile::setPermissions(dir_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  lock_ = std::make_unique<QLockFile>(dir_ + name_ + ".lock");
  lock_->setStaleLockTime(0);  // only a dead owner makes the lock stale
  if (!lock_->tryLock(0)) {
    if (lock_->error() == QLockFile::LockFailedError) {
      SendActivation();
      return false;
    }
    // The lock cannot be made here: go on as the first instance, unguarded.
  }
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // A socket left by a crashed instance would make listen fail.
  QLocalServer::removeServer(SocketPath());
  if (server_->listen(SocketPath()))
    connect(server_.get(), &QLocalServer::newConnection, this, &TSingleInstance::Accept);
  // Without a server later starts cannot activate this one, but it still runs.
  return true;
}

void TSingleInstance::SendActivation() const {
  // The first instance may hold the lock but not listen yet; try a little.
  for (int i = 0; i < kConnectTries; ++i) {
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(kConnectWaitMs)) continue;
    socket.write(kActivate);
    socket.waitForBytesWritten(kConnectWaitMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
      socket.waitForDisconnected(kConnectWaitMs);
    return;
  }
}

void TSingleInstance::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      // Anything but the activation message is ignored.
      while (socket->canReadLine())
        if (socket->readLine() == kActivate) emit activated();
    });
  }
}

bool SingleInstanceCheck(TSingleInstance& instance) {
  return instance.Check(ReadAllowMultipleInstances(*UserSettings()));
}

}  // namespace ostrovel
