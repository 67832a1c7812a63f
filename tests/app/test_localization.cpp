// Every window in the running program speaks the language in force. A language
// file puts a marker before every text of the three sections; the test walks
// the widgets and actions of every window itself (not a list of the texts the
// windows register) and wants the marker on every caption, menu item, tab,
// column header, fixed list entry and hint. Switching back to the built-in
// English must leave no marker anywhere.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

#include <functional>

#include "app/frmsplash.h"
#include "app/glimrapplication.h"
#include "browse/ui/filelistview.h"
#include "common/langtable.h"
#include "common/language.h"
#include "common/regstore.h"
#include "common/settings.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/veskactions.h"

using namespace glimr;

namespace {

const QChar kMarker(0x00A7);

// One text on screen: the window and widget it sits in, what kind of text it
// is, and the text as the user reads it (rich text reduced to plain text).
struct TShownText {
  QString Window;
  QString Widget;
  QString Kind;
  QString Text;
};

// Texts that stay as they are whatever the language. Each field is a pattern
// of the whole (empty: any): the window's object name, one name in the
// widget's path, the kind of text and the text itself; each says why.
struct TFixedText {
  const char* Window;
  const char* Widget;
  const char* Kind;
  const char* Text;
  const char* Reason;
};

// The widget chain from the window down, by object name (class for unnamed).
QString NameOf(const QObject* o) {
  return o->objectName().isEmpty() ? QString::fromLatin1(o->metaObject()->className())
                                   : o->objectName();
}

QString WidgetPath(const QWidget* w) {
  QStringList parts;
  for (const QWidget* p = w; p && !p->isWindow(); p = p->parentWidget()) {
    parts.prepend(NameOf(p));
  }
  return parts.join(QLatin1Char('/'));
}

QString Plain(const QString& text) {
  return Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
}

bool HasLetter(const QString& text) {
  for (const QChar c : text) {
    if (c.isLetter()) {
      return true;
    }
  }
  return false;
}

// Qt's own dialogs (message boxes, input boxes, file and colour pickers) and
// the insides of its compound controls are not Glimr's texts.
bool IsQtInternal(const QWidget* w) {
  for (const QWidget* p = w; p; p = p->parentWidget()) {
    if (qobject_cast<const QMessageBox*>(p) || qobject_cast<const QInputDialog*>(p) ||
        qobject_cast<const QFileDialog*>(p) || qobject_cast<const QColorDialog*>(p) ||
        qobject_cast<const QCalendarWidget*>(p)) {
      return true;
    }
  }
  // A tab widget's bar is named qt_tabwidget_tabbar and holds our tab texts.
  return w->objectName().startsWith(QLatin1String("qt_")) && !qobject_cast<const QTabBar*>(w);
}

class TTextWalk {
 public:
  QList<TShownText> Texts;

  // Every text of every widget and action of the application.
  void WalkAll() {
    for (QWidget* w : QApplication::allWidgets()) {
      if (!IsQtInternal(w)) {
        Widget(w);
      }
    }
  }

  // The texts of one window, for windows that exist only for a moment.
  void WalkWindow(QWidget* window) {
    Widget(window);
    for (QWidget* w : window->findChildren<QWidget*>()) {
      if (!IsQtInternal(w)) {
        Widget(w);
      }
    }
  }

 private:
  void Add(const QWidget* w, const QString& kind, const QString& text) {
    const QString plain = Plain(text).trimmed();
    if (!plain.isEmpty()) {
      Texts.append({NameOf(w->window()), WidgetPath(w), kind, plain});
    }
  }

  void Action(const QWidget* w, QAction* a) {
    // A hidden action shows in no menu or tool bar.
    if (a->isSeparator() || !a->isVisible()) {
      return;
    }
    const QString name = a->objectName().isEmpty() ? a->text() : a->objectName();
    const QString where = WidgetPath(w) + QStringLiteral("[") + name + QStringLiteral("]");
    auto add = [&](const QString& kind, const QString& text) {
      const QString plain = Plain(text).trimmed();
      if (!plain.isEmpty()) {
        Texts.append({NameOf(w->window()), where, kind, plain});
      }
    };
    add(QStringLiteral("action"), QString(a->text()).remove(QLatin1Char('&')));
    add(QStringLiteral("hint"), a->toolTip());
  }

