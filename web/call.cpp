// The engine's call for JavaScript (call.js): one copy, whose input is read
// and whose output is handed over in pieces through library.js, so that
// neither is ever whole in the module's memory. With threads the copy runs
// on a thread of its own, and the module's main thread stays free to serve
// its reads and writes; without, it runs in the call.
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "facemeld.h"

extern "C" {
// In library.js; `id` is the copy's number in call.js.
int facemeld_read(int id, char* to, double at, int n);  // bytes read, or -1
void facemeld_write(int id, const char* from, int n);
void facemeld_progress(int id, double done, double total);
void facemeld_done(int id, const char* failure, const char* complaint, double vertices, double faces, double triangles,
                   double joins);
}

namespace {

struct Source {
  int id;
  std::int64_t at = 0;
  std::int64_t size;
};

ssize_t readsome(void* c, char* to, size_t n) {
  auto* s = static_cast<Source*>(c);
  if (s->at >= s->size) return 0;
  if (static_cast<std::int64_t>(n) > s->size - s->at) n = static_cast<size_t>(s->size - s->at);
  int got = facemeld_read(s->id, to, static_cast<double>(s->at), static_cast<int>(n));
  if (got < 0) return errno = EIO, -1;
  s->at += got;
  return got;
}

int seeksome(void* c, off_t* at, int whence) {
  auto* s = static_cast<Source*>(c);
  std::int64_t to = whence == SEEK_SET ? *at : whence == SEEK_CUR ? s->at + *at : s->size + *at;
  if (to < 0) return errno = EINVAL, -1;
  *at = s->at = to;
  return 0;
}

ssize_t writesome(void* c, const char* from, size_t n) {
  facemeld_write(static_cast<Source*>(c)->id, from, static_cast<int>(n));
  return static_cast<ssize_t>(n);
}

// The pairing modes, in the order of call.js's list.
const facemeld::Pairs modes[] = {facemeld::Pairs::consecutive, facemeld::Pairs::neighbours, facemeld::Pairs::squarest};

// Copies; the copy stops soon, failing as cancelled, once call.js sets the
// byte `stop`.
void copy(int id, double size, bool dropnormals, double limit, double shape, int mode, unsigned threads, bool progress,
          std::atomic<bool>* stop) {
  Source in{id, 0, static_cast<std::int64_t>(size)}, out{id, 0, 0};
  std::FILE* F = fopencookie(&in, "rb", {readsome, nullptr, seeksome, nullptr});
  std::FILE* G = fopencookie(&out, "wb", {nullptr, writesome, nullptr, nullptr});
  facemeld::Result r;
  if (!F || !G) {
    r.failure = facemeld::Failure::memory;
  } else {
    // The engine reads and writes whole chunks: no buffer of stdio between.
    std::setvbuf(F, nullptr, _IONBF, 0);
    std::setvbuf(G, nullptr, _IONBF, 0);
    facemeld::Options o;
    o.dropnormals = dropnormals;
    o.limit = limit;
    o.shape = shape;
    o.pairs = modes[mode];
    o.threads = threads;
    o.cancel = stop;
    if (progress)
      o.progress = [id](std::int64_t done, std::int64_t total) {
        facemeld_progress(id, static_cast<double>(done), static_cast<double>(total));
      };
    r = facemeld::quadrify(facemeld::End(F), facemeld::End(G), o);
  }
  if (F) std::fclose(F);
  if (G) std::fclose(G);
  // The complaint as the command line words it, with the system's reason.
  std::string said = r.failure == facemeld::Failure::none ? "" : facemeld::describe(r.failure);
  if (r.failure != facemeld::Failure::none && r.error) said += std::string(" (") + std::strerror(r.error) + ")";
  facemeld_done(id, facemeld::name(r.failure), said.c_str(), static_cast<double>(r.vertices),
                static_cast<double>(r.faces), static_cast<double>(r.triangles), static_cast<double>(r.joins));
}

}  // namespace

// `stop` is a byte of call.js's, 0 until it stops the copy, which it keeps
// until the copy is done.
extern "C" void facemeld_start(int id, double size, int dropnormals, double limit, double shape, int mode, int threads,
                               int progress,
                               std::atomic<bool>* stop) {
  static_assert(sizeof(std::atomic<bool>) == 1 && std::atomic<bool>::is_always_lock_free, "a flag of one byte");
#ifdef __EMSCRIPTEN_PTHREADS__
  std::thread(copy, id, size, dropnormals != 0, limit, shape, mode, static_cast<unsigned>(threads), progress != 0, stop)
      .detach();
#else
  copy(id, size, dropnormals != 0, limit, shape, mode, static_cast<unsigned>(threads), progress != 0, stop);
#endif
}
