// Loads an .obj file with one of two common OBJ reader libraries and does
// nothing else, so that the benchmark can set a copy beside a mere load.
//
//   loadobj tinyobjloader|assimp FILE.obj
//
// Prints the number of faces loaded.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <tiny_obj_loader.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: loadobj tinyobjloader|assimp FILE.obj\n");
    return 2;
  }
  unsigned long long faces = 0;
  if (std::strcmp(argv[1], "assimp") == 0) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(argv[2], 0);
    if (!scene) return 1;
    for (unsigned i = 0; i < scene->mNumMeshes; ++i) faces += scene->mMeshes[i]->mNumFaces;
  } else {
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;
    tinyobj::ObjReader reader;
    if (!reader.ParseFromFile(argv[2], config)) return 1;
    for (const tinyobj::shape_t& s : reader.GetShapes()) faces += s.mesh.num_face_vertices.size();
  }
  std::printf("%llu faces\n", faces);
  return 0;
}