  void Items(const QWidget* w, const QAbstractItemModel* model, const QModelIndex& parent,
             int depth) {
    const int rows = std::min(model->rowCount(parent), 200);
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < model->columnCount(parent); ++c) {
        const QModelIndex index = model->index(r, c, parent);
        Add(w, QStringLiteral("item"), index.data(Qt::DisplayRole).toString());
        Add(w, QStringLiteral("item hint"), index.data(Qt::ToolTipRole).toString());
        if (c == 0 && depth < 3) {
          Items(w, model, index, depth + 1);
        }
      }
    }
  }

  void Widget(QWidget* w) {
    if (w->isWindow() && !qobject_cast<QMenu*>(w)) {
      Add(w, QStringLiteral("title"), w->windowTitle());
    }
    Add(w, QStringLiteral("hint"), w->toolTip());
    Add(w, QStringLiteral("accessible name"), w->accessibleName());
    if (auto* label = qobject_cast<QLabel*>(w)) {
      Add(w, QStringLiteral("label"), label->text());
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      Add(w, QStringLiteral("button"), QString(button->text()).remove(QLatin1Char('&')));
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
      Add(w, QStringLiteral("group"), QString(box->title()).remove(QLatin1Char('&')));
    } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
      for (int i = 0; i < tabs->count(); ++i) {
        Add(w, QStringLiteral("tab"), tabs->tabText(i));
        Add(w, QStringLiteral("tab hint"), tabs->tabToolTip(i));
      }
    } else if (auto* header = qobject_cast<QHeaderView*>(w)) {
      if (header->model() && header->orientation() == Qt::Horizontal) {
        for (int i = 0; i < header->count(); ++i) {
          Add(w, QStringLiteral("column"),
              header->model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString());
        }
      }
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
      for (int i = 0; i < combo->count(); ++i) {
        Add(w, QStringLiteral("combo item"), combo->itemText(i));
      }
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      Add(w, QStringLiteral("placeholder"), edit->placeholderText());
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
      Add(w, QStringLiteral("spin text"), spin->specialValueText());
    } else if (auto* status = qobject_cast<QStatusBar*>(w)) {
      Add(w, QStringLiteral("status"), status->currentMessage());
    } else if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
      if (view->model()) {
        Items(w, view->model(), view->rootIndex(), 0);
      }
    }
    if (auto* menu = qobject_cast<QMenu*>(w)) {
      Add(w, QStringLiteral("menu"), QString(menu->title()).remove(QLatin1Char('&')));
    }
    for (QAction* a : w->actions()) {
      Action(w, a);
    }
    for (QAction* a : w->findChildren<QAction*>(Qt::FindDirectChildrenOnly)) {
      if (!w->actions().contains(a)) {
        Action(w, a);
      }
    }
  }
};

// The exceptions: texts the program fixes without a key, and data.
// clang-format off
const TFixedText kFixed[] = {
    {"", "", "title", "Glimr", "the product name"},
    {"dlgSpec(Dimensions|Sizes|Dates)", "", "title", "", "these dialogs' titles have no key"},
    {"", "", "menu|action|hint", "Glimr", "the first menu is the product name"},
    {"", "", "label", "[0-9.]+[a-z]?", "a version number"},
    {"frmAbout", "lblWebSite|lblSupportMail", "label", "", "the web and mail addresses"},
    {"", "veskTreeFolders", "", "", "folder names; the roots are part of the stored tree paths"},
    {"frmOptions", "pnlColorCell[0-9]+", "hint", "", "a colour's value"},
    {"", "CloseButton|ScrollLeftButton|ScrollRightButton", "", "", "Qt's own tab bar buttons"},
};

// clang-format on

bool Matches(const char* pattern, const QString& text) {
  return !*pattern ||
         QRegularExpression(QRegularExpression::anchoredPattern(QLatin1String(pattern)))
             .match(text)
             .hasMatch();
}

template <std::size_t N>
bool IsListed(const TFixedText (&table)[N], const TShownText& t) {
  static const QRegularExpression separators(QStringLiteral("[/\\[\\]]"));
  for (const TFixedText& f : table) {
    bool widget = !*f.Widget;
    for (const QString& part : t.Widget.split(separators, Qt::SkipEmptyParts)) {
      widget = widget || Matches(f.Widget, part);
    }
    if (widget && Matches(f.Window, t.Window) && Matches(f.Kind, t.Kind) &&
        Matches(f.Text, t.Text)) {
      return true;
    }
  }
  return false;
}

