#include "app/fileopsparts.h"

#include <utility>

#include "browse/ui/extensiontable.h"
#include "common/appcontext.h"
#include "fileops/ui/copyrunner.h"
#include "fileops/ui/frmcopymoveto.h"
#include "fileops/ui/frmmessage.h"
#include "fileops/ui/veskcopyform.h"
#include "imaging/cache/cash.h"

namespace glimr {

TFileOpsParts::TFileOpsParts(TAppContext& context, QWidget* parent)
    : context_(context),
      copyForm_(std::make_unique<TveskCopyForm>(parent)),
      question_(std::make_unique<TfrmMessage>(copyForm_.get())),
      copyMoveTo_(std::make_unique<TfrmCopyMoveTo>(parent)),
      runner_(std::make_unique<TCopyRunner>(*copyForm_, *question_)) {
  context_.Captions.Register(TCaptionTarget::CopyProgress, [this] { copyForm_->ApplyCaptions(); });
  context_.Captions.Register(TCaptionTarget::OverwriteQuestion,
                             [this] { question_->ApplyCaptions(); });
  context_.Captions.Register(TCaptionTarget::CopyMoveTo, [this] { copyMoveTo_->ApplyCaptions(); });
}

TFileOpsParts::~TFileOpsParts() {
  context_.Captions.Unregister(TCaptionTarget::CopyMoveTo);
  context_.Captions.Unregister(TCaptionTarget::OverwriteQuestion);
  context_.Captions.Unregister(TCaptionTarget::CopyProgress);
}

TFileServices TFileOpsParts::Services(TCash* cash, TExtensionTable& extensions) {
  TFileServices services;
  services.ChooseDestination = [this](bool move) -> std::optional<TCopyDestination> {
    const std::optional<TCopyMoveChoice> choice =
        copyMoveTo_->Choose(move, context_.Settings.DestinationHistory);
    if (!choice) {
      return std::nullopt;
    }
    return TCopyDestination{choice->Folder, choice->Policy};
  };
  services.RunCopy = [this](std::vector<TCopyEntry> entries, const QString& folder,
                            TOverwritePolicy policy,
                            std::function<void(std::size_t, const TCopyResult&)> fileDone) {
    return runner_->Run(std::move(entries), folder, policy, std::move(fileDone)).Results;
  };
  // CacheLock only: a decode of the file still going adds an entry that
  // nothing asks for again, while waiting for DecodeLock could hold the
  // window for as long as a stuck decode lasts.
  services.DropThumbnail = [cash](const QString& path) {
    if (cash) {
      cash->Drop(path);
    }
  };
  services.ExtensionIndex = [&extensions](const QString& path) {
    return extensions.ExtensionIndex(path);
  };
  return services;
}

}  // namespace glimr
