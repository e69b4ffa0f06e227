// A tune streamed to one source: an Ogg Vorbis file decoded a quarter of a
// second at a time into a few queued buffers that are topped up as they play.
// Starting a tune costs two pieces' decoding instead of the whole file's, and
// a long tune holds a couple of seconds of samples instead of all of them.
// Relies on the output's queues (audio_source.h) and OggStream (audio_loader.h).
#pragma once

#include <deque>
#include <memory>

#include "audio/audio_loader.h"

class MusicStream {
 public:
  // Starts `ogg` on `source` with its first pieces queued; null, the source
  // stopped, when not even the first piece decodes.
  static std::unique_ptr<MusicStream> Start(std::unique_ptr<OggStream> ogg, unsigned source, bool loop);
  // Stops the source and frees every buffer.
  ~MusicStream();
  MusicStream(const MusicStream&) = delete;
  MusicStream& operator=(const MusicStream&) = delete;

  // Takes back the pieces played and queues new ones, a few at most a call.
  // With `restart`, a source that ran dry before the tune's end plays again.
  void Feed(bool restart);
  // Forgets the source and its buffers, which went with their device.
  void Abandon() { queued_.clear(); source_ = 0; }
  // True once a tune that does not loop has played to its end, as the last
  // call to Feed found it.
  bool Ended() const;

 private:
  MusicStream(std::unique_ptr<OggStream> ogg, unsigned source, bool loop);
  // Decodes and queues the next piece; false when there was none.
  bool QueuePiece();
  // Frees the pieces the source has played through.
  void TakeBackPlayed();

  std::unique_ptr<OggStream> ogg_;
  unsigned source_;
  bool loop_;
  int pieceFrames_;
  bool decodedAll_ = false;
  long long sinceRewind_ = 0;   // frames decoded since the stream's first frame
  std::deque<unsigned> queued_;  // the buffers on the source's queue, oldest first
};
