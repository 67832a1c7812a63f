#pragma once
// The message a second start sends to the running Glimr: one frame of a
// version magic, a payload length and the paths, each ended by a zero byte.
// The reader takes the frame in pieces as they arrive and refuses an
// oversize or malformed one before keeping any of it.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

namespace glimr {

// "GLH" and the frame version 1, then the payload length (big-endian, 32
// bits), then the payload.
inline constexpr char kHandOverMagic[4] = {'G', 'L', 'H', '\x01'};
inline constexpr qsizetype kHandOverHeaderSize = 8;
// Room for 100 000 paths of 335 bytes each, far above any real command line.
inline constexpr quint32 kMaxHandOverPayload = 32u * 1024 * 1024;

// The frame for paths; none when a path holds a zero byte (no file name can)
// or the payload would exceed maxPayload.
std::optional<QByteArray> EncodeHandOver(const QStringList& paths,
                                         quint32 maxPayload = kMaxHandOverPayload);

class THandOverReader {
 public:
  enum class TState { NeedMore, Done, Bad };

  explicit THandOverReader(quint32 maxPayload = kMaxHandOverPayload);

  // Takes the next bytes of the frame. Each call looks only at the new bytes;
  // bytes past the end of the frame make it Bad.
  TState Feed(QByteArrayView bytes);
  TState State() const { return state_; }
  // How many more bytes the part being read (header or payload) needs, so a
  // caller reads no more than the frame holds.
  qint64 Wanted() const;
  // Why the frame was refused, for the log.
  QString Error() const { return error_; }
  // The paths of a Done frame.
  QStringList TakePaths();

 private:
  void FeedHeader(QByteArrayView bytes, qsizetype* used);
  void FeedPayload(QByteArrayView bytes, qsizetype* used);
  void Refuse(const QString& why);

  quint32 maxPayload_;
  TState state_ = TState::NeedMore;
  QByteArray header_;
  quint32 payloadSize_ = 0;
  quint32 payloadRead_ = 0;
  QByteArray pending_;  // the unfinished path
  QStringList paths_;
  QString error_;
};

}  // namespace glimr
