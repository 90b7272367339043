#include "platform/codecs/jpeg_reading.h"

#include <algorithm>

namespace vx {

namespace {

// The source reads from memory, piece after piece; past the end it supplies an
// end-of-image marker, as a truncated file ends.
const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

JpegReading::Source* SourceOf(j_decompress_ptr cinfo) { return reinterpret_cast<JpegReading::Source*>(cinfo->src); }

void InitSource(j_decompress_ptr) {}

// Makes the next piece that holds bytes the one read; false when none is left.
bool TakeNextPiece(JpegReading::Source* source) {
  while (source->next_piece < source->piece_count) {
    const JpegReading::Piece& piece = source->pieces[source->next_piece++];
    if (piece.size == 0) continue;
    source->manager.next_input_byte = piece.data;
    source->manager.bytes_in_buffer = piece.size;
    return true;
  }
  return false;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  if (TakeNextPiece(SourceOf(cinfo))) return TRUE;
  WARNMS(cinfo, JWRN_JPEG_EOF);
  cinfo->src->next_input_byte = kFakeEoi;
  cinfo->src->bytes_in_buffer = sizeof kFakeEoi;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  jpeg_source_mgr* source = cinfo->src;
  if (count <= 0) return;
  std::size_t left = static_cast<std::size_t>(count);
  while (left > source->bytes_in_buffer) {
    left -= source->bytes_in_buffer;
    if (!TakeNextPiece(SourceOf(cinfo))) {
      FillInputBuffer(cinfo);  // skipping past the end: what follows is the end
      return;
    }
  }
  source->next_input_byte += left;
  source->bytes_in_buffer -= left;
}

// Restart markers are numbered 0 to 7 in turn. Data that continues a file after some of its
// markers holds the numbers that come next, where a fresh decompressor expects 0: the
// numbers are shifted back, so that each marker is taken as the whole file's decompressor
// takes it there: silently when it is the expected one (libjpeg asks here only when the
// marker is not the one it counted), through libjpeg's resynchronising otherwise.
boolean ResyncToRestart(j_decompress_ptr cinfo, int desired) {
  const int expected = static_cast<int>((unsigned(desired) + SourceOf(cinfo)->restarts_before) & 7);
  if (cinfo->unread_marker == JPEG_RST0 + expected) {
    cinfo->unread_marker = 0;
    return TRUE;
  }
  return jpeg_resync_to_restart(cinfo, expected);
}

void TermSource(j_decompress_ptr) {}

}  // namespace

JpegReading::JpegReading(const std::uint8_t* data, std::size_t size) : JpegReading({{data, size}}, 0) {}

JpegReading::JpegReading(std::initializer_list<Piece> pieces, unsigned restarts_before) {
  cinfo.err = errors.Install();
  source_.manager.init_source = InitSource;
  source_.manager.fill_input_buffer = FillInputBuffer;
  source_.manager.skip_input_data = SkipInputData;
  source_.manager.resync_to_restart = ResyncToRestart;
  source_.manager.term_source = TermSource;
  for (const Piece& piece : pieces) {
    if (source_.piece_count == kMostPieces) break;
    source_.pieces[source_.piece_count++] = piece;
  }
  source_.restarts_before = restarts_before;
}

JpegReading::~JpegReading() {
  if (created_) jpeg_destroy_decompress(&cinfo);
}

int JpegReading::ReadHeader() {
  if (!created_) {
    jpeg_create_decompress(&cinfo);
    created_ = true;
    cinfo.src = &source_.manager;
  }
  LimitJpegDecoding(cinfo, budget_);
  source_.next_piece = 0;
  source_.manager.bytes_in_buffer = 0;
  FillInputBuffer(&cinfo);
  errors.manager.num_warnings = 0;
  errors.data_short = false;
  return jpeg_read_header(&cinfo, TRUE);
}

std::size_t JpegReading::Position() const {
  const Piece& first = source_.pieces[0];
  const JOCTET* next = source_.manager.next_input_byte;
  if (source_.next_piece == 1 && next >= first.data && next <= first.data + first.size) {
    return std::size_t(next - first.data);
  }
  return first.size;
}

}  // namespace vx
