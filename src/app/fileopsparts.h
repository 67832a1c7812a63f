#pragma once
// The windows the file commands run with (the copy progress window, the
// overwrite question, the destination dialog), made once at start-up and
// reused, and the services the file and board commands are given.

#include <QString>

#include <functional>
#include <memory>

#include "fileops/ui/filecommands.h"

class QWidget;

namespace glimr {

struct TAppContext;
class TCash;
class TCopyRunner;
class TExtensionTable;
class TfrmCopyMoveTo;
class TfrmMessage;
class TveskCopyForm;

class TFileOpsParts {
 public:
  // The windows belong to parent (the main window) so they stay above it;
  // their captions are registered with the context.
  TFileOpsParts(TAppContext& context, QWidget* parent);
  ~TFileOpsParts();
  TFileOpsParts(const TFileOpsParts&) = delete;
  TFileOpsParts& operator=(const TFileOpsParts&) = delete;

  // cash may be null (no plug-ins: nothing is cached); it and extensions
  // must outlive the services' use.
  TFileServices Services(TCash* cash, TExtensionTable& extensions);

  TveskCopyForm& CopyForm() const { return *copyForm_; }
  TfrmMessage& Question() const { return *question_; }
  TfrmCopyMoveTo& CopyMoveTo() const { return *copyMoveTo_; }

 private:
  TAppContext& context_;
  std::unique_ptr<TveskCopyForm> copyForm_;
  std::unique_ptr<TfrmMessage> question_;
  std::unique_ptr<TfrmCopyMoveTo> copyMoveTo_;
  std::unique_ptr<TCopyRunner> runner_;
};

}  // namespace glimr
