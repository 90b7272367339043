#include "cli/usage.h"

namespace vx::cli {

void PrintUsage(std::ostream& out) {
  out << R"(vximage drives one Resize object by member name, as an automation script does.

Usage:
  vximage [--time] run SCRIPT        run the statements of SCRIPT, a file of at most 16 MiB
                                     ("-" reads standard input)
  vximage [--time] -e STATEMENT ...  run each -e statement in order
  vximage members                    list the members: DISPID, kind, parameters, help string
  vximage --help | -h                show this text

Options:
  --time   after each statement, print "time <ms> ms: <statement>" to standard error

Statements, one a line:
  MemberName arg, arg, ...     call a method (also MemberName(arg, arg))
  PropertyName = value         set a property
  ? Name [arg, ...]            print a property or what a method returns;
                               "? GetErrorInfo" prints the object's error text
Member names are matched without regard to case. ' starts a comment; blank lines are
skipped.

Values:
  "text"            a string; "" inside it stands for one quote
  42, -7            a long (a double when it does not fit 32 bits)
  1.5, 2E3          a double
  &HFF              a long up to &H7FFFFFFF, an OLE_COLOR (unsigned) up to &HFFFFFFFF
  True, False       a boolean (-1 and 0)
  Empty, Null       no value; a null value
Values are converted to the member's parameter types as automation converts them.

Example script:
  ' thumbnail and watermark of one photo
  Quality = 90
  LoadSourceImage "photo.jpg"
  ? GetSourceImageWidth
  TextMarkColor = &HFFFFFF
  MakeThumbImage "thumb.jpg", 150, 0, 1
  ? GetErrorInfo

Exit status:
  0  every statement ran, the object reported no error
  1  a call answered S_FALSE or the object's error text is not empty (printed to
     standard error)
  2  a statement could not be read or dispatched ("line N: ..." on standard error;
     for -e, N is the position of the statement), or the command line was wrong
)";
}

}  // namespace vx::cli
