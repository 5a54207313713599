#include "imaging/JpegWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "imaging/OutputFile.h"
#include "platform/error.h"

namespace quillet::imaging {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return.
// It cannot throw through the C library's frames, so it jumps back into
// Compress below, which holds no C++ object that would need unwinding.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnFatalError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings (corrupt-data notes and the like) are of no use to a caller of the library.
void OnMessage(j_common_ptr) {}

// Everything libjpeg does, between one setjmp and the jump back. Returns false
// with the message in Err when libjpeg failed. Only trivially destructible
// locals live here.
bool Compress(jpeg_compress_struct* cinfo, ErrorManager* err, std::FILE* out, const Bitmap* image, int quality,
              uint8_t* scratch) {
  if (setjmp(err->jump)) return false;
  jpeg_create_compress(cinfo);
  jpeg_stdio_dest(cinfo, out);
  cinfo->image_width = JDIMENSION(image->Width());
  cinfo->image_height = JDIMENSION(image->Height());
  cinfo->input_components = 3;
#ifdef JCS_EXTENSIONS
  // The picture's rows are already in blue, green, red order.
  cinfo->in_color_space = JCS_EXT_BGR;
#else
  cinfo->in_color_space = JCS_RGB;
#endif
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, quality, TRUE);
  jpeg_start_compress(cinfo, TRUE);
  while (cinfo->next_scanline < cinfo->image_height) {
    const uint8_t* src = image->Row(int32_t(cinfo->next_scanline));
    JSAMPROW row;
#ifdef JCS_EXTENSIONS
    (void)scratch;
    row = const_cast<JSAMPROW>(src);
#else
    for (int32_t x = 0; x < image->Width(); ++x) {
      scratch[3 * x] = src[3 * x + 2];
      scratch[3 * x + 1] = src[3 * x + 1];
      scratch[3 * x + 2] = src[3 * x];
    }
    row = scratch;
#endif
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return true;
}

// Frees libjpeg's memory whatever happened; safe on a never-created object,
// which is all zeros.
struct CompressGuard {
  jpeg_compress_struct* cinfo;
  ~CompressGuard() { jpeg_destroy_compress(cinfo); }
};

}  // namespace

void WriteJpegFile(const Bitmap& image, const std::string& file, int quality) {
  if (image.Empty()) throw Error("Cannot write an empty image to " + file);
  OutputFile out(file);
#ifdef JCS_EXTENSIONS
  std::vector<uint8_t> scratch;
#else
  std::vector<uint8_t> scratch(image.Stride());
#endif

  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnFatalError;
  err.pub.output_message = OnMessage;
  err.message[0] = '\0';
  CompressGuard guard{&cinfo};

  if (!Compress(&cinfo, &err, out.Stream(), &image, quality, scratch.data()))
    throw Error("Cannot write JPEG file " + file + ": " + err.message);
  out.Commit();
}

}  // namespace quillet::imaging
