#pragma once
// The copy engine: copies or moves a list of files into one folder, file by
// file, on a worker thread (TCopyThread). A file reaches its final name only
// complete (it is written into a file of its own first, see TPartFile), a
// move drops its source only after that, and the run reports per file what
// it did so that the caller can bring its lists, catalog and cache in line.
// A symbolic link that is moved stays a link to the same picture, also
// across file systems (it is made anew there); a link that is copied gives
// a copy of the picture's bytes.

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct stat;

namespace glimr {

// What to do when a destination exists (the values are the settings').
enum class TOverwritePolicy : std::uint8_t { Ask = 0, AutoRename = 1, Overwrite = 2, Skip = 3 };

enum class TOverwriteAnswer : std::uint8_t { Overwrite, Skip, AutoRename, Cancel };

struct TOverwriteReply {
  TOverwriteAnswer Answer = TOverwriteAnswer::Skip;
  // The answer becomes the policy for the rest of the run (not for Cancel).
  bool DontAskAgain = false;
};

struct TCopyEntry {
  QString Source;  // full path of a file
  bool Move = false;
  std::int32_t CatalogID = 0;  // carried for the caller; the engine does not read it
};

enum class TCopyOutcome : std::uint8_t {
  NotReached,       // the run ended (cancel or error) before this entry
  Copied,           // a new file at Destination; the source stays
  Moved,            // the file is at Destination; the source is gone
  Skipped,          // the destination exists and the answer was Skip
  SkippedSameFile,  // the destination is the source itself (same device and inode)
  SkippedMissing,   // the source did not exist when its turn came
  Cancelled,        // cancelled during this entry: nothing changed for it
  Failed,           // an error; Error says what; nothing changed for it
};

// The points of a move that a test may stop a run at (TCopyHooks::Step).
enum class TCopyStep : std::uint8_t {
  BeforePlace,    // BeforePlace has returned; the file is not yet at its destination
  Placed,         // the file is at its destination; a copied move's source is still there
  SourceRemoved,  // a move that copied (or re-made a link) has removed its source
};

struct TCopyResult {
  QString Source;
  QString Destination;  // the final path (after an automatic rename)
  TCopyOutcome Outcome = TCopyOutcome::NotReached;
  bool Renamed = false;  // Destination got a new name by automatic rename
  // The existing file at Destination was replaced.
  bool Overwrote = false;
  // Why it failed, or (with Copied) why a move's source could not be deleted.
  QString Error;
  // Only in what TCopyHooks::BeforePlace hands over (the Outcome is still
  // NotReached): a move is about to put its file at Destination.
  bool Placing = false;
};

// The run's counters at one moment; any thread may take them.
struct TCopyCounters {
  std::int64_t TotalBytes = 0;     // of every source, skipped ones included
  std::int64_t FinishedBytes = 0;  // of the files done or skipped so far
  std::int64_t FileSize = 0;       // of the current file
  std::int64_t FileCopied = 0;     // bytes of the current file written so far
  int FilesDone = 0;
  int FilesTotal = 0;
};

struct TCopyProgress {
  TCopyCounters Counters;
  QString CurrentFile;  // full source path of the file in hand
  double ElapsedSeconds = 0;
  double BytesPerSecond = 0;  // 0 until time has passed
  double SecondsLeft = -1;    // -1 while unknown (nothing copied yet)
  int FilePercent = 0;
  int TotalPercent = 0;
};

// Speed, time left and percentages from the counters and the time since
// the start (monotonic). Never divides by zero: a zero-byte file, a first
// chunk or no time passed give 0 or "unknown", not NaN or infinity.
TCopyProgress ComputeCopyProgress(const TCopyCounters& counters, std::chrono::nanoseconds elapsed);

// The first of base(0).ext, base(1).ext, ... that does not exist, where ext
// is the file name's last extension with its dot ("" for none; a leading
// dot of a hidden name starts no extension).
QString AutoRenamePath(const QString& path, const std::function<bool(const QString&)>& exists = {});

struct TCopyHooks {
  // Called on the worker thread when a destination exists and the policy is
  // Ask; the worker waits for the reply. Unset: Skip.
  std::function<TOverwriteReply(const QString& destination, const QString& source)> AskOverwrite;
  // Called on the worker thread when a file starts and after every chunk.
  std::function<void(const TCopyProgress&)> Progress;
  // Called on the worker thread when a file's outcome is settled (index in
  // the list), so a caller can follow a move as soon as it is complete.
  std::function<void(std::size_t index, const TCopyResult&)> FileDone;
  // Called on the worker thread once per moved entry, just before its file
  // (or link) takes its place at the result's Destination:
  // the caller puts the catalog row there first, so that the row is where
  // the file is whenever the program stops. The result handed over has
  // Placing set; FileDone follows, also when the placing failed.
  std::function<void(std::size_t index, const TCopyResult&)> BeforePlace;
  // For tests: called on the worker thread at each step of a move.
  std::function<void(std::size_t index, TCopyStep step)> Step;
};

class TCopyEngine {
 public:
  // Bytes of one transfer step; progress and Cancel are looked at after
  // each step.
  static constexpr std::int64_t kChunkSize = 1 << 20;

