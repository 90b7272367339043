// Failures that the object does not report, found by looking at what a call should have
// done: the mark file of AddImageMark, the face of AddTextMark, the file that a Make...
// call writes. Each answer is the text of a warning, empty when all is well.
#pragma once

#include <string>
#include <sys/types.h>

#include "platform/win_types.h"

namespace vx::cli {

// What a path names now, to tell afterwards whether a call replaced it.
struct FileIdentity {
  bool exists = false;
  bool regular = false;
  dev_t device = 0;
  ino_t inode = 0;
  long long modified_ns = 0;
};
FileIdentity IdentityOf(const std::string& path);

// "nothing was written" when a call that should have written `path` left it as it was.
std::string WrittenProblem(const FileIdentity& before, const std::string& path);

// MakeMarkImage writes only names ending in .jpg or .jpeg.
std::string MarkImageNameProblem(const std::string& path);

// AddImageMark draws only PNG files; anything else leaves the picture without its mark.
std::string MarkFileProblem(const std::string& path);

// A face that is not installed is drawn in the base face; the Windows core faces, drawn in
// families made to their measure, are not a problem.
std::string FaceProblem(const std::u16string& face);

}  // namespace vx::cli
