#include "fileops/ui/copyrunner.h"

#include <QEventLoop>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QObject>

#include <exception>
#include <memory>

#include "common/errors.h"
#include "common/language.h"
#include "fileops/ui/copyprogresstext.h"
#include "fileops/ui/frmmessage.h"
#include "fileops/ui/veskcopyform.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcCopyRunner, "glimr.fileops.run")

TCopyRunner::TCopyRunner(TveskCopyForm& form, TfrmMessage& question)
    : form_(form), question_(question) {}

TCopyRunReport TCopyRunner::Run(std::vector<TCopyEntry> entries, const QString& folder,
                                TOverwritePolicy policy, TFileDone fileDone) {
  TCopyRunReport report;
  report.FinalPolicy = policy;
  if (running_ || entries.empty()) {
    // A second run would need the windows the first one is using.
    report.Cancelled = running_;
    for (const TCopyEntry& e : entries) {
      TCopyResult untouched;
      untouched.Source = e.Source;
      report.Results.push_back(untouched);
    }
    return report;
  }
  running_ = true;

  // The worker's calls are queued to this object, which lives on the main
  // thread; destroying it drops any call still waiting.
  QObject context;
  bool ended = false;
  QEventLoop waitEnd;
  std::unique_ptr<TCopyEngine> engine;

  TCopyHooks hooks;
  hooks.AskOverwrite = [&](const QString& destination, const QString& source) {
    TOverwriteReply reply{TOverwriteAnswer::Cancel, false};
    QMetaObject::invokeMethod(
        &context,
        [&] {
          // A question raised just as the run was cancelled is not shown.
          if (engine->Cancelled()) {
            return;
          }
          reply = question_.Ask(destination, source);
          if (reply.Answer == TOverwriteAnswer::Cancel) {
            engine->Cancel();
            form_.reject();
          }
        },
        Qt::BlockingQueuedConnection);
    return reply;
  };
  if (fileDone) {
    hooks.FileDone = [&](std::size_t index, const TCopyResult& result) {
      QMetaObject::invokeMethod(
          &context,
          [&] {
            // An exception must not cross the event loop.
            try {
              fileDone(index, result);
            } catch (const std::exception& e) {
              ShowError(QStringLiteral("TCopyRunner.FileDone: "), ErrorText(e));
            }
          },
          Qt::BlockingQueuedConnection);
    };
    // A move's "about to place" report (Placing set) takes the same way, so
    // that the catalog row reaches the destination before the file does.
    hooks.BeforePlace = hooks.FileDone;
  }
  engine = std::make_unique<TCopyEngine>(std::move(entries), folder, policy, std::move(hooks));

  form_.BeginRun(
      engine->DestinationFolder(), [&engine] { return engine->Progress(); },
      [&engine] { engine->Cancel(); });
  TCopyThread thread(*engine);
  thread.Start([&] {
    QMetaObject::invokeMethod(
        &context,
        [&] {
          ended = true;
          form_.EndRun();
          waitEnd.quit();
        },
        Qt::QueuedConnection);
  });

  form_.exec();
  if (!ended) {
    // Cancelled: the worker ends its current step and may still hand over
    // a finished file or its end, each waiting for this thread, so joining
    // now would lock both. Serve its calls until the end arrives.
    engine->Cancel();
    waitEnd.exec(QEventLoop::ExcludeUserInputEvents);
  }
  thread.Join();

  report.Results = engine->Results();
  report.Error = engine->Error();
  report.Cancelled = engine->Cancelled();
  report.FinalPolicy = engine->Policy();
  running_ = false;
  qCDebug(lcCopyRunner).noquote() << (report.Cancelled ? "run cancelled" : "run ended")
                                  << report.Error;

  if (!report.Error.isEmpty()) {
    const TCopyFailure failure = SplitCopyFailure(report.Results, report.Error);
    QMessageBox::warning(form_.parentWidget(), QStringLiteral("Glimr"),
                         LangText(TLangSection::Strings, 110).arg(failure.File, failure.Reason));
  }
  return report;
}

}  // namespace glimr
