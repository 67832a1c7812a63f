#pragma once
// SIGTERM and SIGINT as a Qt signal on the main thread (a self-pipe watched
// by a socket notifier), so that a desktop session ending the program closes
// the main window the same way "Exit" does and nothing is lost.

#include <QObject>

class QSocketNotifier;

namespace glimr {

class TUnixSignalWatcher : public QObject {
  Q_OBJECT

 public:
  // Installs the handlers for SIGTERM and SIGINT; one watcher per process.
  explicit TUnixSignalWatcher(QObject* parent = nullptr);
  ~TUnixSignalWatcher() override;
  bool IsInstalled() const { return notifier_ != nullptr; }

 Q_SIGNALS:
  void terminationRequested(int signalNumber);

 private:
  void ReadSignal();
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace glimr
