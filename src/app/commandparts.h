#pragma once
// The features' commands and pages (organizing, search, file operations, the
// image board, the external programs), built once the main window exists,
// wired to its actions, menus and pages and to the shown list, and attached
// to the catalog when it opens.

#include <QStringList>

#include <functional>
#include <memory>

#include "search/criteria.h"

namespace glimr {

struct TAppContext;
class TBoardCommands;
class TBoardList;
class TCatalogQueries;
class TClipboardList;
class TDesktopApps;
class TExtensionTable;
class TExternalCommands;
class TExternalProgs;
class TFileCommands;
struct TFileServices;
class TfrImageBoard;
class TfrmVesk;
class TOrganizeCommands;
class TSearchCommands;
class TShownList;

// The long-lived lists the commands work on, built and kept by the program;
// they outlive the commands.
struct TCommandServices {
  TClipboardList& Clipboard;      // Glimr's own Cut and Copy
  TBoardList& Board;              // the image board
  TDesktopApps& Apps;             // the installed applications
  TExternalProgs& ExternalProgs;  // the user's external programs
};

class TCommandParts {
 public:
  // The commands belong to window (they go with it); shown, extensions and
  // services outlive them.
  TCommandParts(TAppContext& context, TfrmVesk& window, TShownList& shown,
                TExtensionTable& extensions, TCommandServices services);
  ~TCommandParts();
  TCommandParts(const TCommandParts&) = delete;
  TCommandParts& operator=(const TCommandParts&) = delete;

  // The catalog opened. types: every extension the plug-ins read;
  // readDimensions: an image's size from its header (any thread).
  void AttachCatalog(TCatalogQueries& queries, std::function<QStringList()> types,
                     TDimensionsReader readDimensions);
  // The copy windows and the cache are there.
  void AttachFileOps(TCatalogQueries& queries, const TFileServices& services);
  // Lets go of the catalog and the program's services before they go.
  void Detach();
  // Texts in the language in force.
  void ApplyLanguage();

  TOrganizeCommands& Organizer() const { return *organizer_; }
  TSearchCommands& Search() const { return *search_; }
  TFileCommands& Files() const { return *files_; }
  TBoardCommands& Board() const { return *board_; }
  TExternalCommands& External() const { return *external_; }
  TfrImageBoard& ImageBoardPage() const { return *imageBoard_; }

 private:
  TAppContext& context_;
  TfrmVesk& window_;
  // Children of the window: freed with it.
  TOrganizeCommands* organizer_ = nullptr;
  TSearchCommands* search_ = nullptr;
  TFileCommands* files_ = nullptr;
  TBoardCommands* board_ = nullptr;
  TExternalCommands* external_ = nullptr;
  TfrImageBoard* imageBoard_ = nullptr;
};

}  // namespace glimr
