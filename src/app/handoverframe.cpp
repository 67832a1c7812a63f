#include "app/handoverframe.h"

#include <QtEndian>

#include <algorithm>
#include <utility>

namespace glimr {

std::optional<QByteArray> EncodeHandOver(const QStringList& paths, quint32 maxPayload) {
  QByteArray payload;
  for (const QString& path : paths) {
    const QByteArray bytes = path.toUtf8();
    if (bytes.contains('\0')) {
      return std::nullopt;
    }
    if (quint64(payload.size()) + quint64(bytes.size()) + 1 > maxPayload) {
      return std::nullopt;
    }
    payload += bytes;
    payload += '\0';
  }
  QByteArray frame(kHandOverHeaderSize, '\0');
  std::copy(std::begin(kHandOverMagic), std::end(kHandOverMagic), frame.begin());
  qToBigEndian<quint32>(quint32(payload.size()), frame.data() + sizeof kHandOverMagic);
  return frame + payload;
}

THandOverReader::THandOverReader(quint32 maxPayload) : maxPayload_(maxPayload) {}

THandOverReader::TState THandOverReader::Feed(QByteArrayView bytes) {
  qsizetype used = 0;
  while (used < bytes.size() && state_ == TState::NeedMore) {
    if (header_.size() < kHandOverHeaderSize) {
      FeedHeader(bytes, &used);
    } else {
      FeedPayload(bytes, &used);
    }
  }
  if (used < bytes.size() && state_ == TState::Done) {
    Refuse(QStringLiteral("%1 bytes after the end of the frame").arg(bytes.size() - used));
  }
  return state_;
}

void THandOverReader::FeedHeader(QByteArrayView bytes, qsizetype* used) {
  // The magic is checked byte by byte, so a stranger speaking another
  // protocol is turned away at its first wrong byte.
  while (*used < bytes.size() && header_.size() < kHandOverHeaderSize) {
    const char byte = bytes[*used];
    ++*used;
    if (header_.size() < qsizetype(sizeof kHandOverMagic) &&
        byte != kHandOverMagic[header_.size()]) {
      Refuse(QStringLiteral("not a hand-over frame of this version"));
      return;
    }
    header_ += byte;
  }
  if (header_.size() < kHandOverHeaderSize) {
    return;
  }
  payloadSize_ = qFromBigEndian<quint32>(header_.constData() + sizeof kHandOverMagic);
  if (payloadSize_ > maxPayload_) {
    Refuse(QStringLiteral("a payload of %1 bytes, above the limit of %2")
               .arg(payloadSize_)
               .arg(maxPayload_));
    return;
  }
  if (payloadSize_ == 0) {
    state_ = TState::Done;
  }
}

void THandOverReader::FeedPayload(QByteArrayView bytes, qsizetype* used) {
  const qsizetype take = std::min<qsizetype>(bytes.size() - *used, payloadSize_ - payloadRead_);
  const QByteArrayView chunk = bytes.sliced(*used, take);
  *used += take;
  payloadRead_ += quint32(take);
  // Paths are cut out as their zero bytes arrive: nothing is looked at twice.
  qsizetype start = 0;
  for (qsizetype end = chunk.indexOf('\0'); end >= 0; end = chunk.indexOf('\0', start)) {
    pending_.append(chunk.sliced(start, end - start));
    paths_ << QString::fromUtf8(pending_);
    pending_.clear();
    start = end + 1;
  }
  pending_.append(chunk.sliced(start));
  if (payloadRead_ < payloadSize_) {
    return;
  }
  if (!pending_.isEmpty()) {
    Refuse(QStringLiteral("the last path is not ended"));
    return;
  }
  state_ = TState::Done;
}

void THandOverReader::Refuse(const QString& why) {
  state_ = TState::Bad;
  error_ = why;
  pending_.clear();
  paths_.clear();
}

qint64 THandOverReader::Wanted() const {
  if (state_ != TState::NeedMore) {
    return 0;
  }
  if (header_.size() < kHandOverHeaderSize) {
    return kHandOverHeaderSize - header_.size();
  }
  return qint64(payloadSize_) - payloadRead_;
}

QStringList THandOverReader::TakePaths() {
  return state_ == TState::Done ? std::exchange(paths_, {}) : QStringList();
}

}  // namespace glimr
