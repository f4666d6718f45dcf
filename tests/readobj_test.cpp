#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fake_user.h"
#include "support.h"
#include "globals.h"
#include "readobj.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder per test, removed afterwards.
class Pass : public ::testing::Test {
 protected:
  void SetUp() override {
    user.reset();
    dir = fs::temp_directory_path() /
          ("facemeld-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    in = dir / "in.obj";
    out = dir / "out.obj";
  }
  void TearDown() override {
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir);
  }

  // Copies `input` with the given answers; returns readOBJ's result.
  int copy(const std::string& input, int normals = 0, double limit = 5) {
    spit(in, input);
    user.normals = normals;
    user.limit = limit;
    return readOBJ(nullptr, in.c_str(), out.c_str());
  }

  // The state every pass must leave behind, whatever happened.
  void expectCleanedUp() {
    EXPECT_EQ(fileopen, 0);
    EXPECT_EQ(vert, nullptr);
    EXPECT_EQ(user.caption, "facemeld");
  }

  fs::path dir, in, out;
};

const char* const square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
const char* const summary1of2 = "2 triangles found, 1 pairs of triangles joined";

struct CopyCase {
  const char* what;
  std::string input;
  int normals;
  double limit;
  std::string output;
  const char* summary;
};

// Hand-made meshes on the unit square (and a fifth vertex where needed):
//
//   4 ---- 3
//   |    / |      f 1 2 3 and f 3 4 1 share the edge 1-3, run
//   |  /   |      the other way round in the second face.
//   1 ---- 2
const CopyCase copyCases[] = {
    {"joins the flat square across its diagonal", std::string(square) + "f 1 2 3\nf 3 4 1\n", 0,
     5, std::string(square) + "f 2 3 4 1\n", summary1of2},
    {"joins whichever corner the shared edge starts at",
     std::string(square) + "f 1 2 3\nf 1 3 4\n", 0, 5, std::string(square) + "f 2 3 4 1\n",
     summary1of2},
    {"keeps apart a pair whose shared edge runs the same way",
     std::string(square) + "f 1 2 3\nf 2 3 4\n", 0, 5,
     std::string(square) + "f 1 2 3\nf 2 3 4\n", "2 triangles found, 0 pairs of triangles joined"},
    {"keeps apart a pair with all three corners shared",
     std::string(square) + "f 1 2 3\nf 3 2 1\n", 0, 5,
     std::string(square) + "f 1 2 3\nf 3 2 1\n", "2 triangles found, 0 pairs of triangles joined"},
    {"keeps apart a pair whose texture differs at a shared corner",
     std::string(square) + "f 1/1 2/2 3/3\nf 3/3 4/4 1/5\n", 0, 5,
     std::string(square) + "f 1/1 2/2 3/3\nf 3/3 4/4 1/5\n",
     "2 triangles found, 0 pairs of triangles joined"},
    {"never matches a relative corner with an absolute one",
     std::string(square) + "f 1 2 3\nf -2 -1 1\n", 0, 5,
     std::string(square) + "f 1 2 3\nf -2 -1 1\n", "2 triangles found, 0 pairs of triangles joined"},
    {"joins relative corners", std::string(square) + "f -4 -3 -2\nf -2 -1 -4\n", 0, 5,
     std::string(square) + "f -3 -2 -1 -4\n", summary1of2},
    {"drops normals, the vn line between the faces and every normal part",
     std::string(square) + "f 1/1/1 2/2/1 3/3/1\nvn 0 0 1\nf 3/3/1 4/4/1 1/1/1\n", 1, 5,
     std::string(square) + "f 2/2 3/3 4/4 1/1\n", summary1of2},
    {"keeps normals, and their line separates the faces",
     std::string(square) + "f 1/1/1 2/2/1 3/3/1\nvn 0 0 1\nf 3/3/1 4/4/1 1/1/1\n", 0, 5,
     std::string(square) + "f 1/1/1 2/2/1 3/3/1\nvn 0 0 1\nf 3/3/1 4/4/1 1/1/1\n",
     "2 triangles found, 0 pairs of triangles joined"},
    {"drops normal lines in any case, and a first slash before no texture",
     std::string(square) + "VN 0 0 1\nf 1//1 2//1 3//1\nVn 0 0 1\nf 3//1 4//1 1//1\n", 1, 5,
     std::string(square) + "f 2 3 4 1\n", summary1of2},
    {"cuts the normal part of faces that are never tested",
     std::string(square) + "vn 0 0 1\nf 1/1/1 2/2/1 3/3/1 4/4/1\ng x\nf 1//1 2//1 3//1\n", 1, 5,
     std::string(square) + "f 1/1 2/2 3/3 4/4\ng x\nf 1 2 3\n",
     "1 triangles found, 0 pairs of triangles joined"},
    {"joins upper-case faces into a lower-case one",
     std::string(square) + "F 1 2 3\nF 3 4 1\n", 0, 5, std::string(square) + "f 2 3 4 1\n",
     summary1of2},
    {"writes an unjoined upper-case face as it stands, cut bytes as spaces",
     std::string(square) + "F  1//1 2//2 3//3\ng x\n", 1, 5,
     std::string(square) + "F  1    2    3   \ng x\n",
     "1 triangles found, 0 pairs of triangles joined"},
    {"lets a polygon separate the triangles around it",
     std::string(square) + "f 1 2 3\nf 1 2 3 4\nf 3 4 1\nf 1 2\n", 0, 5,
     std::string(square) + "f 1 2 3\nf 1 2 3 4\nf 3 4 1\nf 1 2\n",
     "2 triangles found, 0 pairs of triangles joined"},
    {"joins greedily from the top: the third triangle stays alone",
     std::string(square) + "f 1 2 3\nf 3 4 1\nf 1 2 3\n", 0, 5,
     std::string(square) + "f 2 3 4 1\nf 1 2 3\n", "3 triangles found, 1 pairs of triangles joined"},
    {"tests the second triangle with the third when the first pair fails",
     std::string(square) + "f 1 2 3\nf 2 3 4\nf 4 1 2\n", 0, 5,
     std::string(square) + "f 1 2 3\nf 3 4 1 2\n", "3 triangles found, 1 pairs of triangles joined"},
    {"joins nothing at a limit below the flat pair's angle",
     std::string(square) + "f 1 2 3\nf 3 4 1\n", 0, 0.81,
     std::string(square) + "f 1 2 3\nf 3 4 1\n", "2 triangles found, 0 pairs of triangles joined"},
    {"keeps apart a pair folded by a right angle",
     "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 1 1 1\nf 1 2 3\nf 3 4 1\n", 0, 60,
     "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 1 1 1\nf 1 2 3\nf 3 4 1\n",
     "2 triangles found, 0 pairs of triangles joined"},
    {"keeps apart a dart, folded flat across its other diagonal",
     "v 0 0 0\nv 2 0 0\nv 1 1 0\nv 0 2 0\nf 1 2 3\nf 3 4 1\n", 0, 5,
     "v 0 0 0\nv 2 0 0\nv 1 1 0\nv 0 2 0\nf 1 2 3\nf 3 4 1\n",
     "2 triangles found, 0 pairs of triangles joined"},
    {"finds only the vertices above a face",
     "f 1 2 3\nf 3 4 1\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n", 0, 5,
     "f 1 2 3\nf 3 4 1\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n",
     "2 triangles found, 0 pairs of triangles joined"},
    {"reads CR LF, CR and blank lines like LF",
     "v 0 0 0\r\nv 1 0 0\rv 1 1 0\r\n\r\n  \t \nv 0 1 0\r\nf 1 2 3\r\n\r\nf 3 4 1\r\n", 0, 5,
     std::string(square) + "f 2 3 4 1\n", summary1of2},
    {"processes a last line without a line end",
     std::string(square) + "f 1 2 3\nf 3 4 1", 0, 5, std::string(square) + "f 2 3 4 1\n",
     summary1of2},
    {"counts a last vertex line without a line end", "f 1 2 3\n\tv 0 1 0  ", 0, 5,
     "f 1 2 3\n v 0 1 0\n", "1 triangles found, 0 pairs of triangles joined"},
    {"normalises separators: copied lines keep their spaces, faces get single ones",
     "\tv 0 0 0  \nv\t1 0 0 0.5\nv 1 1 0\nv 0 1 0\n# a\x01 b\nf  1 2   3\ng x\n", 0, 5,
     " v 0 0 0\nv 1 0 0 0.5\nv 1 1 0\nv 0 1 0\n# a  b\nf 1 2 3\ng x\n",
     "1 triangles found, 0 pairs of triangles joined"},
    {"copies a line with the keyword V without storing it",
     "V 5 5 5\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 3 4 1\n", 0, 5,
     "V 5 5 5\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 2 3 4 1\n", summary1of2},
    {"takes missing coordinates as 0", "v 0\nv 1\nv 1 1\nv 0 1\nf 1 2 3\nf 3 4 1\n", 0, 5,
     "v 0\nv 1\nv 1 1\nv 0 1\nf 2 3 4 1\n", summary1of2},
    {"saturates corner numbers beyond 32 bits",
     std::string(square) + "f 1 2 2147483647\nf 99999999999 4 1\n", 0, 200,
     std::string(square) + "f 2 2147483647 4 1\n", summary1of2},
};

