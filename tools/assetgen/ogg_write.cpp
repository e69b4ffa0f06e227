// Vorbis encoding: analysis in blocks, packets into Ogg pages, pages to the file.
#include "ogg_write.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace assetgen {

namespace {

constexpr int kSerialNumber = 0x534B524C;  // fixed, so the output is reproducible
constexpr int kBlock = 4096;

[[noreturn]] void fail(const std::filesystem::path& file, const char* what) {
  std::fprintf(stderr, "assetgen: cannot write %s: %s\n", file.string().c_str(), what);
  std::exit(1);
}

// Writes the pages that are ready (all of them when flushing); true once
// the last page of the stream has been written.
bool writePages(FILE* out, ogg_stream_state& stream, bool flush) {
  ogg_page page;
  bool last = false;
  while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
    std::fwrite(page.header, 1, page.header_len, out);
    std::fwrite(page.body, 1, page.body_len, out);
    last = last || ogg_page_eos(&page);
  }
  return last;
}

}  // namespace

void writeOgg(const std::filesystem::path& file, const std::vector<float>& left, const std::vector<float>& right,
              int sampleRate, float quality, const char* title) {
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, 2, sampleRate, quality) != 0) fail(file, "encoder set-up");
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_comment_add_tag(&comment, "TITLE", title);
  vorbis_dsp_state dsp;
  vorbis_block block;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, kSerialNumber);

  std::filesystem::create_directories(file.parent_path());
  FILE* out = std::fopen(file.string().c_str(), "wb");
  if (!out) fail(file, "open");

  ogg_packet header, commentHeader, codeHeader;
  vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &commentHeader);
  ogg_stream_packetin(&stream, &codeHeader);
  writePages(out, stream, true);  // the audio starts on a fresh page

  size_t done = 0, total = left.size();
  bool ended = false;
  while (!ended) {
    // An empty write after the last samples marks the end of the stream.
    size_t n = std::min<size_t>(kBlock, total - done);
    if (n == 0) {
      vorbis_analysis_wrote(&dsp, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
      for (size_t i = 0; i < n; ++i) {
        buffer[0][i] = left[done + i];
        buffer[1][i] = right[done + i];
      }
      vorbis_analysis_wrote(&dsp, static_cast<int>(n));
      done += n;
    }
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        ended = writePages(out, stream, false) || ended;
      }
    }
  }
  writePages(out, stream, true);
  if (std::fclose(out) != 0) fail(file, "close");

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
}

}  // namespace assetgen
