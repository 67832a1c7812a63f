#pragma once
// The file a copy is written into until it is complete: an anonymous file of
// the destination folder, or, where the file system has none, a hidden name
// no other run can hold, locked while the copy runs. It takes its final
// name only while it is still the file this run wrote, and it replaces an
// existing file only when asked to.

#include <QByteArray>
#include <QString>

namespace glimr {

// The name of a copy's temporary file, made from the destination's name and
// a random token: ".name.<token>.glimr-part" (the name shortened so that the
// whole fits in 255 bytes).
QString CopyTemporaryPath(const QString& destination, const QString& token);

// Sixteen random lower-case hex digits.
QString CopyTemporaryToken();

// Whether a file name has the form CopyTemporaryPath gives (the token being
// sixteen lower-case hex digits). The older fixed ".name.glimr-part" does
// not: such a file may be the user's own.
bool IsCopyTemporaryName(const QByteArray& name);

// Removes the temporary files that killed runs left in the folder (a
// descriptor of it): only names IsCopyTemporaryName accepts, only regular
// files owned by this user, and only when no running copy holds their lock.
// Returns how many went.
int RemoveCopyLeftovers(int folderFd);

// Whether the name in the folder is, right now, the file open at fd (same
// device and inode; a symbolic link is never followed).
bool NameIsFile(int folderFd, const QByteArray& name, int fd);

class TPartFile {
 public:
  TPartFile() = default;
  // Discards the file unless it was placed.
  ~TPartFile();
  TPartFile(const TPartFile&) = delete;
  TPartFile& operator=(const TPartFile&) = delete;

  // Opens a new file in the folder (folderFd stays the caller's and must
  // outlive this object) for a copy that is to be called destinationName.
  // anonymous false: use a named file even where anonymous ones exist.
  // Returns 0 or an error number.
  int Open(int folderFd, const QByteArray& destinationName, bool anonymous);
  int Fd() const { return fd_; }
  bool Anonymous() const { return anonymous_; }
  // The temporary name, while the file has one ("" for an anonymous file).
  const QByteArray& Name() const { return name_; }

  // Gives the written file the name destinationName in the folder. Without
  // replace an existing name is left alone (the answer is "File exists").
  // Returns "" or why it failed; on failure the file is still this object's.
  QString Place(const QByteArray& destinationName, bool replace);
  // Removes the file written, never anything else that took its name.
  void Discard();

 private:
  int LinkUnderTemporaryName(const QByteArray& destinationName);

  int folder_ = -1;
  int fd_ = -1;
  bool anonymous_ = false;
  bool placed_ = false;
  QByteArray name_;
};

}  // namespace glimr
