// Judges the joining pass with two independent OBJ readers. For every input
// mesh it makes copies with normals kept and dropped and several angle
// limits, loads input and copy with each reader, and checks that
//   - the reader loads both;
//   - the copy has as many faces as the input less the pairs joined;
//   - the total surface area is the same within 1e-9 relative, each
//     four-sided face split along the diagonal from its second to its fourth
//     corner (which gives back the two triangles it was joined from), and
//     so is the vector area, which a face written with the wrong winding
//     would change;
//   - the faces use the same set of vertex positions.
//
//   judge FILE|DIR ...           copy with the engine and judge each copy
//   judge --pair IN OUT JOINED   judge a copy made elsewhere
//
// Exits 0 when every check holds, 1 when one fails, 77 (skipped) when no
// input mesh was found.

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <tiny_obj_loader.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include "fake_user.h"
#include "readobj.h"

namespace fs = std::filesystem;

namespace {

using Point = std::array<double, 3>;

// What one reader saw in one file.
struct Measure {
  bool loaded = false;
  std::string error;
  std::int64_t faces = 0;  // polygons of three or more corners
  double area = 0;
  Point vectorArea{};
  std::set<Point> used;  // positions of every face corner
};

Point sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

Point cross(const Point& a, const Point& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

void addTriangle(Measure& m, const Point& a, const Point& b, const Point& c) {
  Point n = cross(sub(b, a), sub(c, a));
  m.area += 0.5 * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  for (int i = 0; i < 3; ++i) m.vectorArea[i] += 0.5 * n[i];
}

// Adds one face given by its corner positions. A four-sided face is split
// along its second-to-fourth diagonal, a larger one fanned from its first
// corner (such faces are copied unchanged, so both sides split them alike).
void addFace(Measure& m, const std::vector<Point>& c) {
  if (c.size() < 3) return;
  ++m.faces;
  for (const Point& p : c) m.used.insert(p);
  if (c.size() == 4) {
    addTriangle(m, c[0], c[1], c[3]);
    addTriangle(m, c[1], c[2], c[3]);
    return;
  }
  for (std::size_t i = 1; i + 1 < c.size(); ++i) addTriangle(m, c[0], c[i], c[i + 1]);
}

Measure byTinyobj(const fs::path& file) {
  Measure m;
  tinyobj::ObjReaderConfig config;
  config.triangulate = false;
  config.vertex_color = false;
  tinyobj::ObjReader reader;
  if (!reader.ParseFromFile(file.string(), config)) {
    m.error = reader.Error();
    return m;
  }
  m.loaded = true;
  const std::vector<tinyobj::real_t>& v = reader.GetAttrib().vertices;
  std::vector<Point> corners;
  for (const tinyobj::shape_t& s : reader.GetShapes()) {
    std::size_t at = 0;
    for (unsigned char n : s.mesh.num_face_vertices) {
      corners.clear();
      for (std::size_t k = 0; k < n; ++k) {
        std::size_t i = static_cast<std::size_t>(s.mesh.indices[at + k].vertex_index);
        if (3 * i + 2 >= v.size()) {
          m.loaded = false;
          m.error = "corner names no vertex";
          return m;
        }
        corners.push_back({v[3 * i], v[3 * i + 1], v[3 * i + 2]});
      }
      at += n;
      addFace(m, corners);
    }
  }
  return m;
}

Measure byAssimp(const fs::path& file) {
  Measure m;
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile(file.string(), 0);
  if (!scene) {
    m.error = importer.GetErrorString();
    return m;
  }
  m.loaded = true;
  std::vector<Point> corners;
  for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
    const aiMesh* mesh = scene->mMeshes[i];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const aiFace& face = mesh->mFaces[f];
      corners.clear();
      for (unsigned k = 0; k < face.mNumIndices; ++k) {
        const aiVector3D& p = mesh->mVertices[face.mIndices[k]];
        corners.push_back({p.x, p.y, p.z});
      }
      addFace(m, corners);
    }
  }
  return m;
}

std::string oneline(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '.')) s.pop_back();
  std::replace(s.begin(), s.end(), '\n', ' ');
  return s;
}

bool near(double a, double b, double scale) { return std::fabs(a - b) <= 1e-9 * scale; }

