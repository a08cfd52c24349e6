// One running instance per user: a later start asks the running one to come
// to the front and ends before it makes any window.
//
// The first instance holds a lock file (the lock of a crashed instance is
// recognised by its dead process and taken over) and listens on a local
// socket; a later start finds the lock held, connects, sends the activation
// message and reports that it must end. With multiple instances allowed
// neither the lock nor the socket exists.
//
// Threads: main thread; activated() is emitted from the event loop.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace ostrovel {

class TSingleInstance : public QObject {
  Q_OBJECT

 public:
  // name: the instance name; dir: the per-user folder for socket and lock.
  TSingleInstance(QString name, QString dir, QObject* parent = nullptr);
  ~TSingleInstance() override;

  // True: this process goes on (first instance, or several allowed).
  // False: another instance runs and has been asked to come to the front.
  bool Check(bool allowMultipleInstances);

  QString SocketPath() const { return dir_ + name_; }
  bool Listening() const { return server_ && server_->isListening(); }

  // The per-user folder: $XDG_RUNTIME_DIR, else the temporary folder.
  static QString DefaultDir();

 signals:
  // A later start asked this instance to come to the front.
  void activated();

 private:
  void Accept();
  void SendActivation() const;

  QString name_;
  QString dir_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
};

// The start-up check: reads AllowMultipleInstances from the user settings.
bool SingleInstanceCheck(TSingleInstance& instance);

}  // namespace ostrovel
