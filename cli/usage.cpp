#include "cli/usage.h"

#include <string>

#include "base/ascii_case.h"
#include "cli/member_help.h"
#include "cli/member_text.h"
#include "cli/text_encoding.h"
#include "module/member_table.h"

#ifndef VXIMAGE_VERSION
#define VXIMAGE_VERSION "unknown"
#endif

namespace vx::cli {
namespace {

// A member of the table without an entry of its own: its row, and the help string the
// component gives it.
bool PrintFromTable(std::ostream& out, const std::string& name) {
  bool found = false;
  for (const Member& m : ResizeMembers()) {
    if (Utf16ToUtf8(m.name) != name || found) continue;
    found = true;
    out << "  " << name << " (" << Signature(m) << ")\n      " << Utf16ToUtf8(m.help) << '\n';
  }
  return found;
}

}  // namespace

void PrintUsage(std::ostream& out) {
  out << R"(vximage drives one Resize object by member name, as an automation script does: it
loads a picture, stamps a logo and a text on it, and writes JPEG files.

Usage:
  vximage [OPTIONS] run SCRIPT [ARG...]   run the statements of SCRIPT, a file
                                          of at most 16 MiB ("-": standard
                                          input); %1, %2 ... stand for the ARGs
  vximage [OPTIONS] -e STATEMENT ...      run each -e statement in order
  vximage [OPTIONS] batch [-j N] SCRIPT [FILE...]
                                          run SCRIPT once for each FILE (%1), on
                                          N workers (default: one a core), each
                                          with its own object; without FILE, the
                                          inputs are read from standard input,
                                          one a line
  vximage help [MEMBER]                   what a member does, its parameters,
                                          units and values (all members without
                                          MEMBER)
  vximage members                         the member table: DISPID, kind,
                                          parameters, the component's help
                                          string
  vximage --help | -h                     this text
  vximage --version                       the version

Options:
  --strict   a warning stops the run (or the input of a batch) with exit status 1
  --time     after each statement, print "time <ms> ms: <statement>" to standard
             error

Statements, one a line:
  MemberName arg, arg, ...     call a method (also MemberName(arg, arg))
  PropertyName = value         set a property
  ? Name [arg, ...]            print a property or what a method returns;
                               "? GetErrorInfo" prints the object's error text
Member names are matched without regard to case. ' starts a comment, so a string
in single quotes is a comment: strings need double quotes. Blank lines are
skipped.

Values:
  "text"            a string; "" inside it stands for one quote
  42, -7            a long (a double when it does not fit 32 bits)
  1.5, 2E3          a double
  &HFF              a long up to &H7FFFFFFF, an OLE_COLOR (unsigned) above
  True, False       a boolean (-1 and 0)
  Empty, Null       no value; a null value
  %1 ... %9         the script's arguments (the input, in a batch), as strings;
                    inside a string too: "out/%~n1-thumb.jpg"
  %~n1 %~x1 %~p1    the argument's file name without its extension, its
                    extension with the dot, its folder with the closing slash
                    (combined in that order: %~pn1, %~nx1); %% is one %
Values are converted to the member's parameter types as automation converts them.

Warnings:
  After each call, vximage says on standard error what went wrong in it, as
  "line N: warning: MEMBER "FILE": ...": a new error text of the object, an
  answer of S_FALSE, and what the object does not report: a mark file that is
  missing or not a PNG file, a face that is not installed, an output file that
  was not written.

Batches:
  On a terminal, a progress line shows the inputs done, the rate and the time
  left; otherwise one line is printed for each input done. At the end a summary
  names every input that failed, with its first warning or error. Ctrl-C stops
  the workers after the call each is making: files appear whole or not at all.
  What '?' statements print comes out input by input.

Example script (thumb.vxs):
  ' thumbnail and watermark of one photo
  Quality = 90
  LoadSourceImage %1
  ? GetSourceImageWidth
  MarkPos = 4
  AddImageMark "logo.png", 0, 0
  TextMarkColor = &HFFFFFF
  MakeThumbImage "thumbs/%~n1.jpg", 150, 0, 1
  ? GetErrorInfo
run on one photo, then on every photo of a folder:
  vximage run thumb.vxs photo.jpg
  vximage --strict batch thumb.vxs photos/*.jpg

Exit status:
  0    every statement ran and the object reported no error
  1    a call answered S_FALSE or changed the object's error text (a warning), or,
       with --strict, there was a warning of any kind; in a batch, an input failed
  2    a statement could not be read or dispatched ("line N: ..." on standard
       error; for -e, N is the position of the statement), or the command line
       was wrong
  130  interrupted (Ctrl-C)

Members (vximage help MEMBER shows one):
)";
  PrintMemberGuide(out, "");
}

bool PrintMemberGuide(std::ostream& out, const std::string& member) {
  if (member.empty()) {
    for (const MemberHelp& help : MemberHelps()) PrintMemberHelp(help, out);
    return true;
  }
  if (const MemberHelp* help = FindMemberHelp(member)) {
    PrintMemberHelp(*help, out);
    return true;
  }
  for (const Member& m : ResizeMembers()) {
    const std::string name = Utf16ToUtf8(m.name);
    if (SameIgnoringAsciiCase(std::string_view(name), std::string_view(member))) return PrintFromTable(out, name);
  }
  return false;
}

void PrintVersion(std::ostream& out) { out << "vximage " VXIMAGE_VERSION "\n"; }

}  // namespace vx::cli
