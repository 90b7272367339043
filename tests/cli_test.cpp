// The vximage command, run as a separate process on temporary scripts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "module/member_table.h"

namespace {

namespace fs = std::filesystem;

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vximage-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  CliResult Run(const std::vector<std::string>& args, const std::string& input = "") {
    WriteFile(dir_ / "stdin", input);
    // A command that never ends fails the test instead of hanging it.
    std::string command = "timeout 120 ";
    command += ShellQuoted(VXIMAGE_CLI_PATH);
    for (const std::string& arg : args) command += " " + ShellQuoted(arg);
    command += " <" + ShellQuoted((dir_ / "stdin").string()) + " >" + ShellQuoted((dir_ / "stdout").string()) +
               " 2>" + ShellQuoted((dir_ / "stderr").string());
    const int raw = std::system(command.c_str());
    CliResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(dir_ / "stdout");
    result.err = ReadFile(dir_ / "stderr");
    return result;
  }

  // Starts the command with its output in files, for a test that watches it while it runs.
  // A traced command stops when it has started and again when it ends (PeakKib).
  pid_t Start(const std::vector<std::string>& args, const std::string& input = "", bool traced = false) {
    WriteFile(dir_ / "stdin", input);
    std::vector<std::string> argv_text = {VXIMAGE_CLI_PATH};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    const pid_t pid = fork();
    if (pid == 0) {
      const auto redirect = [](const fs::path& path, int flags, int fd) {
        const int opened = open(path.c_str(), flags, 0600);
        if (opened < 0 || dup2(opened, fd) < 0) _exit(127);
        close(opened);
      };
      redirect(dir_ / "stdin", O_RDONLY, 0);
      redirect(dir_ / "stdout", O_WRONLY | O_CREAT | O_TRUNC, 1);
      redirect(dir_ / "stderr", O_WRONLY | O_CREAT | O_TRUNC, 2);
      std::vector<char*> argv;
      for (std::string& arg : argv_text) argv.push_back(arg.data());
      argv.push_back(nullptr);
      if (traced) {
        // The leak checker stops the process with ptrace itself, which a traced one cannot.
        setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(127);
      }
      execv(argv[0], argv.data());
      _exit(127);
    }
    return pid;
  }

  // Waits for a started command.
  CliResult Finish(pid_t pid) {
    int raw = 0;
    CliResult result;
    if (waitpid(pid, &raw, 0) != pid) return result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(dir_ / "stdout");
    result.err = ReadFile(dir_ / "stderr");
    return result;
  }

  // Runs the command and reads its peak resident memory (VmHWM) as it ends: the process
  // is stopped at its exit, before its memory goes. (A fork's own peak would count the
  // test's memory too.)
  CliResult RunMeasured(const std::vector<std::string>& args, long* peak_kib) {
    const pid_t pid = Start(args, "", true);
    int raw = 0;
    if (waitpid(pid, &raw, 0) != pid || !WIFSTOPPED(raw)) return {};  // stopped at its start
    ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void*>(PTRACE_O_TRACEEXIT));
    ptrace(PTRACE_CONT, pid, nullptr, nullptr);
    while (waitpid(pid, &raw, 0) == pid && WIFSTOPPED(raw)) {
      int signal = WSTOPSIG(raw);
      if ((raw >> 8) == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
        std::istringstream status(ReadFile("/proc/" + std::to_string(pid) + "/status"));
        for (std::string line; std::getline(status, line);) {
          if (line.starts_with("VmHWM:")) *peak_kib = std::stol(line.substr(6));
        }
        signal = 0;
      }
      ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(static_cast<long>(signal)));
    }
    CliResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(dir_ / "stdout");
    result.err = ReadFile(dir_ / "stderr");
    return result;
  }

  CliResult RunScript(const std::string& script) {
    const fs::path path = dir_ / "script.vxs";
    WriteFile(path, script);
    return Run({"run", path.string()});
  }

  fs::path dir_;
};

