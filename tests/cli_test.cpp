// The vximage command, run as a separate process on temporary scripts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

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
      {"Quality = left", "expected a value, found the name left"},
      {"Quality = 5 $", "unexpected character '$'"},
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
  EXPECT_EQ(r.err, "error: Source image file open failed!\n");
}

// S_FALSE without an error text: the run goes on and ends with status 1, naming the call.
TEST_F(CliTest, TextMarkBeforeALoadEndsTheRunWithStatusOne) {
  const CliResult r = Run({"-e", "Quality = 5", "-e", "AddTextMark \"x\", 1, 2", "-e", "? Quality"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "5\n");
  EXPECT_EQ(r.err, "line 2: AddTextMark returned S_FALSE\n");
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
    EXPECT_NE(r.out.find("vximage [--time] run SCRIPT"), std::string::npos);
    EXPECT_NE(r.out.find("Example script:"), std::string::npos);
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

}  // namespace
