// The streamed tune: pieces decoded on the caller's thread, at most a few a
// call, with enough queued to ride out a couple of seconds without a call. A
// looping tune goes back to its first frame as the last piece is decoded; a
// stream that gives nothing in a whole pass (damaged from its start) ends
// instead of looping forever. Relies on audio_source.h and audio_loader.h.
#include "audio/music_stream.h"

#include <cstdlib>

#include "audio/audio_source.h"

namespace {
constexpr int kPiecesPerSecond = 4;   // a piece is a quarter of a second
constexpr int kPiecesAtStart = 2;     // decoded before the tune starts
constexpr int kPiecesQueued = 8;      // two seconds ahead of what plays
constexpr int kPiecesPerFeed = 2;     // decoded at most by one call
constexpr int kBytesPerSample = 2;
}  // namespace

MusicStream::MusicStream(std::unique_ptr<OggStream> ogg, unsigned source, bool loop)
    : ogg_(std::move(ogg)), source_(source), loop_(loop), pieceFrames_(ogg_->Hertz() / kPiecesPerSecond + 1) {}

std::unique_ptr<MusicStream> MusicStream::Start(std::unique_ptr<OggStream> ogg, unsigned source, bool loop) {
  vx_audio__ReleaseSource(source);
  std::unique_ptr<MusicStream> stream(new MusicStream(std::move(ogg), source, loop));
  for (int i = 0; i < kPiecesAtStart && stream->QueuePiece(); ++i) {
  }
  if (stream->queued_.empty()) return nullptr;
  vx_audio__PlayQueue(source);
  return stream;
}

MusicStream::~MusicStream() {
  if (source_) vx_audio__ReleaseSource(source_);
  for (unsigned buffer : queued_) vx_audio__DeleteBuffer(buffer);
}

bool MusicStream::QueuePiece() {
  if (decodedAll_) return false;
  int channels = ogg_->Channels();
  auto* pcm = static_cast<short*>(std::malloc(static_cast<size_t>(pieceFrames_) * channels * kBytesPerSample));
  if (!pcm) return false;
  int got = 0;
  while (got < pieceFrames_) {
    int frames = ogg_->Read(pcm + static_cast<size_t>(got) * channels, pieceFrames_ - got);
    if (frames > 0) {
      got += frames;
      sinceRewind_ += frames;
      continue;
    }
    if (!loop_ || sinceRewind_ == 0 || !ogg_->Rewind()) {
      decodedAll_ = true;
      break;
    }
    sinceRewind_ = 0;
  }
  if (got == 0) {
    std::free(pcm);
    return false;
  }
  unsigned buffer =
      vx_audio__MakeBuffer(reinterpret_cast<unsigned char*>(pcm), got, channels, kBytesPerSample, ogg_->Hertz());
  if (!buffer) {
    decodedAll_ = true;
    return false;
  }
  vx_audio__QueueBuffer(source_, buffer);
  queued_.push_back(buffer);
  return true;
}

void MusicStream::Feed(bool restart) {
  TakeBackPlayed();
  for (int i = 0; i < kPiecesPerFeed && static_cast<int>(queued_.size()) < kPiecesQueued; ++i)
    if (!QueuePiece()) break;
  if (!restart || queued_.empty() || !vx_audio__SourceStopped(source_)) return;
  // It may have played more before it stopped: a source started again plays
  // every buffer still on its queue, those too.
  TakeBackPlayed();
  if (queued_.empty()) QueuePiece();
  if (!queued_.empty()) vx_audio__PlayQueue(source_);
}

void MusicStream::TakeBackPlayed() {
  while (!queued_.empty()) {
    unsigned played = vx_audio__TakePlayedBuffer(source_);
    if (!played) break;
    // Buffers leave a queue in the order they joined it.
    queued_.pop_front();
    vx_audio__DeleteBuffer(played);
  }
}

bool MusicStream::Ended() const { return decodedAll_ && queued_.empty(); }