TEST_F(Pass, CopiesAndJoinsHandMadeMeshes) {
  for (const CopyCase& c : copyCases) {
    SCOPED_TRACE(c.what);
    user.reset();
    EXPECT_EQ(copy(c.input, c.normals, c.limit), 1);
    EXPECT_EQ(slurp(out), c.output);
    EXPECT_EQ(user.boxes, std::vector<std::string>{c.summary});
    expectCleanedUp();
  }
}

TEST_F(Pass, JoinsAtALimitEqualToTheFoldAngle) {
  const double flat = dihedral({0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0});
  const std::string faces = std::string(square) + "f 1 2 3\nf 3 4 1\n";
  copy(faces, 0, flat);
  EXPECT_EQ(user.boxes.back(), summary1of2);
  user.reset();
  copy(faces, 0, std::nextafter(flat, 0.0));
  EXPECT_EQ(user.boxes.back(), "2 triangles found, 0 pairs of triangles joined");
}

TEST_F(Pass, KeepsLongLinesWhole) {
  std::string comment = "# " + std::string(5000, 'c');
  std::string polygon = "f";
  for (int i = 0; i < 700; ++i) polygon += " " + std::to_string(i % 4 + 1) + "//1";
  std::string kept = "f";
  for (int i = 0; i < 700; ++i) kept += " " + std::to_string(i % 4 + 1);
  EXPECT_EQ(copy(std::string(square) + comment + "\n" + polygon + "\n", 1), 1);
  EXPECT_EQ(slurp(out), std::string(square) + comment + "\n" + kept + "\n");

  std::string line1023 = "#" + std::string(1022, 'x');
  copy(std::string(square) + line1023 + "\nf 1 2 3\nf 3 4 1\n");
  EXPECT_EQ(slurp(out), std::string(square) + line1023 + "\nf 2 3 4 1\n");
}