// Compares what one reader saw in the input and in its copy; prints the
// verdict and returns whether every check held.
bool compare(const char* reader, const Measure& in, const Measure& out, std::int64_t joined) {
  std::printf("  %-8s", reader);
  if (!in.loaded) {
    // A reader that rejects the input cannot judge the copy; that is the
    // reader's limit, not ours.
    std::printf(" rejects the input (%s); the copy %s; not judged\n", oneline(in.error).c_str(),
                out.loaded ? "loads" : "is rejected too");
    return true;
  }
  if (!out.loaded) {
    std::printf(" FAIL: rejects the copy: %s\n", oneline(out.error).c_str());
    return false;
  }
  bool ok = true;
  std::printf(" faces %lld -> %lld", static_cast<long long>(in.faces),
              static_cast<long long>(out.faces));
  if (out.faces != in.faces - joined) {
    std::printf(" FAIL: expected %lld", static_cast<long long>(in.faces - joined));
    ok = false;
  }
  double scale = std::max(in.area, 1e-300);
  std::printf(", area %.12g", in.area);
  if (!near(in.area, out.area, scale)) {
    std::printf(" FAIL: copy %.17g, input %.17g", out.area, in.area);
    ok = false;
  }
  for (int i = 0; i < 3; ++i)
    if (!near(in.vectorArea[i], out.vectorArea[i], scale)) {
      std::printf(" FAIL: vector area differs in component %d (%.17g, %.17g)", i,
                  in.vectorArea[i], out.vectorArea[i]);
      ok = false;
    }
  std::printf(", %zu positions", in.used.size());
  if (in.used != out.used) {
    std::printf(" FAIL: the copy uses %zu", out.used.size());
    ok = false;
  }
  std::printf("%s\n", ok ? " ok" : "");
  return ok;
}

// The counts of the summary box, or false when it was not shown.
bool summary(std::int64_t& found, std::int64_t& joined) {
  for (const std::string& b : user.boxes) {
    long long n3, n4;
    int end = 0;
    if (std::sscanf(b.c_str(), "%lld triangles found, %lld pairs of triangles joined%n", &n3, &n4,
                    &end) == 2 &&
        static_cast<std::size_t>(end) == b.size()) {
      found = n3;
      joined = n4;
      return true;
    }
  }
  return false;
}

bool judgePair(const fs::path& in, const fs::path& out, std::int64_t joined) {
  bool ok = compare("tinyobj", byTinyobj(in), byTinyobj(out), joined);
  return compare("assimp", byAssimp(in), byAssimp(out), joined) && ok;
}

// Copies `in` with the engine for every answer pair and judges each copy.
bool judgeFile(const fs::path& in, const fs::path& work) {
  bool ok = true;
  fs::path out = work / "copy.obj";
  for (int normals : {0, 1})
    for (double limit : {0.0, 5.0, 30.0}) {
      user.reset();
      user.normals = normals;
      user.limit = limit;
      std::printf("%s, normals %s, limit %g:", in.filename().c_str(), normals ? "dropped" : "kept",
                  limit);
      std::int64_t found = 0, joined = 0;
      if (readOBJ(nullptr, in.c_str(), out.c_str()) != 1 || !summary(found, joined)) {
        std::printf(" FAIL: the pass did not run to its end\n");
        for (const std::string& b : user.boxes) std::printf("  box %s\n", b.c_str());
        ok = false;
        continue;
      }
      std::printf(" %lld triangles, %lld pairs joined\n", static_cast<long long>(found),
                  static_cast<long long>(joined));
      ok = judgePair(in, out, joined) && ok;
    }
  return ok;
}

std::vector<fs::path> inputs(int argc, char** argv) {
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    fs::path p = argv[i];
    std::error_code ec;
    if (fs::is_directory(p, ec)) {
      std::vector<fs::path> found;
      for (const fs::directory_entry& e : fs::directory_iterator(p, ec)) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (e.is_regular_file() && ext == ".obj") found.push_back(e.path());
      }
      std::sort(found.begin(), found.end());
      files.insert(files.end(), found.begin(), found.end());
    } else if (fs::is_regular_file(p, ec)) {
      files.push_back(p);
    }
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--pair")
    return judgePair(argv[2], argv[3], std::atoll(argv[4])) ? 0 : 1;

  std::vector<fs::path> files = inputs(argc, argv);
  if (files.empty()) {
    std::printf("no input meshes found: skipped\n");
    return 77;
  }
  fs::path work = fs::temp_directory_path() / ("facemeld-judge-" + std::to_string(::getpid()));
  fs::create_directories(work);
  bool ok = true;
  for (const fs::path& f : files) ok = judgeFile(f, work) && ok;
  fs::remove_all(work);
  std::printf("%s\n", ok ? "all copies judged sound" : "FAILED");
  return ok ? 0 : 1;
}
