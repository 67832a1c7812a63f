// Keeping the screen awake during a slideshow, against stand-in services on
// a private session bus (CTest runs this under dbus-run-session): the screen
// saver service, the desktop portal, a service that never answers, and none
// at all.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <optional>

#include "common/langtable.h"
#include "viewer/screensaverinhibit.h"

using namespace glimr;

namespace {

const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");

// A service that can keep its answer to Inhibit back: hold keeps it until
// Answer, or for ever when Answer is never called.
class TFakeService : public QObject, protected QDBusContext {
  Q_OBJECT

 public:
  QStringList calls;
  bool hold = false;

  void Answer() {
    QVERIFY(held_.has_value());
    QDBusConnection(held_->connection).send(held_->message.createReply(held_->answer));
    held_.reset();
  }

 protected:
  // The answer to give now, or a placeholder while it is held back.
  template <typename T>
  T Reply(const T& answer) {
    if (!hold) {
      return answer;
    }
    setDelayedReply(true);
    held_ = THeld{connection().name(), message(), QVariant::fromValue(answer)};
    return T{};
  }

 private:
  struct THeld {
    QString connection;
    QDBusMessage message;
    QVariant answer;
  };
  std::optional<THeld> held_;
};

// A screen saver service that hands out cookies and notes what it was told.
class TFakeScreenSaver : public TFakeService {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

 public Q_SLOTS:
  uint Inhibit(const QString& app, const QString& reason) {
    calls << QStringLiteral("Inhibit(%1,%2)").arg(app, reason);
    return Reply(41 + static_cast<uint>(calls.size()));
  }
  void UnInhibit(uint cookie) { calls << QStringLiteral("UnInhibit(%1)").arg(cookie); }
};

// The portal's request object: closing it ends the inhibit.
class TFakeRequest : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")

 public:
  explicit TFakeRequest(QStringList& calls) : calls_(calls) {}

 public Q_SLOTS:
  void Close() { calls_ << QStringLiteral("Close"); }

 private:
  QStringList& calls_;
};

const QString kRequestPath = QStringLiteral("/org/freedesktop/portal/desktop/request/1/glimr");

class TFakePortal : public TFakeService {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")

 public Q_SLOTS:
  QDBusObjectPath Inhibit(const QString& window, uint flags, const QVariantMap& options) {
    calls << QStringLiteral("Inhibit(%1,%2,%3)")
                 .arg(window, QString::number(flags), options.value("reason").toString());
    return Reply(QDBusObjectPath(kRequestPath));
  }
};

// The stand-in services on a connection of their own, so the class under
// test reaches them through the bus daemon as it would a desktop's.
struct TServices {
  QDBusConnection bus;
  TFakeScreenSaver screenSaver;
  TFakePortal portal;
  TFakeRequest request{portal.calls};
  QStringList names;

  explicit TServices(const QString& connectionName)
      : bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName)) {}
  ~TServices() {
    for (const QString& name : names) {
      bus.unregisterService(name);
    }
    bus.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
    bus.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"),
                         QDBusConnection::UnregisterTree);
    QDBusConnection::disconnectFromBus(bus.name());
  }

  bool OfferScreenSaver() {
    return bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &screenSaver,
                              QDBusConnection::ExportAllSlots) &&
           Own(kScreenSaver);
  }
  bool OfferPortal() {
    return bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                              QDBusConnection::ExportAllSlots) &&
           bus.registerObject(kRequestPath, &request, QDBusConnection::ExportAllSlots) &&
           Own(kPortal);
  }

 private:
  bool Own(const QString& name) {
    if (!bus.registerService(name)) {
      return false;
    }
    names << name;
    return true;
  }
};

bool NameOwned(const QString& name) {
  return QDBusConnection::sessionBus().interface()->isServiceRegistered(name).value();
}

}  // namespace

