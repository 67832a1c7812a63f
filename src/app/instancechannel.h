#pragma once
// Hands a second start's command line to the Glimr already running on the
// same data folder: the running one listens on a local socket named after
// its data folder; the second sends its paths and leaves.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QLocalServer;

namespace glimr {

// The socket name of a data folder (one per user and folder).
QString InstanceSocketName(const QString& dataDir);

class TInstanceServer : public QObject {
  Q_OBJECT

 public:
  // onPaths runs on the main thread with the paths a second start sent
  // (empty: it was started without arguments).
  TInstanceServer(const QString& dataDir, std::function<void(const QStringList&)> onPaths,
                  QObject* parent = nullptr);
  ~TInstanceServer() override;
  bool Listening() const;

 private:
  QLocalServer* server_ = nullptr;
  std::function<void(const QStringList&)> onPaths_;
};

// Sends paths to the running Glimr of dataDir; true when it took them
// within timeoutMs.
bool SendToRunningInstance(const QString& dataDir, const QStringList& paths, int timeoutMs = 2000);

}  // namespace glimr