// The English default texts; an item of a list that reads exactly like one
// of them is a fixed entry the language did not reach.
QSet<QString> EnglishDefaults() {
  QSet<QString> texts;
  for (const TLangDefault& d : LangDefaults()) {
    // Key names ("Home", "End") name keys, not things a list shows: a
    // folder called Home is no untranslated text.
    const bool keyName = d.section == TLangSection::Captions &&
                         ((d.key >= 290 && d.key <= 307) || (d.key >= 328 && d.key <= 342));
    if (!keyName) {
      texts.insert(QString::fromUtf16(d.text).trimmed());
    }
  }
  return texts;
}

QStringList Unmarked(const QList<TShownText>& texts) {
  static const QSet<QString> english = EnglishDefaults();
  QStringList found;
  for (const TShownText& t : texts) {
    // A hint's mark-up is rendered, never shown as tags.
    static const QRegularExpression tags(QStringLiteral("</?[BI]>"),
                                         QRegularExpression::CaseInsensitiveOption);
    const bool hint = t.Kind.endsWith(QLatin1String("hint"));
    if (hint && tags.match(t.Text).hasMatch()) {
      found << QStringLiteral("%1 %2 (mark-up shown): %3").arg(t.Window, t.Widget, t.Text);
      continue;
    }
    if (t.Text.contains(kMarker) || !HasLetter(t.Text)) {
      continue;
    }
    const bool data = t.Kind == QLatin1String("item") || t.Kind == QLatin1String("item hint");
    if (data ? english.contains(t.Text) : !IsListed(kFixed, t)) {
      found << QStringLiteral("%1 %2 (%3): %4").arg(t.Window, t.Widget, t.Kind, t.Text);
    }
  }
  found.removeDuplicates();
  return found;
}

QStringList Marked(const QList<TShownText>& texts) {
  QStringList found;
  for (const TShownText& t : texts) {
    if (t.Text.contains(kMarker)) {
      found << QStringLiteral("%1 %2 (%3): %4").arg(t.Window, t.Widget, t.Kind, t.Text);
    }
  }
  found.removeDuplicates();
  return found;
}

// Every text of the three sections with the marker before it.
QByteArray MarkerLanguage() {
  QByteArray out = "[Options]\nLangDesc=Marker\n";
  TLangSection section = TLangSection::Strings;
  bool first = true;
  for (const TLangDefault& d : LangDefaults()) {
    if (first || d.section != section) {
      section = d.section;
      first = false;
      out += "[" + LangSectionName(section).toUtf8() + "]\n";
    }
    out += QByteArray::number(d.key) + "=" + QString(kMarker).toUtf8() +
           QString::fromUtf16(d.text).toUtf8() + "\n";
  }
  return out;
}

struct TWorld {
  QTemporaryDir dir;
  QString photos;
  QString language;

  TWorld() {
    photos = dir.path() + QStringLiteral("/photos");
    QDir().mkpath(photos + QStringLiteral("/sub"));  // a folder entry: its type is a text
    for (int i = 0; i < 3; ++i) {
      QImage picture(64, 48, QImage::Format_RGB888);
      picture.fill(QColor(60 * i, 90, 160));
      picture.save(photos + QStringLiteral("/p%1.jpg").arg(i));
    }
    language = dir.path() + QStringLiteral("/home/Languages/Marker.lng");
    QDir().mkpath(QFileInfo(language).absolutePath());
    QFile f(language);
    if (f.open(QIODevice::WriteOnly)) {
      f.write(MarkerLanguage());
    }
  }

  TGlimrApplication::Options Options() const {
    TGlimrApplication::Options o = TGlimrApplication::Options::UnderFolder(
        dir.path(), QStringLiteral(GLIMR_BINARY_DIR "/bin"));
    o.paths.ShippedLanguagesPath = dir.path() + QStringLiteral("/shipped/");
    o.open.Folder = photos;
    return o;
  }

  // The user chose the marker language in an earlier run.
  bool ChooseMarkerLanguage() const {
    RegStore store(Options().settingsFile);
    store.WriteString(kMainKey, QStringLiteral("LanguageFile"), QStringLiteral("Marker.lng"));
    return store.Save();
  }
};