TEST_F(CliTest, ScriptSetsAndPrintsThroughMemberNames) {
  const CliResult r = RunScript(
      "' defaults first\n"
      "? Quality\n"
      "? GetSourceImageWidth\n"
      "\n"
      "quality = 250   ' no clamping\r\n"
      "? QUALITY\n"
      "TextMarkShadowVisible = 5\n"
      "? TextMarkShadowVisible\n"
      "TextMarkColor = &HFFFFFFFF\n"
      "? TextMarkColor\n"
      "TextMarkFontName = \"say \"\"hi\"\" ' not a comment\"\n"
      "? TextMarkFontName\n"
      "MarkPosOffsetX = -2.5\n"
      "? MarkPosOffsetX\n"
      "TextMarkBold = True\n"
      "? TextMarkBold\n"
      "TextMarkItatic = \" &H10 \"\n"
      "? TextMarkItatic\n"
      "? GetErrorInfo\n"
      "? GetSourceImageHeight()\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "80\n-1\n250\n1\n4294967295\nsay \"hi\" ' not a comment\n-2\n-1\n16\n\n-1\n");
}

TEST_F(CliTest, ExpressionStatementsRunInOrder) {
  const CliResult r = Run({"-e", "Quality = 5", "-e", "? Quality", "-e", "Quality = 6", "-e", "? Quality"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "5\n6\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(CliTest, StandardInputAsScript) {
  const CliResult r = Run({"run", "-"}, "MarkPos = 4\n? MarkPos\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "4\n");
}

TEST_F(CliTest, BadStatementsStopTheRunWithTheirLine) {
  struct Case {
    std::string statement;
    std::string message;  // part of "line 3: ..."
  };
  const Case cases[] = {
      {"Qualty = 5", "unknown member Qualty"},
      {"AddImageMark \"logo.png\", 1", "AddImageMark takes 3 arguments (strMarkImageFile, lPosX, lPosY), got 2"},
      {"? Quality 1", "Quality takes no arguments, got 1"},
      {"AddTextMark \"x\", \"left\", 2", "argument 2 (lPosX) of AddTextMark: \"left\" does not convert to long"},
      {"Quality = 3000000000", "value of Quality: 3000000000 is out of the range of long"},
      {"TextMarkColor = -1", "value of TextMarkColor: -1 is out of the range of OLE_COLOR"},
      {"Quality = Null", "value of Quality: Null does not convert to long"},
      {"TextMarkFontName = \"Arial", "unterminated string"},
      {"Quality", "Quality is a property"},
      {"LoadSourceImage = \"a.jpg\"", "LoadSourceImage is a method, not a property"},
      {"? MakeMarkImage \"out.jpg\"", "MakeMarkImage returns no value"},
      {"GetErrorInfo 1, 2", "GetErrorInfo takes no arguments, got 2"},
      {"GetErrorInfo \"x\"", "argument 1 (pstrErrorInfo) of GetErrorInfo: \"x\" cannot be passed as BSTR*"},
      {"Quality = 1,", "unexpected ',' after the statement"},
      {"MakeCropImage \"c.jpg\", 1,, 3, 4", "missing argument 3"},
      {"Quality = &HFFFFFFFFF", "larger than &HFFFFFFFF"},
      {"Quality = 12abc", "malformed number 12abc"},
      {"Quality = left", "expected a value, found left: strings need double quotes, as in Quality = \"left\""},
      {"Quality = 5 $", "unexpected character '$'"},
      {"ChromaSubsampling = 3",
       "ChromaSubsampling failed: 0x80070057 (E_INVALIDARG); the object reports \"ChromaSubsampling must be 0, 1 or 2!\""},
      {"ResampleFilter = -1",
       "ResampleFilter failed: 0x80070057 (E_INVALIDARG); the object reports \"ResampleFilter must be 0, 1 or 2!\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    const CliResult r = RunScript("' header\n\n" + c.statement + "\n? Quality\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("line 3: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");  // the statement after it did not run
  }
}

TEST_F(CliTest, ExpressionErrorsGiveTheStatementPosition) {
  const CliResult r = Run({"-e", "Quality = 1", "-e", "? Quality", "-e", "Nothing 1"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "1\n");
  EXPECT_EQ(r.err.rfind("line 3: unknown member Nothing", 0), 0u) << r.err;
}

TEST_F(CliTest, InvalidUtf8InAStringIsRefused) {
  const CliResult r = RunScript("TextMarkFontName = \"\xC3\x28\"\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("line 1: string"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("not valid UTF-8"), std::string::npos) << r.err;
}

TEST_F(CliTest, NonAsciiTextRoundTrips) {
  const CliResult r = Run({"-e", "TextMarkFontName = \"Déjà 字\"", "-e", "? TextMarkFontName"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Déjà 字\n");
}

TEST_F(CliTest, ObjectErrorTextEndsTheRunWithStatusOne) {
  const fs::path missing = dir_ / "missing.jpg";
  const CliResult r = Run({"-e", "LoadSourceImage \"" + missing.string() + "\"", "-e", "? GetErrorInfo",
                           "-e", "? GetSourceImageWidth"});
  EXPECT_EQ(r.status, 1);
  // S_FALSE does not stop the run: later statements still ran.
  EXPECT_EQ(r.out, "Source image file open failed!\n-1\n");
  EXPECT_EQ(r.err, "line 1: warning: LoadSourceImage \"" + missing.string() +
                       "\": the object reports \"Source image file open failed!\"\n");
}

// S_FALSE without an error text: a warning; the run goes on and ends with status 1.
TEST_F(CliTest, TextMarkBeforeALoadEndsTheRunWithStatusOne) {
  const CliResult r = Run({"-e", "Quality = 5", "-e", "AddTextMark \"x\", 1, 2", "-e", "? Quality"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "5\n");
  EXPECT_EQ(r.err, "line 2: warning: AddTextMark \"x\": returned S_FALSE: no picture is loaded, nothing was drawn\n");
}

TEST_F(CliTest, TimeReportsEachStatement) {
  const CliResult r = Run({"--time", "-e", "Quality = 1  ' the comment is left out", "-e", " ", "-e", "? Quality"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "1\n");
  const std::regex lines("time [0-9]+\\.[0-9]{3} ms: Quality = 1\ntime [0-9]+\\.[0-9]{3} ms: \\? Quality\n");
  EXPECT_TRUE(std::regex_match(r.err, lines)) << r.err;
}

TEST_F(CliTest, MembersListsEveryRow) {
  const CliResult r = Run({"members"});
  EXPECT_EQ(r.status, 0);
  std::istringstream listing(r.out);
  std::vector<std::string> lines;
  for (std::string line; std::getline(listing, line);) lines.push_back(line);
  // A header; IResize's 9 methods and 19 properties of two rows each; IResize2's 5 methods
  // and 10 properties.
  ASSERT_EQ(lines.size(), 1u + 47u + 25u);
  const auto has_line = [&lines](const std::regex& pattern) {
    for (const std::string& line : lines) {
      if (std::regex_match(line, pattern)) return true;
    }
    return false;
  };
  EXPECT_TRUE(has_line(std::regex(" *1 +method +LoadSourceImage +\\(BSTR strImageFile\\) +method LoadImage")));
  EXPECT_TRUE(has_line(std::regex(" *9 +put +TextMarkItatic +\\(long newVal\\) +property TextMarkItatic")));
  EXPECT_TRUE(has_line(std::regex(" *13 +get +TextMarkAreaWidth +\\(\\[out, retval\\] long\\* pVal\\) +property TextMarkWidth")));
  EXPECT_TRUE(has_line(std::regex(" *15 +method +GetErrorInfo +\\(\\[out, retval\\] BSTR\\* pstrErrorInfo\\) +method GetErrorInfo")));
  EXPECT_TRUE(has_line(std::regex(" *25 +put +TextMarkShadowTransparent +\\(long newVal\\) +property TextMarkShadowOpacity")));
  EXPECT_TRUE(has_line(std::regex(" *7 +put +TextMarkColor +\\(OLE_COLOR newVal\\) +property TextMarkColor")));
  EXPECT_TRUE(has_line(std::regex(" *100 +get +AutoOrient +\\(\\[out, retval\\] long\\* pVal\\) +property AutoOrient: .*")));
  EXPECT_TRUE(has_line(std::regex(" *113 +put +ChromaSubsampling +\\(long newVal\\) +property ChromaSubsampling: .*")));
  EXPECT_TRUE(has_line(std::regex(" *107 +method +MakeFitImage +\\(BSTR strTargetImageFile, long lWidth, long lHeight\\) +method MakeFitImage: .*")));
}

TEST_F(CliTest, HelpAndCommandLineMistakes) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"--help"}, {"-h"}}) {
    const CliResult r = Run(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("vximage [OPTIONS] run SCRIPT [ARG...]"), std::string::npos);
    EXPECT_NE(r.out.find("batch [-j N] SCRIPT [FILE...]"), std::string::npos);
    EXPECT_NE(r.out.find("Example script"), std::string::npos);
    EXPECT_NE(r.out.find("? GetErrorInfo"), std::string::npos);
  }
  const struct {
    std::vector<std::string> args;
    std::string message;
  } mistakes[] = {
      {{"frobnicate"}, "unknown subcommand frobnicate"},
      {{"--verbose"}, "unknown option --verbose"},
      {{"-e"}, "-e needs a statement"},
      {{"run"}, "run needs a script file"},
      {{"run", (fs::path("/nonexistent") / "x.vxs").string()}, "cannot read /nonexistent/x.vxs"},
      {{"members", "extra"}, "members takes no other arguments"},
      {{"help", "Nothing"}, "no member Nothing"},
      {{"batch", "-j", "0", "s.vxs"}, "-j takes a number of workers from 1 to 1024, not '0'"},
      {{"batch", "-"}, "its script must be a file"},
      {{"--strict"}, "--strict needs statements to run"},
  };
  for (const auto& m : mistakes) {
    const CliResult r = Run(m.args);
    EXPECT_EQ(r.status, 2) << m.message;
    EXPECT_NE(r.err.find(m.message), std::string::npos) << r.err;
  }
}

TEST_F(CliTest, ScriptsAreFilesOfAtMost16MiB) {
  ASSERT_EQ(mkfifo((dir_ / "pipe.vxs").c_str(), 0600), 0);
  WriteFile(dir_ / "big.vxs", "");
  fs::resize_file(dir_ / "big.vxs", (16 << 20) + 1);
  const struct {
    std::string path;
    std::string message;
  } refused[] = {
      {"/dev/zero", "cannot read /dev/zero: not a regular file"},
      {(dir_ / "pipe.vxs").string(), "pipe.vxs: not a regular file"},
      {dir_.string(), ": not a regular file"},
      {(dir_ / "big.vxs").string(), "big.vxs: a script may not exceed 16 MiB"},
  };
  for (const auto& s : refused) {
    const CliResult r = Run({"run", s.path});
    EXPECT_EQ(r.status, 2) << s.path;
    EXPECT_NE(r.err.find(s.message), std::string::npos) << r.err;
  }
  const CliResult piped = Run({"run", "-"}, std::string((16 << 20) + 1, '\n'));
  EXPECT_EQ(piped.status, 2);
  EXPECT_NE(piped.err.find("standard input: a script may not exceed 16 MiB"), std::string::npos) << piped.err;
  // A script of exactly 16 MiB runs: a statement and a long comment.
  std::string largest = "? Quality\n'";
  largest.resize(16 << 20, 'x');
  const CliResult fits = Run({"run", "-"}, largest);
  EXPECT_EQ(fits.status, 0) << fits.err;
  EXPECT_EQ(fits.out, "80\n");
}

// A script of 16 MiB takes a few times its size, whatever it holds, and a message quotes
// no more than the start of a long line.
TEST_F(CliTest, LargestScriptsStayNearTheirSizeInMemory) {
  long baseline_kib = 0;
  ASSERT_EQ(RunMeasured({"-e", "Quality = 1"}, &baseline_kib).status, 0);
  ASSERT_GT(baseline_kib, 0);
  constexpr std::size_t kSize = 16 << 20;
  const struct {
    const char* what;
    std::string script;
    int status;
  } scripts[] = {
      {"blank lines", std::string(kSize, '\n'), 0},
      {"one line of minus signs", "Quality = " + std::string(kSize - 10, '-'), 2},
      {"one line of commas", "MakeCropImage " + std::string(kSize - 14, ','), 2},
      {"one unterminated string", "LoadSourceImage \"" + std::string(kSize - 17, 'x'), 2},
      {"one long name", std::string(kSize, 'Q'), 2},
  };
  for (const auto& s : scripts) {
    SCOPED_TRACE(s.what);
    WriteFile(dir_ / "big.vxs", s.script);
    long peak_kib = 0;
    const CliResult r = RunMeasured({"run", (dir_ / "big.vxs").string()}, &peak_kib);
    EXPECT_EQ(r.status, s.status) << r.err.substr(0, 300);
    EXPECT_LT(peak_kib - baseline_kib, 6 * long{kSize >> 10}) << "KiB over a one-statement run";
    EXPECT_LT(r.err.size(), 300u) << r.err.substr(0, 300);
  }
}

TEST_F(CliTest, HelpHasAnEntryForEveryMember) {
  const CliResult all = Run({"help"});
  EXPECT_EQ(all.status, 0);
  const CliResult usage = Run({"--help"});
  for (const vx::Member& member : vx::ResizeMembers()) {
    const std::string name(member.name.begin(), member.name.end());
    SCOPED_TRACE(name);
    // Each entry starts with how a script writes the member.
    const std::regex entry("\n  (\\? )?" + name + "[ (=\n]");
    EXPECT_TRUE(std::regex_search("\n" + all.out, entry));
    EXPECT_TRUE(std::regex_search(usage.out, entry));
    const CliResult one = Run({"help", name});
    EXPECT_EQ(one.status, 0);
    EXPECT_TRUE(std::regex_search("\n" + one.out, entry)) << one.out;
    EXPECT_GT(std::count(one.out.begin(), one.out.end(), '\n'), 1) << one.out;  // more than the usage line
  }
  const CliResult rules = Run({"help", "makethumbimage"});
  EXPECT_NE(rules.out.find("1  WIDTH pixels wide, the height in proportion"), std::string::npos) << rules.out;
  EXPECT_NE(Run({"help", "MarkPos"}).out.find("4 bottom right"), std::string::npos);
  EXPECT_NE(Run({"help", "TextMarkColor"}).out.find("&H0000FF red"), std::string::npos);
}

TEST_F(CliTest, StringsWithoutDoubleQuotesGetAHint) {
  const struct {
    std::string statement;
    std::string message;
  } cases[] = {
      {"LoadSourceImage photo.jpg", "strings need double quotes, as in LoadSourceImage \"photo.jpg\""},
      {"LoadSourceImage /tmp/a b.jpg", "strings need double quotes, as in LoadSourceImage \"/tmp/a b.jpg\""},
      {"AddImageMark logo-2.png, 0, 0", "as in AddImageMark \"logo-2.png\", 0, 0"},
      {"LoadSourceImage 'photo.jpg'", "takes 1 argument (strImageFile), got 0; ' starts a comment: strings need double "
                                      "quotes, as in LoadSourceImage \"photo.jpg\""},
      {"AddImageMark 'logo.png', 0, 0", "' starts a comment: strings need double quotes, as in AddImageMark "
                                        "\"logo.png\", 0, 0"},
      {"TextMarkFontName = 'Arial'", "missing value after '=' for TextMarkFontName; ' starts a comment: strings need "
                                     "double quotes, as in TextMarkFontName = \"Arial\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.statement);
    const CliResult r = Run({"-e", c.statement});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

// The object answers S_OK for a missing or wrong logo, an unknown face and a mark picture
// with the wrong extension; vximage warns, and --strict makes that a failure.
TEST_F(CliTest, QuietFailuresAreWarnedAboutAndStrictStopsAtThem) {
  const std::string photo = std::string(VXIMAGE_SOURCE_DIR) + "/samples/photo-2mp.jpg";
  const std::string out = (dir_ / "out").string();
  const std::string script =
      "LoadSourceImage \"" + photo + "\"\n"
      "AddImageMark \"" + (dir_ / "lgoo.png").string() + "\", 0, 0\n"
      "AddImageMark \"" + photo + "\", 0, 0\n"
      "TextMarkFontName = \"No Such Face\"\n"
      "AddTextMark \"x\", 0, 0\n"
      "AddTextMark \"y\", 0, 0\n"                       // the same face: said once
      "TextMarkFontName = \"Arial\"\n"                  // a core face drawn in its stand-in
      "AddTextMark \"z\", 0, 0\n"
      "MakeMarkImage \"" + out + ".png\"\n"
      "MakeThumbImage \"" + out + "-thumb.jpg\", 50, 0, 1\n"
      "MakeThumbImage \"" + out + "-none.jpg\", 50, 0, 7\n"  // no such sizing rule
      "MakeThumbImage \"" + out + "-none.jpg\", 50, 0, 9\n"  // the same error text: still said
      "? Quality\n";
  WriteFile(dir_ / "s.vxs", script);
  const CliResult r = Run({"run", (dir_ / "s.vxs").string()});
  EXPECT_EQ(r.out, "80\n");
  const std::string expected[] = {
      "line 2: warning: AddImageMark \"" + (dir_ / "lgoo.png").string() +
          "\": cannot open the mark file (No such file or directory): no mark was drawn",
      "line 3: warning: AddImageMark \"" + photo +
          "\": the mark file is not a PNG file but a JPEG picture: no mark was drawn (marks must be PNG files)",
      "line 5: warning: AddTextMark \"x\": the face \"No Such Face\" is not installed: the text was drawn in "
      "Liberation Sans",
      "line 9: warning: MakeMarkImage \"" + out + ".png\": nothing was written; the name must end in .jpg or .jpeg",
      "line 11: warning: MakeThumbImage \"" + out +
          "-none.jpg\": the object reports \"Target image file write failed!\"; nothing was written",
      "line 12: warning: MakeThumbImage \"" + out + "-none.jpg\": returned S_FALSE; nothing was written",
  };
  std::string lines;
  for (const std::string& line : expected) lines += line + "\n";
  EXPECT_EQ(r.err, lines);
  EXPECT_EQ(r.status, 1);  // the object's error text is set
  EXPECT_TRUE(fs::exists(out + "-thumb.jpg"));

  // Only vximage's own findings: status 0, or 1 with --strict, which stops at the first.
  const std::string quiet = "LoadSourceImage \"" + photo + "\"\nAddImageMark \"lgoo.png\", 0, 0\n? Quality\n";
  WriteFile(dir_ / "q.vxs", quiet);
  const CliResult lenient = Run({"run", (dir_ / "q.vxs").string()});
  EXPECT_EQ(lenient.status, 0);
  EXPECT_EQ(lenient.out, "80\n");
  const CliResult strict = Run({"--strict", "run", (dir_ / "q.vxs").string()});
  EXPECT_EQ(strict.status, 1);
  EXPECT_EQ(strict.out, "");
  EXPECT_NE(strict.err.find("line 2: warning: AddImageMark \"lgoo.png\": cannot open the mark file"), std::string::npos);
  EXPECT_NE(strict.err.find("(--strict: the run stops here)"), std::string::npos) << strict.err;
}

TEST_F(CliTest, ArgumentsStandForPercentReferences) {
  WriteFile(dir_ / "a.vxs",
            "TextMarkFontName = %2\n? TextMarkFontName\n"
            "TextMarkFontName = \"%~n1|%~x1|%~p1\"\n? TextMarkFontName\n"
            "TextMarkFontName = \"%~nx1 %% %0 %~pn1\"\n? TextMarkFontName\n"
            "TextMarkFontName = \"100%\"\n? TextMarkFontName\n");
  const CliResult r = Run({"run", (dir_ / "a.vxs").string(), "d/p.q.jpg", "Face Name"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Face Name\np.q|.jpg|d/\np.q.jpg % %0 d/p.q\n100%\n");
  const CliResult missing = Run({"run", (dir_ / "a.vxs").string(), "one"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("line 1: %2 stands for argument 2, but the script was given 1"), std::string::npos)
      << missing.err;
}

TEST_F(CliTest, BatchRunsTheScriptOnceForEachInput) {
  fs::create_directory(dir_ / "in");
  fs::create_directory(dir_ / "thumbs");
  const std::string logo = std::string(VXIMAGE_SOURCE_DIR) + "/samples/logo.png";
  std::vector<std::string> inputs;
  for (const char* name : {"a", "b", "c", "d", "e"}) {
    fs::copy_file(logo, dir_ / "in" / (std::string(name) + ".png"));
    inputs.push_back((dir_ / "in" / (std::string(name) + ".png")).string());
  }
  inputs.insert(inputs.begin() + 2, (dir_ / "in" / "missing.png").string());
  WriteFile(dir_ / "b.vxs", "LoadSourceImage %1\nMakeThumbImage \"" + (dir_ / "thumbs").string() +
                                "/%~n1.jpg\", 20, 0, 1\n? GetSourceImageWidth\n");
  std::vector<std::string> args = {"batch", "-j", "2", (dir_ / "b.vxs").string()};
  args.insert(args.end(), inputs.begin(), inputs.end());
  const CliResult r = Run(args);
  EXPECT_EQ(r.status, 1);
  std::vector<std::string> printed;  // in the order the inputs finished
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) printed.push_back(line);
  std::sort(printed.begin(), printed.end());
  const std::string width = "300";  // samples/logo.png
  EXPECT_EQ(printed, std::vector<std::string>({"-1", width, width, width, width, width})) << r.out;
  for (const char* name : {"a", "b", "c", "d", "e"}) EXPECT_TRUE(fs::exists(dir_ / "thumbs" / (std::string(name) + ".jpg")));
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 6 + 1 + 1 + 1) << r.err;  // progress, warning, summary, failure
  EXPECT_NE(r.err.find("/6 ok " + inputs[0] + "\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("/6 FAILED " + inputs[2] + "\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("batch: 6 of 6 inputs done, 1 failed, in "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("failed: " + inputs[2] + ": line 1: warning: LoadSourceImage \"" + inputs[2] +
                       "\": the object reports \"Source image file open failed!\"\n"),
            std::string::npos)
      << r.err;

  // The inputs listed on standard input.
  std::string list;
  for (const char* name : {"a", "e"}) list += (dir_ / "in" / (std::string(name) + ".png")).string() + "\r\n\n";
  const CliResult listed = Run({"batch", (dir_ / "b.vxs").string()}, list);
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out, width + "\n" + width + "\n");
  EXPECT_NE(listed.err.find("batch: 2 of 2 inputs done, 0 failed"), std::string::npos) << listed.err;
  const CliResult none = Run({"batch", (dir_ / "b.vxs").string()});
  EXPECT_EQ(none.status, 2);
  EXPECT_NE(none.err.find("batch has no inputs"), std::string::npos);
}

// Ctrl-C: the workers finish the call they are making and stop; every file there is whole
// and no temporary file is left.
TEST_F(CliTest, InterruptedBatchLeavesOnlyWholeFiles) {
  const std::string photo = std::string(VXIMAGE_SOURCE_DIR) + "/samples/photo-2mp.jpg";
  fs::create_directory(dir_ / "out");
  WriteFile(dir_ / "m.vxs", "LoadSourceImage \"" + photo + "\"\nMakeMarkImage \"" + (dir_ / "out").string() +
                                "/%1.jpg\"\nMakeThumbImage \"" + (dir_ / "out").string() + "/%1-t.jpg\", 300, 0, 1\n");
  std::vector<std::string> args = {"batch", "-j", "2", (dir_ / "m.vxs").string()};
  constexpr int kInputs = 40;
  for (int i = 0; i < kInputs; ++i) args.push_back(std::to_string(i));
  const pid_t pid = Start(args);
  const auto outputs = [this] {
    return std::distance(fs::directory_iterator(dir_ / "out"), fs::directory_iterator());
  };
  for (int wait = 0; wait < 6000 && outputs() == 0; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_GT(outputs(), 0);
  kill(pid, SIGINT);
  const CliResult r = Finish(pid);
  EXPECT_EQ(r.status, 130) << r.err;
  EXPECT_NE(r.err.find("batch: interrupted: "), std::string::npos) << r.err;
  int files = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir_ / "out")) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(name.find(".part"), std::string::npos) << name;
    const std::string data = ReadFile(entry.path());
    ASSERT_GT(data.size(), 4u) << name;
    EXPECT_EQ(data.substr(data.size() - 2), "\xFF\xD9") << name << " ends whole";
    ++files;
  }
  EXPECT_LT(files, 2 * kInputs) << "stopped before the end";
}

}  // namespace
