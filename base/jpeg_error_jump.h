// libjpeg's error manager followed by a return point: a fatal error jumps back to the
// caller's setjmp instead of ending the process, and no message is printed. Warnings are
// counted as the library counts them, and a premature end of the coded data is noted.
#pragma once

#include <csetjmp>
#include <cstdio>

// jpeglib.h expects the standard types to be declared already.
#include <jerror.h>
#include <jpeglib.h>

namespace vx {

struct JpegErrorJump {
  jpeg_error_mgr manager;
  std::jmp_buf return_point;
  // The entropy decoder needed bits that the data did not have (it ended or broke off at
  // a marker): from there on the library makes up pixels.
  bool data_short = false;

  // Fills in the manager; returns it for the compression or decompression object.
  jpeg_error_mgr* Install() {
    jpeg_std_error(&manager);
    manager.error_exit = [](j_common_ptr cinfo) {
      std::longjmp(reinterpret_cast<JpegErrorJump*>(cinfo->err)->return_point, 1);
    };
    manager.output_message = [](j_common_ptr) {};
    manager.emit_message = [](j_common_ptr cinfo, int level) {
      if (level >= 0) return;  // trace messages
      auto* errors = reinterpret_cast<JpegErrorJump*>(cinfo->err);
      ++errors->manager.num_warnings;
      if (errors->manager.msg_code == JWRN_HIT_MARKER) errors->data_short = true;
    };
    return &manager;
  }

  // The fatal error was the library running out of the memory it may use, not a broken file.
  bool OutOfMemory() const { return manager.msg_code == JERR_OUT_OF_MEMORY || manager.msg_code == JERR_NO_BACKING_STORE; }
};

}  // namespace vx