TEST_F(Pass, AsksItsQuestionsAndShowsProgressInOrder) {
  user.onCaption = [](const std::string& c) { EXPECT_EQ(fileopen, 1) << c; };
  EXPECT_EQ(copy(std::string(square) + "f 1 2 3\n", 1), 1);
  EXPECT_EQ(user.questions,
            (std::vector<std::string>{
                "shall I remove the normals (vn lines) to save more space?",
                "max angle (deg) that two triangles can be out of plane? [5]"}));
  EXPECT_TRUE(user.openDuringAsk);
  EXPECT_EQ(user.captions, (std::vector<std::string>{"reading file to count the vertexes",
                                                     "working on file", "facemeld"}));
  expectCleanedUp();
  EXPECT_EQ(Nn, 1);  // kept after the pass
}

TEST_F(Pass, WarnsAboutAFileWithoutTriangles) {
  EXPECT_EQ(copy(std::string(square) + "f 1 2 3 4\n"), 1);
  EXPECT_EQ(user.boxes, (std::vector<std::string>{
                            in.string() + ": this file may not be a mesh file",
                            "0 triangles found, 0 pairs of triangles joined"}));
}

TEST_F(Pass, WritesNothingForAFileWithoutVertices) {
  spit(out, "old contents");
  EXPECT_EQ(copy("V 1 2 3\nf 1 2 3\n# no vertex here\n"), 1);
  EXPECT_EQ(slurp(out), "");
  EXPECT_EQ(user.boxes, (std::vector<std::string>{
                            in.string() + ": this file may not be a mesh file",
                            "0 triangles found, 0 pairs of triangles joined"}));
  EXPECT_EQ(user.captions, (std::vector<std::string>{"reading file to count the vertexes",
                                                     "facemeld"}));
  expectCleanedUp();
}

TEST_F(Pass, HandlesEmptyAndBlankFiles) {
  for (const std::string& input :
       {std::string(), std::string("\n\n\r\n"), std::string(" \t\x01"), std::string("\0\0 \n", 4)}) {
    user.reset();
    EXPECT_EQ(copy(input), 1);
    EXPECT_EQ(user.boxes.back(), "0 triangles found, 0 pairs of triangles joined");
  }
}