class TestScreenSaverInhibit : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    QCoreApplication::setApplicationName(QStringLiteral("Glimr"));
    QVERIFY2(QDBusConnection::sessionBus().isConnected(),
             "no session bus: run this test under dbus-run-session");
    // On a desktop's own bus the real services would answer in place of
    // the stand-ins.
    if (NameOwned(kScreenSaver) || NameOwned(kPortal)) {
      QSKIP("the session bus has a screen saver or portal: run under dbus-run-session");
    }
  }

  // Which services answer, and what each of them is told from Inhibit to
  // Release. The reason is the language's text.
  void inhibitAndRelease_data() {
    QTest::addColumn<bool>("screenSaver");
    QTest::addColumn<bool>("portal");
    QTest::addColumn<TScreenSaverInhibit::TVia>("via");
    QTest::addColumn<QStringList>("screenSaverCalls");
    QTest::addColumn<QStringList>("portalCalls");
    const QString reason = LangDefault(TLangSection::Strings, 150);
    const QStringList asked{QStringLiteral("Inhibit(Glimr,%1)").arg(reason)};
    const QStringList portalAsked{QStringLiteral("Inhibit(,8,%1)").arg(reason)};
    QTest::newRow("screen saver service")
        << true << false << TScreenSaverInhibit::TVia::ScreenSaver
        << (asked + QStringList{QStringLiteral("UnInhibit(42)")}) << QStringList{};
    QTest::newRow("both: the screen saver service is asked, the portal not")
        << true << true << TScreenSaverInhibit::TVia::ScreenSaver
        << (asked + QStringList{QStringLiteral("UnInhibit(42)")}) << QStringList{};
    QTest::newRow("portal only") << false << true << TScreenSaverInhibit::TVia::Portal
                                 << QStringList{}
                                 << (portalAsked + QStringList{QStringLiteral("Close")});
  }
  void inhibitAndRelease() {
    QFETCH(bool, screenSaver);
    QFETCH(bool, portal);
    QFETCH(TScreenSaverInhibit::TVia, via);
    QFETCH(QStringList, screenSaverCalls);
    QFETCH(QStringList, portalCalls);
    TServices services(QStringLiteral("services"));
    QVERIFY(!screenSaver || services.OfferScreenSaver());
    QVERIFY(!portal || services.OfferPortal());

    TScreenSaverInhibit inhibit;
    QSignalSpy held(&inhibit, &TScreenSaverInhibit::Held);
    QSignalSpy unavailable(&inhibit, &TScreenSaverInhibit::Unavailable);
    inhibit.Inhibit();
    // The call returns before any service answers.
    QCOMPARE(inhibit.State(), TScreenSaverInhibit::TState::Asking);
    QVERIFY(held.wait());
    QCOMPARE(held.first().first().value<TScreenSaverInhibit::TVia>(), via);
    QCOMPARE(inhibit.State(), TScreenSaverInhibit::TState::Held);
    QCOMPARE(inhibit.Via(), via);
    // A second start while held asks nothing more.
    inhibit.Inhibit();
    QCOMPARE(inhibit.State(), TScreenSaverInhibit::TState::Held);

    inhibit.Release();
    inhibit.Release();
    QCOMPARE(inhibit.State(), TScreenSaverInhibit::TState::Idle);
    QTRY_COMPARE(services.screenSaver.calls, screenSaverCalls);
    QTRY_COMPARE(services.portal.calls, portalCalls);
    // Nothing more arrives later (the second Release sent nothing).
    QTest::qWait(50);
    QCOMPARE(services.screenSaver.calls, screenSaverCalls);
    QCOMPARE(services.portal.calls, portalCalls);
    QVERIFY(unavailable.isEmpty());
  }

  // Neither service on the bus, or no bus at all: reported, never held,
  // and a later start asks again.
  void nothingAnswers_data() {
    QTest::addColumn<bool>("withBus");
    QTest::newRow("bus without either service") << true;
    QTest::newRow("no bus") << false;
  }
  void nothingAnswers() {
    QFETCH(bool, withBus);
    const QDBusConnection bus =
        withBus ? QDBusConnection::sessionBus()
                : QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                QStringLiteral("nobus"));
    TScreenSaverInhibit inhibit(bus);
    QSignalSpy held(&inhibit, &TScreenSaverInhibit::Held);
    QSignalSpy unavailable(&inhibit, &TScreenSaverInhibit::Unavailable);
    inhibit.Inhibit();
    QTRY_COMPARE(unavailable.size(), 1);
    QCOMPARE(inhibit.State(), TScreenSaverInhibit::TState::Unavailable);
    QVERIFY(held.isEmpty());
    inhibit.Release();
    QCOMPARE(inhibit.State(), TScreenSaverInhibit::TState::Idle);

    // A service that appears later is found by the next start.
    if (withBus) {
      TServices services(QStringLiteral("late"));
      QVERIFY(services.OfferScreenSaver());
      inhibit.Inhibit();
      QVERIFY(held.wait());
      QCOMPARE(inhibit.Via(), TScreenSaverInhibit::TVia::ScreenSaver);
      inhibit.Release();
      QTRY_COMPARE(services.screenSaver.calls.size(), 2);
    } else {
      QDBusConnection::disconnectFromBus(bus.name());
    }
  }

  // A screen saver service that never answers holds nothing up: after the
  // timeout the portal is asked.
  void hungServiceFallsBackToThePortal() {
    TServices services(QStringLiteral("hung"));
    services.screenSaver.hold = true;
    QVERIFY(services.OfferScreenSaver());
    QVERIFY(services.OfferPortal());
    TScreenSaverInhibit inhibit;
    inhibit.SetTimeout(200);
    QSignalSpy held(&inhibit, &TScreenSaverInhibit::Held);
    inhibit.Inhibit(QStringLiteral("test"));
    QCOMPARE(inhibit.State(), TScreenSaverInhibit::TState::Asking);
    QVERIFY(held.wait(5000));
    QCOMPARE(inhibit.Via(), TScreenSaverInhibit::TVia::Portal);
    QCOMPARE(services.screenSaver.calls, QStringList{QStringLiteral("Inhibit(Glimr,test)")});
    QCOMPARE(services.portal.calls, QStringList{QStringLiteral("Inhibit(,8,test)")});
  }

  // A Release, or the end of the object, before the answer arrives: the
  // inhibit the answer brings is undone at once, so the screen is not kept
  // awake after the slideshow stopped.
  void releasedBeforeTheAnswer_data() {
    QTest::addColumn<bool>("destroy");
    QTest::addColumn<bool>("portal");
    QTest::newRow("released, screen saver") << false << false;
    QTest::newRow("destroyed, screen saver") << true << false;
    QTest::newRow("released, portal") << false << true;
    QTest::newRow("destroyed, portal") << true << true;
  }
  void releasedBeforeTheAnswer() {
    QFETCH(bool, destroy);
    QFETCH(bool, portal);
    TServices services(QStringLiteral("early"));
    QVERIFY(portal ? services.OfferPortal() : services.OfferScreenSaver());
    TFakeService& service = portal ? static_cast<TFakeService&>(services.portal)
                                   : static_cast<TFakeService&>(services.screenSaver);
    service.hold = true;
    auto inhibit = std::make_unique<TScreenSaverInhibit>();
    QSignalSpy held(inhibit.get(), &TScreenSaverInhibit::Held);
    inhibit->Inhibit(QStringLiteral("test"));
    QTRY_COMPARE(service.calls.size(), 1);
    if (destroy) {
      inhibit.reset();
    } else {
      inhibit->Release();
    }
    service.Answer();
    if (portal) {
      QTRY_COMPARE(services.portal.calls,
                   (QStringList{QStringLiteral("Inhibit(,8,test)"), QStringLiteral("Close")}));
    } else {
      QTRY_COMPARE(services.screenSaver.calls, (QStringList{QStringLiteral("Inhibit(Glimr,test)"),
                                                            QStringLiteral("UnInhibit(42)")}));
    }
    if (!destroy) {
      QCOMPARE(inhibit->State(), TScreenSaverInhibit::TState::Idle);
      QVERIFY(held.isEmpty());
    }
  }

  // The object's end releases what it holds.
  void destructorReleases() {
    TServices services(QStringLiteral("end"));
    QVERIFY(services.OfferScreenSaver());
    {
      TScreenSaverInhibit inhibit;
      QSignalSpy held(&inhibit, &TScreenSaverInhibit::Held);
      inhibit.Inhibit(QStringLiteral("test"));
      QVERIFY(held.wait());
    }
    QTRY_COMPARE(services.screenSaver.calls, (QStringList{QStringLiteral("Inhibit(Glimr,test)"),
                                                          QStringLiteral("UnInhibit(42)")}));
  }
};

QTEST_GUILESS_MAIN(TestScreenSaverInhibit)
#include "test_screensaverinhibit.moc"