  // destinationFolder may end with "/" or not.
  TCopyEngine(std::vector<TCopyEntry> entries, const QString& destinationFolder,
              TOverwritePolicy policy, TCopyHooks hooks = {});
  ~TCopyEngine();
  TCopyEngine(const TCopyEngine&) = delete;
  TCopyEngine& operator=(const TCopyEngine&) = delete;

  // Runs on the calling thread until the last entry, a Cancel or an error.
  void Run();
  // Any thread: the run stops after the current chunk; that file's
  // temporary copy is removed.
  void Cancel() { cancel_.store(true); }
  bool Cancelled() const { return cancel_.load(); }

  // After Run: one result per entry, in the entries' order.
  const std::vector<TCopyResult>& Results() const { return results_; }
  // After Run: the failure that ended the run ("path: message"), else "".
  const QString& Error() const { return error_; }
  // The policy in force (changed by "Don't ask again").
  TOverwritePolicy Policy() const { return policy_; }
  const QString& DestinationFolder() const { return folder_; }

  // Any thread.
  TCopyProgress Progress() const;

  // Before Run: false writes through named temporary files even where the
  // file system offers anonymous ones (as it must where it has none).
  void UseAnonymousFiles(bool use) { anonymous_ = use; }

 private:
  enum class TStep { Next, Stop };
  TStep RunEntry(std::size_t index);
  TStep CopyFile(std::size_t index, bool overwrite);
  TStep MoveLink(std::size_t index, const QByteArray& target, const struct stat& link,
                 bool overwrite);
  TStep RemoveMovedSource(std::size_t index, const struct stat& expected);
  void Announce(std::size_t index, bool overwrite);
  void StepDone(std::size_t index, TCopyStep step);
  int FolderFd();
  TOverwriteAnswer AskOverwrite(const QString& destination, const QString& source);
  TStep Fail(TCopyResult& result, const QString& path, int error);
  TStep Fail(TCopyResult& result, const QString& path, const QString& message);
  void StartFile(const QString& source, std::int64_t size);
  void FinishFile(std::size_t index, std::int64_t size);
  void Report();

  std::vector<TCopyEntry> entries_;
  QString folder_;
  TOverwritePolicy policy_;
  TCopyHooks hooks_;
  std::vector<TCopyResult> results_;
  QString error_;
  std::atomic<bool> cancel_{false};
  bool anonymous_ = true;
  // The destination folder, opened when first written into; temporary files
  // left there by killed runs are cleared then.
  int folderFd_ = -1;
  // BeforePlace was called for the entry in hand.
  bool announced_ = false;

  // Only for files the kernel cannot copy by itself (made when needed).
  std::vector<char> buffer_;
  // steady_clock ticks at the start; atomic because Progress() may run on
  // another thread while the run starts.
  std::atomic<std::chrono::steady_clock::rep> startTicks_{0};
  std::atomic<std::int64_t> totalBytes_{0};
  std::atomic<std::int64_t> finishedBytes_{0};
  std::atomic<std::int64_t> fileSize_{0};
  std::atomic<std::int64_t> fileCopied_{0};
  std::atomic<int> filesDone_{0};
  mutable std::mutex currentMutex_;
  QString current_;
};

// Runs one engine on a thread of its own. The owner starts and joins it;
// the destructor cancels a run still going and joins.
class TCopyThread {
 public:
  explicit TCopyThread(TCopyEngine& engine) : engine_(engine) {}
  ~TCopyThread();
  TCopyThread(const TCopyThread&) = delete;
  TCopyThread& operator=(const TCopyThread&) = delete;

  // onEnd runs on the worker thread after the run, however it ended.
  void Start(std::function<void()> onEnd = {});
  void Cancel() { engine_.Cancel(); }
  // Waits for the run to end; the engine's results may be read afterwards.
  void Join();
  bool Finished() const { return finished_.load(); }

 private:
  TCopyEngine& engine_;
  std::thread thread_;
  std::atomic<bool> finished_{false};
};

}  // namespace glimr
