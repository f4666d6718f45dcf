// Judges a copy with two independent OBJ readers: each reader that loads
// the input must load the copy, with the input's faces less the pairs
// joined, the same total and vector area within 1e-9 relative, and the same
// vertex positions used. Prints what each reader saw.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <tiny_obj_loader.h>

#include <array>
#include <cmath>
#include <set>

namespace {

using Point = std::array<double, 3>;

// What a reader saw: the faces of three corners or more, their area and
// vector area (which a face of the wrong winding changes), and the positions
// of their corners.
struct Measure {
  bool loaded = false;
  long long faces = 0;
  double area = 0;
  Point vector{};
  std::set<Point> used;

  // A four-sided face is split along the diagonal from its second to its
  // fourth corner, which gives back the two triangles it was joined from;
  // a larger one is fanned from its first corner.
  void add(const std::vector<Point>& c) {
    faces += c.size() > 2;
    used.insert(c.begin(), c.end());
    for (std::size_t i = 1; i + 1 < c.size(); ++i) {
      const Point &a = c[c.size() == 4 && i == 2], &b = c[i], &d = c[c.size() == 4 && i == 1 ? 3 : i + 1];
      Point u{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, w{d[0] - a[0], d[1] - a[1], d[2] - a[2]};
      Point n{u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
      area += std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) / 2;
      for (int k = 0; k < 3; ++k) vector[k] += n[k] / 2;
    }
  }
};

Measure bytiny(const std::string& file) {
  Measure m;
  tinyobj::ObjReaderConfig config;
  config.triangulate = config.vertex_color = false;
  tinyobj::ObjReader reader;
  m.loaded = reader.ParseFromFile(file, config);
  const auto& v = reader.GetAttrib().vertices;
  for (const tinyobj::shape_t& s : reader.GetShapes())
    for (std::size_t f = 0, at = 0; f < s.mesh.num_face_vertices.size(); ++f) {
      std::vector<Point> c;
      for (std::size_t x, n = s.mesh.num_face_vertices[f]; n > 0; --n, ++at)
        if ((x = 3 * s.mesh.indices[at].vertex_index) + 2 < v.size()) c.push_back({v[x], v[x + 1], v[x + 2]});
        else m.loaded = false;  // a corner names no vertex
      m.add(c);
    }
  return m;
}

Measure byassimp(const std::string& file) {
  Measure m;
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile(file, 0);
  for (unsigned i = 0; (m.loaded = scene) && i < scene->mNumMeshes; ++i)
    for (unsigned f = 0; f < scene->mMeshes[i]->mNumFaces; ++f) {
      std::vector<Point> c;
      for (unsigned k = 0; k < scene->mMeshes[i]->mFaces[f].mNumIndices; ++k) {
        const aiVector3D& p = scene->mMeshes[i]->mVertices[scene->mMeshes[i]->mFaces[f].mIndices[k]];
        c.push_back({p.x, p.y, p.z});
      }
      m.add(c);
    }
  return m;
}

bool judge(const char* reader, Measure (*load)(const std::string&), const std::string& in,
           const std::string& out, long long joined) {
  Measure a = load(in), b = load(out);
  if (!a.loaded) return std::printf("  %s refuses the input: not judged\n", reader), true;
  auto near = [&a](double x, double y) { return std::fabs(x - y) <= 1e-9 * std::max(a.area, 1e-300); };
  bool ok = b.loaded && b.faces == a.faces - joined && near(a.area, b.area) && a.used == b.used;
  for (int k = 0; k < 3; ++k) ok = ok && near(a.vector[k], b.vector[k]);
  std::printf("  %s: faces %lld -> %lld, area %.12g -> %.12g, %zu -> %zu positions%s\n", reader, a.faces, b.faces,
              a.area, b.area, a.used.size(), b.used.size(), !b.loaded ? " FAIL: refuses the copy" : ok ? "" : " FAIL");
  return ok;
}

}  // namespace

bool judged(const std::string& in, const std::string& out, long long joined) {
  bool tiny = judge("tinyobj", bytiny, in, out, joined);  // both judge, whatever the first found
  return judge("assimp", byassimp, in, out, joined) && tiny;
}
