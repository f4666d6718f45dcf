// The terminal edition driven like a script or a person would drive it:
// answers on standard input, the exact transcript on standard output.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "help.h"

namespace fs = std::filesystem;

namespace {

const std::string helptext = help;
const std::string menu = "(q)uadrify an .OBJ file, (e)xit? ";
const std::string normals = "shall I remove the normals (vn lines) to save more space? (y/n) ";
const std::string angle = "max angle (deg) that two triangles can be out of plane? [5] ";

//  4 ---- 3
//  |    / |   f 1 2 3 and f 3 4 1 share the diagonal 1-3 in opposite
//  |  /   |   directions; corner 2 is raised by `h`, which folds the
//  1 ---- 2   square by about 8.9 degrees at h = 0.11.
std::string square(const char* h = "0") {
  return std::string("v 0 0 0\nv 1 0 ") + h + "\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 3 4 1\n";
}
const std::string quad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 2 3 4 1\n";

void replaceall(std::string& s, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size())
    s.replace(at, from.size(), to);
}

std::size_t count(const std::string& s, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = 0; (at = s.find(part, at)) != std::string::npos; at += part.size()) ++n;
  return n;
}

// facemeld running in `dir`, with pipes on its standard input and output,
// or with both on a terminal of its own.
class Session {
 public:
  explicit Session(const std::string& dir, bool terminal = false) {
    int to[2], from[2];
    if (terminal) {
      int master = posix_openpt(O_RDWR | O_NOCTTY);
      if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) std::abort();
      to[0] = from[1] = -1;
      to[1] = from[0] = master;
    } else if (pipe(to) != 0 || pipe(from) != 0) {
      std::abort();
    }
    std::string slave = terminal ? ptsname(to[1]) : "";
    pid_ = fork();
    if (pid_ == 0) {
      if (terminal) {
        setsid();  // the terminal becomes the controlling one, as in a session
        to[0] = from[1] = open(slave.c_str(), O_RDWR);
      }
      dup2(to[0], 0);
      dup2(from[1], 1);
      for (int fd : {to[0], to[1], from[0], from[1]})
        if (fd > 1) close(fd);
      if (chdir(dir.c_str()) == 0) execl(FACEMELD_BIN, FACEMELD_BIN, static_cast<char*>(nullptr));
      _exit(127);
    }
    if (!terminal) close(to[0]), close(from[1]);
    in_ = to[1], out_ = from[0];
  }
  ~Session() {
    if (pid_ > 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
    if (in_ >= 0 && in_ != out_) close(in_);
    close(out_);
  }

  void type(const std::string& s) {
    if (write(in_, s.data(), s.size()) != static_cast<ssize_t>(s.size())) ADD_FAILURE();
  }
  void interrupt() { kill(pid_, SIGINT); }

  // Reads until the output holds `text` after what was awaited before;
  // false when it ends or 10 s pass first.
  bool await(const std::string& text) {
    for (;;) {
      std::size_t at = out.find(text, seen_);
      if (at != std::string::npos) {
        seen_ = at + text.size();
        return true;
      }
      if (!readsome(10000)) return false;
    }
  }

  // Ends the input, reads everything and returns the exit status, or -1
  // unless the program exited by itself.
  int finish() {
    if (in_ != out_) close(in_), in_ = -1;
    while (readsome(10000)) {
    }
    int status;
    if (waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string out;

 private:
  bool readsome(int ms) {
    pollfd p = {out_, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return false;
    char buf[4096];
    ssize_t n = read(out_, buf, sizeof buf);
    if (n <= 0) return false;
    out.append(buf, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_;
  int in_, out_;
  std::size_t seen_ = 0;
};

class Term : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = FACEMELD_SCRATCH "/termXXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }

  void put(const std::string& name, const std::string& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
  }
  std::string get(const std::string& name) {
    std::ifstream f(dir + "/" + name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }

  // Runs facemeld on `input`, in which "@" stands for the scratch folder,
  // and returns what it printed after the help text, with the folder shown
  // as "@" again. The exit status must be 0.
  std::string run(std::string input) {
    replaceall(input, "@", dir);
    Session s(dir);
    s.type(input);
    EXPECT_EQ(s.finish(), 0);
    std::string out = s.out;
    EXPECT_EQ(out.substr(0, helptext.size() + 1), helptext + "\n");
    out.erase(0, helptext.size() + 1);
    replaceall(out, dir, "@");
    return out;
  }

  std::string dir;
};

TEST_F(Term, StartsWithTheHelpTextAndEndsAtEndOfInput) {
  EXPECT_EQ(helptext.size(), 508u);
  EXPECT_EQ(run(""), menu + "\n");
}

TEST_F(Term, MenuExitsOnEAndShowsItselfAgainOnAnythingElse) {
  const struct { const char* input; const char* answers; } cases[] = {
      {"e\n", "e"},          {"E\n", "E"},       {"exit", "exit"},
      {"x\n\n e\ne\n", "x|| e|e"}, {"x\r\ne\r\n", "x|e"},
  };
  for (const auto& c : cases) {
    std::string expected = menu + c.answers + "\n";
    replaceall(expected, "|", "\n" + menu);
    EXPECT_EQ(run(c.input), expected) << c.input;
  }
}

// A script that gives every answer at once, with LF and with CR LF line ends.
TEST_F(Term, CopiesTheUnitSquareIntoOneQuad) {
  for (const char* eol : {"\n", "\r\n"}) {
    put("in.obj", square());
    std::string script = "q|@/in.obj|@/out.obj|y|5|e|";
    replaceall(script, "|", eol);
    EXPECT_EQ(run(script), menu + "q\n"
                                  "file to read mesh from?\n"
                                  "path: @/in.obj\n"
                                  "file to write mesh to?\n"
                                  "path [in.obj]: @/out.obj\n" +
                               normals + "y\n[reading file to count the vertexes]\n" + angle +
                               "5\n[working on file]\n[facemeld]\n"
                               "2 triangles found, 1 pairs of triangles joined\n" +
                               menu + "e\n");
    EXPECT_EQ(get("out.obj"), quad);
    fs::remove(dir + "/out.obj");
  }
}

TEST_F(Term, CancelEndsTheCommandSilently) {
  put("in.obj", square());
  const std::string open = "q\nfile to read mesh from?\npath: ";
  EXPECT_EQ(run("q\n\ne\n"), menu + open + "\n" + menu + "e\n");  // no default to take
  EXPECT_EQ(run("q\n"), menu + open + "\n" + menu + "\n");
  EXPECT_EQ(run("q\nin.obj\n"),
            menu + open + "in.obj\nfile to write mesh to?\npath [in.obj]: \n" + menu + "\n");
  EXPECT_FALSE(fs::exists(dir + "/out.obj"));
}

// Relative names are completed against the current folder; the name chosen
// last, without its folder, is offered next and taken by an empty line.
TEST_F(Term, OffersTheLastChosenNameAndAsksBeforeReplacing) {
  put("in.obj", square());
  put("out.obj", "old\n");
  EXPECT_EQ(run("q\nin.obj\n\nn\nout.obj\nmaybe\nyes\nn\n\nq\n\n\n"),
            menu + "q\nfile to read mesh from?\npath: in.obj\n"
                   "file to write mesh to?\npath [in.obj]: \n"
                   "@/in.obj already exists; replace it? (y/n) n\n"
                   "path [in.obj]: out.obj\n"
                   "@/out.obj already exists; replace it? (y/n) maybe\n"
                   "@/out.obj already exists; replace it? (y/n) yes\n" +
                normals + "n\n[reading file to count the vertexes]\n" + angle +
                "\n[working on file]\n[facemeld]\n"
                "2 triangles found, 1 pairs of triangles joined\n" +
                menu + "q\nfile to read mesh from?\npath [out.obj]: \n"
                       "file to write mesh to?\npath [out.obj]: \n"
                       "@/out.obj already exists; replace it? (y/n) \n"
                       "path [out.obj]: \n" +
                menu + "\n");
  EXPECT_EQ(get("out.obj"), quad);
  EXPECT_EQ(get("in.obj"), square());
}

TEST_F(Term, RefusesPathsThatCannotBeOpened) {
  std::string deep(4096 - dir.size() - 1, 'x');  // one byte too many with the NUL
  EXPECT_EQ(run("q\nnone.obj\n" + deep + "\n" + deep.substr(1) + "\n"),
            menu + "q\nfile to read mesh from?\npath: none.obj\n"
                   "I can't find this file: @/none.obj\n"
                   "path: " + deep + "\nthis path is too long: @/" + deep + "\n"
                   "path: " + deep.substr(1) + "\nI can't find this file: @/" + deep.substr(1) +
                "\npath: \n" + menu + "\n");
}

TEST_F(Term, BadSuffixBoxShowsTheInputPath) {
  const struct { const char* in; const char* out; const char* box; } cases[] = {
      {"in.txt", "out.obj", "@/in.txt"},
      {"in.obj", "out.ob", "@/in.obj"},
      {"in.obj", "out.objx", "@/in.obj"},
      {"in.obj", "out", "@/in.obj"},
      {"/", "out.obj", "/"},        // shorter than the suffix itself
      {"in.obj", "/.\ny", "@/in.obj"},  // an existing short output
  };
  for (const auto& c : cases) {
    put(c.in[0] == '/' ? "unused" : c.in, square());
    std::string out = run(std::string("q\n") + c.in + "\n" + c.out + "\n");
    std::string end = std::string("\nbad suffix: ") + c.box + "\n" + menu + "\n";
    EXPECT_EQ(out.substr(out.size() - std::min(out.size(), end.size())), end) << out;
    EXPECT_EQ(out.find(normals), std::string::npos) << out;
  }
  EXPECT_FALSE(fs::exists(dir + "/out.ob") || fs::exists(dir + "/out"));
}

TEST_F(Term, SuffixTestIgnoresLetterCase) {
  for (const char* name : {"in.OBJ", "in.Obj"}) {
    put(name, square());
    std::string out = run(std::string("q\n") + name + "\nOUT.oBj\nn\n\n");
    EXPECT_EQ(out.find("bad suffix"), std::string::npos) << out;
    EXPECT_EQ(get("OUT.oBj"), quad);
    fs::remove(dir + "/OUT.oBj");
  }
}

// The square folded by about 8.9 degrees joins only under a larger limit.
TEST_F(Term, AngleQuestionTakesOnlyDecimalNumbers) {
  const struct { const char* h; const char* answers; int asked; bool joined; } cases[] = {
      {"0.11", "12.5\n", 1, true},     {"0.11", "  7deg\n", 1, false},
      {"0.11", "1e1\n", 1, true},      {"0.11", "\n", 1, false},
      {"0", "\n", 1, true},            {"0", "", 1, true},
      {"0.11", "", 1, false},          {"0.11", "abc\n\n", 2, false},
      {"0.11", "   \n12.5\n", 2, true}, {"0.11", "inf\n7\n", 2, false},
      {"0.11", "nan\n7\n", 2, false},   {"0.11", "0x10\n7\n", 2, false},
      {"0", "-1\n", 1, false},
  };
  for (const auto& c : cases) {
    put("in.obj", square(c.h));
    std::string out = run(std::string("q\nin.obj\nout.obj\nn\n") + c.answers);
    EXPECT_EQ(count(out, angle), static_cast<std::size_t>(c.asked)) << c.answers;
    EXPECT_NE(out.find(c.joined ? "1 pairs" : "0 pairs"), std::string::npos) << c.answers;
    fs::remove(dir + "/out.obj");
  }
}

TEST_F(Term, NormalsQuestionTakesYesOrNoInAnyCase) {
  const struct { const char* answers; int asked; bool dropped; } cases[] = {
      {"y\n", 1, true},  {"Y\n", 1, true},  {"yes\n", 1, true}, {"YeS\n", 1, true},
      {"n\n", 1, false}, {"N\n", 1, false}, {"no\n", 1, false}, {"NO\n", 1, false},
      {"maybe\ny\n", 2, true}, {" y\n\nn\n", 3, false}, {"", 1, false},
  };
  for (const auto& c : cases) {
    put("in.obj", "v 0 0 0\nvn 0 0 1\n");
    std::string out = run(std::string("q\nin.obj\nout.obj\n") + c.answers);
    EXPECT_EQ(count(out, normals), static_cast<std::size_t>(c.asked)) << c.answers;
    EXPECT_EQ(get("out.obj"), c.dropped ? "v 0 0 0\n" : "v 0 0 0\nvn 0 0 1\n") << c.answers;
    EXPECT_NE(out.find("@/in.obj: this file may not be a mesh file\n"
                       "0 triangles found, 0 pairs of triangles joined\n"),
              std::string::npos);
    fs::remove(dir + "/out.obj");
  }
}

TEST_F(Term, RefusesToCopyAFileOntoItself) {
  put("in.obj", square());
  fs::create_symlink(dir + "/in.obj", dir + "/link.obj");
  for (const char* out : {"in.obj", "./in.obj", "link.obj"}) {
    EXPECT_EQ(run(std::string("q\nin.obj\n") + out + "\ny\n"),
              menu + "q\nfile to read mesh from?\npath: in.obj\n"
                     "file to write mesh to?\npath [in.obj]: " + out + "\n@/" + out +
                  " already exists; replace it? (y/n) y\n"
                  "I can't copy a file to itself: @/in.obj\n"
                  "I tried to read this file but it didn't work: @/in.obj\n" +
                  menu + "\n");
    EXPECT_EQ(get("in.obj"), square());
  }
}

// A folder as input and a full disk as output fail in the pass itself;
// the caption comes back before the two boxes.
TEST_F(Term, ReportsReadAndWriteErrorsOfThePass) {
  put("in.obj", square());
  fs::create_directory(dir + "/folder.obj");
  fs::create_symlink("/dev/full", dir + "/full.obj");
  const struct { const char* script; const char* boxes; } cases[] = {
      {"q\nfolder.obj\nout.obj\nn\n\n",
       "[facemeld]\nI can't read this file: @/folder.obj\n"
       "I tried to read this file but it didn't work: @/folder.obj\n"},
      {"q\nin.obj\nfull.obj\ny\nn\n\n",
       "[working on file]\n[facemeld]\nI can't write this file: @/full.obj\n"
       "I tried to read this file but it didn't work: @/in.obj\n"},
  };
  for (const auto& c : cases) {
    std::string out = run(c.script);
    std::string end = angle + "\n" + c.boxes + menu + "\n";
    EXPECT_EQ(out.substr(out.size() - std::min(out.size(), end.size())), end) << out;
  }
}

// Ctrl-C while a pass is under way only beeps and changes the caption.
TEST_F(Term, InterruptDuringThePassIsRefused) {
  put("in.obj", square());
  Session s(dir);
  s.type("q\n" + dir + "/in.obj\n" + dir + "/out.obj\nn\n");
  ASSERT_TRUE(s.await(angle));
  s.interrupt();
  ASSERT_TRUE(s.await("\n\a[Whoa there, I got a file open!!]\n" + angle));
  s.type("5\ne\n");
  EXPECT_EQ(s.finish(), 0);
  EXPECT_EQ(s.out.substr(s.out.find(angle)),
            angle + "\n\a[Whoa there, I got a file open!!]\n" + angle +
                "5\n[working on file]\n[facemeld]\n"
                "2 triangles found, 1 pairs of triangles joined\n" +
                menu + "e\n");
  EXPECT_EQ(get("out.obj"), quad);
}

// Outside a pass Ctrl-C ends the program, also in the middle of a command.
TEST_F(Term, InterruptOutsideThePassEndsTheProgram) {
  put("in.obj", square());
  const struct { const char* typed; const char* waits; } cases[] = {
      {"", "? "}, {"q\n", "path: "}, {"q\nin.obj\nout.obj\n", "(y/n) "}};
  for (const auto& c : cases) {
    Session s(dir);
    s.type(c.typed);
    ASSERT_TRUE(s.await(c.waits));
    s.interrupt();
    EXPECT_EQ(s.finish(), 0) << c.waits;
    std::string end = std::string(c.waits) + "\n";
    EXPECT_EQ(s.out.substr(s.out.size() - end.size()), end);
  }
}

// On a terminal the answers are not echoed a second time, and the captions
// also become the terminal's title, whose own is put back at the end.
TEST_F(Term, UsesTheTerminalsEchoAndTitle) {
  put("in.obj", square());
  Session s(dir, true);
  const std::pair<std::string, const char*> steps[] = {
      {menu, "q"}, {"path: ", "in.obj"}, {"[in.obj]: ", "out.obj"},
      {"(y/n) ", "n"}, {"[5] ", ""}, {menu, "e"}};
  for (const auto& [prompt, typed] : steps) {
    ASSERT_TRUE(s.await(prompt)) << prompt;
    s.type(std::string(typed) + "\r");
  }
  EXPECT_EQ(s.finish(), 0);
  std::string out = s.out.substr(s.out.find(menu));
  replaceall(out, "\r\n", "\n");
  EXPECT_EQ(out, menu + "q\nfile to read mesh from?\npath: in.obj\n"
                        "file to write mesh to?\npath [in.obj]: out.obj\n" +
                     normals + "n\n[reading file to count the vertexes]\n"
                     "\033[22;0t\033]0;reading file to count the vertexes\a" + angle +
                     "\n[working on file]\n\033]0;working on file\a"
                     "[facemeld]\n\033]0;facemeld\a"
                     "2 triangles found, 1 pairs of triangles joined\n" +
                     menu + "e\n\033[23;0t");
  EXPECT_EQ(get("out.obj"), quad);
}

}  // namespace

