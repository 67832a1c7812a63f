#pragma once
// Keeps the screen from blanking while a slideshow runs: asks the session
// bus's screen saver service, else the desktop portal, never waiting for an
// answer; where neither answers it says so and the slideshow runs anyway.

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace glimr {

class TScreenSaverInhibit : public QObject {
  Q_OBJECT

 public:
  enum class TState {
    Idle,         // nothing asked, or released
    Asking,       // a request is on its way
    Held,         // the screen stays on until Release
    Unavailable,  // neither service answered; a new Inhibit asks again
  };
  Q_ENUM(TState)
  enum class TVia { None, ScreenSaver, Portal };
  Q_ENUM(TVia)

  // How long a service may take to answer before it counts as absent.
  static constexpr int kDefaultTimeoutMs = 5000;

  // Over the session bus.
  explicit TScreenSaverInhibit(QObject* parent = nullptr);
  // Over the given connection (a test's bus).
  explicit TScreenSaverInhibit(const QDBusConnection& bus, QObject* parent = nullptr);
  // Releases what is held; an answer still on its way is released when it
  // arrives.
  ~TScreenSaverInhibit() override;

  // Asks for the screen to stay on, with the language's reason text (or
  // the given one); returns at once. Does nothing while asking or held.
  void Inhibit();
  void Inhibit(const QString& reason);
  // Lets the screen blank again. Safe at any moment and any number of
  // times; an answer still on its way is released when it arrives.
  void Release();

  TState State() const { return state_; }
  TVia Via() const { return via_; }
  void SetTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

 Q_SIGNALS:
  // The screen stays on, by way of via.
  void Held(glimr::TScreenSaverInhibit::TVia via);
  // Neither service answered (no bus, no service, an error, no answer in
  // time); why is for the log.
  void Unavailable(const QString& why);

 private:
  void AskScreenSaver();
  void AskPortal(const QString& screenSaverError);
  void Fail(const QString& why);

  QDBusConnection bus_;
  QString reason_;
  TState state_ = TState::Idle;
  TVia via_ = TVia::None;
  uint cookie_ = 0;
  QString request_;      // the portal's request object path
  quint64 attempt_ = 0;  // counts Inhibit calls; a late answer to an older one is undone
  int timeoutMs_ = kDefaultTimeoutMs;
};

}  // namespace glimr