TEST_F(Pass, GivesTheSameOutputForEveryBlockSize) {
  std::string input = std::string(square) + "# " + std::string(300, 'x') +
                      "\r\nf 1/1/1 2/2/1 3/3/1\r\nvn 0 0 1\r\nf 3/3/1 4/4/1 1/1/1\r\nf 1 2 3";
  copy(input, 1);
  const std::string expected = slurp(out);
  for (std::size_t block : {1, 2, 3, 5, 8, 13, 64, 301, 4096}) {
    user.reset();
    user.normals = 1;
    ASSERT_EQ(readOBJ(nullptr, in.c_str(), out.c_str(), Work{block, 1}), 1);
    EXPECT_EQ(slurp(out), expected) << "block " << block;
  }
}

// --- Failures: reported where found, then everything put back ---

TEST_F(Pass, RefusesToCopyAFileToItselfUnderAnyName) {
  spit(in, std::string(square) + "f 1 2 3\n");
  const std::string original = slurp(in);
  fs::create_directories(dir / "sub");
  fs::create_symlink(in, dir / "link.obj");
  fs::create_hard_link(in, dir / "hard.obj");
  std::string upper = in.string();
  upper.replace(upper.size() - 6, 6, "IN.OBJ");
  const std::string names[] = {in.string(), upper, (dir / "link.obj").string(),
                               (dir / "hard.obj").string(), (dir / "sub" / ".." / "in.obj").string()};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    user.reset();
    EXPECT_EQ(readOBJ(nullptr, in.c_str(), name.c_str()), 0);
    EXPECT_EQ(user.boxes, std::vector<std::string>{"I can't copy a file to itself: " + in.string()});
    EXPECT_TRUE(user.questions.empty());
    EXPECT_TRUE(user.captions.empty());
    EXPECT_EQ(slurp(in), original);
    expectCleanedUp();
  }
}

TEST_F(Pass, ReportsFilesThatCannotBeOpened) {
  EXPECT_EQ(readOBJ(nullptr, (dir / "missing.obj").c_str(), out.c_str()), 0);
  EXPECT_EQ(user.boxes, std::vector<std::string>{"I can't open this file: " +
                                                 (dir / "missing.obj").string()});
  EXPECT_FALSE(fs::exists(out));

  user.reset();
  fs::path nowhere = dir / "no" / "such" / "out.obj";
  spit(in, square);
  EXPECT_EQ(readOBJ(nullptr, in.c_str(), nowhere.c_str()), 0);
  EXPECT_EQ(user.boxes, std::vector<std::string>{"I can't open this file: " + nowhere.string()});
  EXPECT_TRUE(user.questions.empty());
  expectCleanedUp();
}

TEST_F(Pass, ReportsAFullDiskInsteadOfTheSummary) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  spit(in, std::string(square) + "f 1 2 3\nf 3 4 1\n");
  EXPECT_EQ(readOBJ(nullptr, in.c_str(), "/dev/full"), 0);
  EXPECT_EQ(user.boxes, std::vector<std::string>{"I can't write this file: /dev/full"});
  expectCleanedUp();
}

TEST_F(Pass, ReportsADirectoryThatCannotBeRead) {
  fs::create_directories(dir / "folder.obj");
  int result = readOBJ(nullptr, (dir / "folder.obj").c_str(), out.c_str());
  EXPECT_EQ(result, 0);
  ASSERT_EQ(user.boxes.size(), 1u);
  // Some systems refuse to open a directory at all, others fail the read.
  EXPECT_TRUE(user.boxes[0] == "I can't read this file: " + (dir / "folder.obj").string() ||
              user.boxes[0] == "I can't open this file: " + (dir / "folder.obj").string())
      << user.boxes[0];
  expectCleanedUp();
}

// The input is open for the first pass when it is deleted, so only its
// second opening fails.
TEST_F(Pass, ReportsAnInputThatCannotBeOpenedAgain) {
  user.onCaption = [this](const std::string& c) {
    if (c == "reading file to count the vertexes") fs::remove(in);
  };
  EXPECT_EQ(copy(std::string(square) + "f 1 2 3\n"), 0);
  EXPECT_EQ(user.boxes, std::vector<std::string>{"I can't open this file: " + in.string()});
  expectCleanedUp();
}

}  // namespace
