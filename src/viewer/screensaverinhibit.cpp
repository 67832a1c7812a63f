#include "viewer/screensaverinhibit.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QVariantMap>

#include <functional>

#include "common/language.h"
#include "viewer/viewerlog.h"

namespace glimr {

namespace {

constexpr int kStrInhibitReason = 150;

const QString kScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kScreenSaverInterface = QStringLiteral("org.freedesktop.ScreenSaver");

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalInterface = QStringLiteral("org.freedesktop.portal.Inhibit");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
constexpr uint kPortalInhibitIdle = 8;

void UnInhibitScreenSaver(QDBusConnection bus, uint cookie) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      kScreenSaverService, kScreenSaverPath, kScreenSaverInterface, QStringLiteral("UnInhibit"));
  call << cookie;
  bus.send(call);
}

void ClosePortalRequest(QDBusConnection bus, const QString& request) {
  bus.send(QDBusMessage::createMethodCall(kPortalService, request, kRequestInterface,
                                          QStringLiteral("Close")));
}

// Runs done when the call is answered (or fails or times out). The watcher
// outlives the object that asked, so an answer that arrives after it is
// gone can still be undone.
void OnAnswer(const QDBusPendingCall& call, std::function<void(QDBusPendingCallWatcher&)> done) {
  auto* watcher = new QDBusPendingCallWatcher(call);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                   [done = std::move(done)](QDBusPendingCallWatcher* w) {
                     done(*w);
                     w->deleteLater();
                   });
}

}  // namespace

TScreenSaverInhibit::TScreenSaverInhibit(QObject* parent)
    : TScreenSaverInhibit(QDBusConnection::sessionBus(), parent) {}

TScreenSaverInhibit::TScreenSaverInhibit(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus) {}

TScreenSaverInhibit::~TScreenSaverInhibit() {
  Release();
}

void TScreenSaverInhibit::Inhibit() {
  Inhibit(LangText(TLangSection::Strings, kStrInhibitReason));
}

void TScreenSaverInhibit::Inhibit(const QString& reason) {
  if (state_ == TState::Asking || state_ == TState::Held) {
    return;
  }
  ++attempt_;
  reason_ = reason;
  state_ = TState::Asking;
  via_ = TVia::None;
  if (!bus_.isConnected()) {
    Fail(QStringLiteral("no session bus: %1").arg(bus_.lastError().message()));
    return;
  }
  AskScreenSaver();
}

void TScreenSaverInhibit::Release() {
  // A newer attempt makes any answer still on its way a stale one, which
  // its handler undoes.
  ++attempt_;
  if (state_ == TState::Held) {
    if (via_ == TVia::ScreenSaver) {
      UnInhibitScreenSaver(bus_, cookie_);
    } else if (via_ == TVia::Portal) {
      ClosePortalRequest(bus_, request_);
    }
    qCDebug(lcViewer) << "screen saver inhibit released";
  }
  state_ = TState::Idle;
  via_ = TVia::None;
  cookie_ = 0;
  request_.clear();
}

void TScreenSaverInhibit::AskScreenSaver() {
  QDBusMessage call = QDBusMessage::createMethodCall(
      kScreenSaverService, kScreenSaverPath, kScreenSaverInterface, QStringLiteral("Inhibit"));
  QString app = QCoreApplication::applicationName();
  if (app.isEmpty()) {
    app = QStringLiteral("Glimr");
  }
  call << app << reason_;
  const QPointer<TScreenSaverInhibit> self(this);
  const quint64 attempt = attempt_;
  const QDBusConnection bus = bus_;
  OnAnswer(bus_.asyncCall(call, timeoutMs_), [self, attempt, bus](QDBusPendingCallWatcher& w) {
    const QDBusPendingReply<uint> reply = w;
    const bool current = self && self->attempt_ == attempt;
    if (reply.isError()) {
      if (current) {
        self->AskPortal(reply.error().message());
      }
      return;
    }
    if (!current) {
      UnInhibitScreenSaver(bus, reply.value());
      return;
    }
    self->cookie_ = reply.value();
    self->via_ = TVia::ScreenSaver;
    self->state_ = TState::Held;
    qCDebug(lcViewer) << "screen saver inhibited, cookie" << self->cookie_;
    Q_EMIT self->Held(TVia::ScreenSaver);
  });
}

void TScreenSaverInhibit::AskPortal(const QString& screenSaverError) {
  QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalInterface,
                                                     QStringLiteral("Inhibit"));
  const QVariantMap options{{QStringLiteral("reason"), reason_}};
  call << QString() << kPortalInhibitIdle << options;
  const QPointer<TScreenSaverInhibit> self(this);
  const quint64 attempt = attempt_;
  const QDBusConnection bus = bus_;
  OnAnswer(bus_.asyncCall(call, timeoutMs_),
           [self, attempt, bus, screenSaverError](QDBusPendingCallWatcher& w) {
             const QDBusPendingReply<QDBusObjectPath> reply = w;
             const bool current = self && self->attempt_ == attempt;
             if (reply.isError()) {
               if (current) {
                 self->Fail(QStringLiteral("screen saver: %1; portal: %2")
                                .arg(screenSaverError, reply.error().message()));
               }
               return;
             }
             const QString request = reply.value().path();
             if (!current) {
               ClosePortalRequest(bus, request);
               return;
             }
             self->request_ = request;
             self->via_ = TVia::Portal;
             self->state_ = TState::Held;
             qCDebug(lcViewer) << "screen saver inhibited through the portal" << request;
             Q_EMIT self->Held(TVia::Portal);
           });
}

void TScreenSaverInhibit::Fail(const QString& why) {
  state_ = TState::Unavailable;
  via_ = TVia::None;
  qCInfo(lcViewer) << "the screen may blank during the slideshow:" << why;
  Q_EMIT Unavailable(why);
}

}  // namespace glimr