// Opens a dialog that the program makes when it is needed and reads its
// texts while it is up, then cancels it. Of Qt's input boxes and folder
// pickers only what the program sets counts.
QList<TShownText> TextsOfModal(const std::function<void()>& open) {
  QList<TShownText> texts;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) {
      return;
    }
    poll.stop();
    const QString name = NameOf(modal);
    texts.append({name, QString(), QStringLiteral("title"), modal->windowTitle()});
    if (auto* box = qobject_cast<QInputDialog*>(modal)) {
      texts.append({name, QString(), QStringLiteral("label"), box->labelText()});
      texts.append({name, QString(), QStringLiteral("button"), box->okButtonText()});
      texts.append({name, QString(), QStringLiteral("button"), box->cancelButtonText()});
    } else if (!qobject_cast<QFileDialog*>(modal)) {
      TTextWalk walk;
      walk.WalkWindow(modal);
      texts += walk.Texts;
    }
    QTimer::singleShot(0, modal, [modal] { modal->close(); });
  });
  poll.start();
  open();
  poll.stop();
  for (TShownText& t : texts) {
    t.Text = QString(t.Text).remove(QLatin1Char('&')).trimmed();
  }
  return texts;
}

QString Listing(const QStringList& lines) {
  return QStringLiteral("\n  ") + lines.join(QStringLiteral("\n  "));
}

}  // namespace

class TestLocalization : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() { LoadLanguageFile(QString()); }

  void everyWindowFollowsTheLanguage() {
    TWorld world;
    QVERIFY(MarkerLanguage().size() > 1000);
    QVERIFY(world.ChooseMarkerLanguage());
    TGlimrApplication app(world.Options());

    // The splash window lives only during the start: its texts are read
    // while it reports each step.
    TTextWalk splash;
    QStringList statuses;
    app.SetStatusObserver([&](const QString& status) {
      statuses << status;
      if (app.Splash()) {
        splash.WalkWindow(app.Splash());
      }
    });
    QVERIFY(app.Start());
    QVERIFY(!statuses.isEmpty());
    for (const QString& status : statuses) {
      QVERIFY2(status.contains(kMarker), qPrintable(status));
    }
    QVERIFY2(Unmarked(splash.Texts).isEmpty(), qPrintable(Listing(Unmarked(splash.Texts))));

    TfrmVesk& window = *app.MainWindow();
    QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 10000);

    const auto walk = [] {
      TTextWalk w;
      w.WalkAll();
      return w.Texts;
    };
    // Started in the marker language.
    QStringList unmarked = Unmarked(walk());
    QVERIFY2(unmarked.isEmpty(), qPrintable(Listing(unmarked)));

    // Back to the built-in English: no marker is left anywhere.
    QVERIFY(LoadLanguageFile(QString()));
    app.Context().Captions.ApplyLanguage();
    const QStringList marked = Marked(walk());
    QVERIFY2(marked.isEmpty(), qPrintable(Listing(marked)));

    // And to the marker language at run time.
    QVERIFY(LoadLanguageFile(world.language));
    app.Context().Captions.ApplyLanguage();
    unmarked = Unmarked(walk());
    QVERIFY2(unmarked.isEmpty(), qPrintable(Listing(unmarked)));

    // The dialogs made at the moment they are needed.
    int image = 0;
    while (image < app.Lists().CurrentFiles.Count() &&
           app.Lists().CurrentFiles.At(image)->IsFolder) {
      ++image;
    }
    QVERIFY(image < app.Lists().CurrentFiles.Count());
    window.ListView()->FocusRow(image, false);
    window.Actions().Get("aSelectAll")->trigger();
    for (const char* action : {"aSetCategory", "aAddCategory", "aFileRename", "aVGOpenDir"}) {
      const QList<TShownText> texts =
          TextsOfModal([&] { window.Actions().Get(action)->trigger(); });
      QVERIFY2(!texts.isEmpty(), action);
      unmarked = Unmarked(texts);
      QVERIFY2(unmarked.isEmpty(), qPrintable(action + Listing(unmarked)));
    }

    app.Shutdown();
  }
};

QTEST_MAIN(TestLocalization)
#include "test_localization.moc"
