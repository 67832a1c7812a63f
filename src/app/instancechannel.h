#pragma once
// Hands a second start's command line to the Glimr already running on the
// same data folder: the running one listens on a local socket in a folder
// only its user can enter; the second sends its paths and leaves. Both ends
// talk only to a peer of their own user.

#include <QObject>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <functional>

#include "app/handoverframe.h"

class QLocalServer;
class QLocalSocket;

namespace glimr {

// Where the sockets live and whom the channel trusts; tests point it at
// their own folders and limits.
struct TInstanceChannelSetup {
  // $XDG_RUNTIME_DIR (absolute), else empty: the sockets then go to
  // FallbackRoot/glimr-<uid>.
  QString RuntimeDir;
  QString FallbackRoot = QStringLiteral("/tmp");
  uid_t PeerUid = 0;  // the only user whose peers are heard or told
  int IdleTimeoutMs = 5000;
  int MaxConnections = 4;  // hand-overs read at the same time
  quint32 MaxPayload = kMaxHandOverPayload;

  static TInstanceChannelSetup FromEnvironment();
};

// The private folder of the sockets (not checked here).
QString InstanceSocketFolder(const TInstanceChannelSetup& setup);
// The socket of a data folder, one per user and folder.
QString InstanceSocketPath(const QString& dataDir, const TInstanceChannelSetup& setup);

class TInstanceServer : public QObject {
  Q_OBJECT

 public:
  // onPaths runs on the main thread with the paths a second start sent
  // (empty: it was started without arguments). When the private folder
  // cannot be had, the server logs why and stays silent.
  TInstanceServer(const QString& dataDir, std::function<void(const QStringList&)> onPaths,
                  const TInstanceChannelSetup& setup = TInstanceChannelSetup::FromEnvironment(),
                  QObject* parent = nullptr);
  ~TInstanceServer() override;
  bool Listening() const;
  // Hand-overs being read now.
  int OpenConnections() const { return open_; }

 private:
  bool Listen(const QString& dataDir);
  void Accept();
  void Serve(QLocalSocket* socket);

  TInstanceChannelSetup setup_;
  QLocalServer* server_ = nullptr;
  QString socketPath_;  // set while listening
  std::function<void(const QStringList&)> onPaths_;
  int open_ = 0;
};

// Sends paths to the running Glimr of dataDir; true when it took them
// within timeoutMs.
bool SendToRunningInstance(
    const QString& dataDir, const QStringList& paths, int timeoutMs = 2000,
    const TInstanceChannelSetup& setup = TInstanceChannelSetup::FromEnvironment());

}  // namespace glimr
