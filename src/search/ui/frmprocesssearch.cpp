#include "search/ui/frmprocesssearch.h"

#include <QFrame>
#include <QLabel>
#include <QLoggingCategory>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>

#include "common/errors.h"
#include "common/language.h"
#include "search/searchresults.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcProcessSearch, "glimr.search.progress")

namespace {

// A folder path has no spaces to wrap at; a zero-width space after each
// separator lets a long one wrap over the label's two lines.
QString Wrappable(const QString& text) {
  QString out = text;
  out.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
  return out;
}

}  // namespace

TfrmProcessSearch::TfrmProcessSearch(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmProcessSearch"));
  setModal(true);
  setFixedSize(466, 137);

  // Without a border of its own the window needs an edge to stand out from
  // the window below it.
  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setGeometry(0, 0, 466, 137);

  lblInfo1 = new QLabel(panel);
  lblInfo1->setObjectName(QStringLiteral("lblInfo1"));
  lblInfo1->setGeometry(12, 8, 441, 16);

  lblCrrDir = new QLabel(panel);
  lblCrrDir->setObjectName(QStringLiteral("lblCrrDir"));
  lblCrrDir->setGeometry(12, 26, 441, 26);
  lblCrrDir->setWordWrap(true);
  lblCrrDir->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblCrrDir->setTextFormat(Qt::PlainText);

  pbProcess = new QProgressBar(panel);
  pbProcess->setObjectName(QStringLiteral("pbProcess"));
  pbProcess->setGeometry(12, 58, 441, 17);
  pbProcess->setTextVisible(false);
  pbProcess->setRange(0, 0);  // no end known: a marquee

  lblInfo2 = new QLabel(panel);
  lblInfo2->setObjectName(QStringLiteral("lblInfo2"));
  lblInfo2->setGeometry(12, 84, 300, 16);

  btnCancel = new QPushButton(panel);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setGeometry(372, 102, 81, 25);
  btnCancel->setAutoDefault(false);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmProcessSearch::reject);

  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, &TfrmProcessSearch::Refresh);

  ApplyCaptions();
}

TfrmProcessSearch::~TfrmProcessSearch() {
  cancel_.store(true);
  JoinWorker();
}

void TfrmProcessSearch::ApplyCaptions() {
  btnCancel->setText(LangText(TLangSection::Captions, 69, QStringLiteral("Cancel")));
  TSearchProgress shown;
  {
    std::lock_guard lock(progressMutex_);
    shown = progress_;
  }
  ShowProgress(shown);
}

int TfrmProcessSearch::Execute(TSearchRunFn run) {
  cancel_.store(false);
  finished_.store(false);
  {
    std::lock_guard lock(progressMutex_);
    progress_ = {};
    progressNew_ = false;
    failure_.clear();
    failed_ = false;
  }
  runError_.clear();
  run_ = std::move(run);
  ShowProgress({});
  pbProcess->setRange(0, 0);
  startPending_ = true;

  const int result = exec();

  startPending_ = false;
  refresh_.stop();
  run_ = nullptr;
  // After Cancel the window is already gone; the run stops at its next
  // check, and until then it owns what it fills.
  if (!finished_.load()) {
    cancel_.store(true);
  }
  JoinWorker();
  qCDebug(lcProcessSearch) << (result == Accepted ? "search ended" : "search cancelled");
  return result;
}

int TfrmProcessSearch::Execute(TCatalogQueries& queries, const TSearchRequest& request,
                               const TComparObj& criteria, TSearchResults& results,
                               TSearchHooks hooks) {
  return Execute([&queries, &request, &criteria, &results, hooks = std::move(hooks)](
                     std::atomic<bool>& cancel, const TSearchProgressHook& progress) mutable {
    hooks.Progress = [&progress](const QString& where, bool isCategory, int found) {
      progress({isCategory, where, found});
    };
    TSearchRun run(queries, request, criteria, results.List(), cancel, std::move(hooks));
    run.Run();
    if (!run.Error().isEmpty()) {
      throw GlimrError(run.Error());
    }
  });
}

void TfrmProcessSearch::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (startPending_) {
    // Once the window is on screen, not inside the show.
    QTimer::singleShot(1, this, &TfrmProcessSearch::StartRun);
  }
}

void TfrmProcessSearch::StartRun() {
  if (!startPending_ || !run_) {
    return;
  }
  startPending_ = false;
  refresh_.start();
  worker_ = std::thread([this, run = std::move(run_)] {
    const TSearchProgressHook progress = [this](const TSearchProgress& p) {
      std::lock_guard lock(progressMutex_);
      progress_ = p;
      progressNew_ = true;
    };
    try {
      run(cancel_, progress);
    } catch (const std::exception& e) {
      std::lock_guard lock(progressMutex_);
      failure_ = ErrorText(e);
      failed_ = true;
    } catch (...) {
      std::lock_guard lock(progressMutex_);
      failure_ = QStringLiteral("unknown error");
      failed_ = true;
    }
    finished_.store(true);
  });
}

void TfrmProcessSearch::Refresh() {
  TSearchProgress latest;
  bool fresh = false;
  bool failed = false;
  QString failure;
  {
    std::lock_guard lock(progressMutex_);
    if (progressNew_) {
      latest = progress_;
      progressNew_ = false;
      fresh = true;
    }
    failed = failed_;
    failure = failure_;
  }
  if (fresh) {
    ShowProgress(latest);
  }
  if (!finished_.load()) {
    return;
  }
  refresh_.stop();
  if (failed) {
    // The window stays until Cancel; what was found so far is shown then.
    runError_ = failure;
    pbProcess->setRange(0, 1);
    pbProcess->setValue(0);
    qCWarning(lcProcessSearch).noquote() << "search failed:" << failure;
    ShowError(QStringLiteral("Search: "), failure);
    return;
  }
  accept();
}

void TfrmProcessSearch::ShowProgress(const TSearchProgress& progress) {
  lblInfo1->setText(
      progress.InCategories
          ? LangText(TLangSection::Strings, 24, QStringLiteral("Current category:"))
          : LangText(TLangSection::Strings, 23, QStringLiteral("Current directory:")));
  lblCrrDir->setText(Wrappable(progress.Current));
  lblInfo2->setText(LangText(TLangSection::Strings, 25, QStringLiteral("ImagesFound:")) +
                    QLatin1Char(' ') + QString::number(progress.Found));
}

void TfrmProcessSearch::reject() {
  cancel_.store(true);
  startPending_ = false;
  refresh_.stop();
  QDialog::reject();
}

void TfrmProcessSearch::JoinWorker() {
  if (worker_.joinable()) {
    worker_.join();
  }
}

}  // namespace glimr
