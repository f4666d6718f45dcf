#include "cli.h"

#include <getopt.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <string>
#include <vector>

#include "console.h"
#include "facemeld.h"
#include "files.h"
#include "platform.h"
#include "share.h"
#include "words.h"
#include "version.h"

namespace {

// The usage, after the ways to start the program (`commands`).
const char* const usage =
    "\n"
    "'-' as INPUT reads standard input, as OUTPUT writes standard output. An output\n"
    "file is replaced only once its copy is complete.\n"
    "\n"
    "  -n, --drop-normals      drop the vn lines and the normal part of every corner\n"
    "  -a, --angle DEG         largest fold angle in degrees that two triangles may have\n"
    "                          to be joined (default 5); a decimal number, as at the menu.\n"
    "                          Two flat triangles measure about 0.81, so an angle below\n"
    "                          that joins nothing\n"
    "  -s, --shape DEG         largest shape error in degrees of a quad that is made, the\n"
    "                          most one of its corners may be off square (default 90:\n"
    "                          any quad)\n"
    "  -p, --pairs MODE        which triangles may be joined, and which are:\n"
    "                          'consecutive' (the default), each with the triangle on the\n"
    "                          line after it, as at the menu: a model's own quads, where\n"
    "                          each quad's halves stand together;\n"
    "                          'neighbours', any two of a run of face lines that share an\n"
    "                          edge: the most quads, and of those the squarest; for the\n"
    "                          smallest file;\n"
    "                          'squarest', as neighbours, but the quads of the greatest\n"
    "                          worth, a quad worth 90 less its shape error: a pair that\n"
    "                          would make a poor quad stays apart; for quads to model\n"
    "                          with, and to bring back a quad model's quads in any order\n"
    "  -o, --output-dir DIR    the folder for a batch (it must exist)\n"
    "  -j, --threads N         threads to work with (default: one per core)\n"
    "  -q, --quiet             print failures only\n"
    "  -h, --help              print this help and exit\n"
    "  -V, --version           print the version and exit\n"
    "\n"
    "Exit status: 0 when every file was copied, 1 when any failed, 2 for a usage error.\n";

const char* const shorts = ":na:s:p:o:j:qhV";

const option longs[] = {{"drop-normals", no_argument, nullptr, 'n'},
                        {"angle", required_argument, nullptr, 'a'},
                        {"shape", required_argument, nullptr, 's'},
                        {"pairs", required_argument, nullptr, 'p'},
                        {"output-dir", required_argument, nullptr, 'o'},
                        {"threads", required_argument, nullptr, 'j'},
                        {"quiet", no_argument, nullptr, 'q'},
                        {"help", no_argument, nullptr, 'h'},
                        {"version", no_argument, nullptr, 'V'},
                        {nullptr, 0, nullptr, 0}};

// A usage error: one line that names the problem, and status 2.
int misuse(const std::string& problem) {
  sayerr("facemeld: " + problem + "; try '" + command + " --help'\n");
  return 2;
}

// The problem with the option that getopt_long has just refused, returning
// `c` (':' for a missing value, else '?'). optopt is 0 for an unknown long
// option, one of ours when a long option was given a value it takes none of,
// and else the unknown letter; a long option is the last argument read.
// MinGW's getopt_long returns ':' for a value given to an option that takes
// none, which only an argument with '=' can be.
std::string badoption(char** argv, int c) {
  std::string arg = argv[optind - 1];
  bool valued = arg.find('=') != std::string::npos;
  arg = arg.substr(0, arg.find('='));
  bool ours = optopt != 0 && optopt != ':' && std::strchr(shorts, optopt);
  bool islong = c == ':' ? arg.compare(0, 2, "--") == 0 : optopt == 0 || ours;
  std::string name = islong ? arg : std::string("-") + static_cast<char>(optopt);
  if (c == ':' && !valued) return "option '" + name + "' needs a value";
  if (ours) return "option '" + name + "' takes no value";
  return "unknown option '" + name + "'";
}

// The whole of s as a positive integer that `unsigned` holds.
bool positive(const char* s, unsigned& n) {
  unsigned long long v = 0;
  for (const char* p = s; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + static_cast<unsigned>(*p - '0');
    if (v > UINT_MAX) return false;
  }
  n = static_cast<unsigned>(v);
  return v > 0;
}

// The whole of s as a finite decimal number, with spaces and tabs around it
// allowed: "5deg" is a typo, not the angle 5, and "1e999" is no angle.
bool angle(const char* s, double& d) {
  const char* end = nullptr;
  s += std::strspn(s, " \t");
  if (*s == ' ' || (*s >= '\t' && *s <= '\r') || !scandecimal(s, d, &end) || !std::isfinite(d)) return false;
  return end[std::strspn(end, " \t")] == '\0';
}

// How every file of the run is copied.
struct Settings {
  facemeld::Options options;
  bool quiet = false;
};

// What a copy prints: lines for standard output and standard error, and
// whether it worked.
struct Lines {
  std::string out, err;
  bool copied = false;
};

// A failure's line: the path (control bytes shown as '?'), what went wrong
// and the system's reason, when there is one.
std::string failure(const std::string& path, const std::string& what, int error = 0) {
  return "facemeld: " + printable(path) + ": " + what + (error ? " (" + reason(error) + ")" : "") + "\n";
}

// How far a copy has come, as the call reports it.
using Progress = std::function<void(std::int64_t done, std::int64_t size)>;

// Copies `in` to `out` ("-" for standard input or output) with `threads`
// threads, showing its progress through `shown` unless quiet. A failure
// leaves the output as it was, unless it is written in place.
Lines copy(const std::string& in, const std::string& out, const Settings& s, unsigned threads,
           const Progress& shown) {
  Lines l;
  for (const std::string* p : {&in, &out})
    if (*p != "-" && !objsuffix(p->c_str())) return l.err = failure(*p, std::string(badsuffix) + " (the name must end in .obj)"), l;
  int e = 0;
  std::FILE* to = out == "-" ? standardoutput(e) : nullptr;
  if (e) return l.err = failure("standard output", facemeld::describe(facemeld::Failure::write), e), l;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> F(nullptr, std::fclose);
  if (in == "-" && (F.reset(spoolinput(e)), !F))
    return l.err = failure(in, facemeld::describe(facemeld::Failure::read), e), l;
  facemeld::Options options = s.options;
  options.threads = threads;
  if (!s.quiet) options.progress = shown;
  // A path is read by the library, twice; standard input's copy from its
  // start again.
  facemeld::End from = F ? facemeld::End(F.get(), nullptr, "-") : facemeld::End(in.c_str());
  facemeld::Result r =
      facemeld::quadrify(from, to ? facemeld::End(to, nullptr, "-") : facemeld::End(out.c_str()), options);
  if (r.failure != facemeld::Failure::none) {
    // An output that cannot be made in a folder that exists names the folder.
    bool folder = r.failure == facemeld::Failure::open && r.path != in && r.path != out;
    return l.err = failure(r.path, folder ? "I can't make a new file in this folder" : facemeld::describe(r.failure),
                           r.error), l;
  }
  l.copied = true;
  if (s.quiet) return l;
  if (r.triangles == 0) l.err = failure(in, r.faces ? notriangles : notmesh);
  (out == "-" ? l.err : l.out) += printable(in) + ": " + summary(r, true) + "\n";
  return l;
}

// Prints a copy's lines. False when the summary could not be written for
// any reason but a reader that has gone away; that is said once.
bool print(const Lines& l) {
  static bool told = false;
  int e = l.out.empty() ? 0 : tell(1, l.out);
  if (!l.err.empty()) tell(2, l.err);
  if (!e || e == EPIPE) return true;
  if (!told) tell(2, failure("standard output", "I can't write the summary", e));
  told = true;
  return false;
}

// A file of at least this size is copied on every thread on its own; the
// smaller ones of a batch are shared among the threads, one each.
constexpr std::int64_t large = 4 << 20;

// Copies each input into the folder `dir`, printing each file's lines in
// the order of the inputs, and returns the exit status. Every output that
// another input would also land on, or that is another input, which a
// copy would replace before reading it, is refused before any copy starts.
int batch(const std::vector<std::string>& ins, const std::string& dir, const Settings& s) {
  std::size_t n = ins.size();
  std::vector<std::string> outs(n);
  std::vector<Lines> lines(n);
  std::vector<bool> done(n);
  std::vector<std::int64_t> sizes(n);
  std::map<std::pair<unsigned long long, unsigned long long>, std::size_t> inputs;
  std::set<std::string, Nameorder> names;
  std::int64_t total = 0;
  for (std::size_t i = 0; i < n; ++i) {
    FileId id = fileid(ins[i].c_str());
    if (id.valid) inputs.emplace(std::make_pair(id.device, id.node), i);
    total += sizes[i] = id.size;
  }
  for (std::size_t i = 0; i < n; ++i) {
    outs[i] = infolder(dir, ins[i].substr(folderend(ins[i])));
    FileId o = fileid(outs[i].c_str());
    auto other = o.valid ? inputs.find(std::make_pair(o.device, o.node)) : inputs.end();
    bool over = other != inputs.end() && !(fileid(ins[i].c_str()) == o);
    if (over) lines[i].err = failure(outs[i], "I can't write over a file I am to copy");
    else if (!names.insert(outs[i]).second) lines[i].err = failure(outs[i], "I already copied another file to this one");
    done[i] = !lines[i].err.empty();
  }

  // The threads take the inputs in turn; a large one waits until every
  // earlier one is taken and done, then has all threads to itself. Lines are
  // printed as soon as those of every earlier input are.
  // As many as a copy takes (Options::threads).
  unsigned threads = threadsfor(s.options.threads);
  std::mutex m;
  std::condition_variable cv;
  std::size_t next = 0, printed = 0, running = 0;
  bool solo = false;  // a large file is being copied
  std::int64_t finished = 0;                       // bytes of the files done
  std::vector<std::int64_t> flight(threads, 0);    // bytes done of each thread's file
  int status = 0;
  auto show = [&] {
    if (s.quiet) return;
    std::int64_t bytes = finished;
    for (std::int64_t b : flight) bytes += b;
    showprogress(std::to_string(printed) + " of " + std::to_string(n) + " files", bytes, total);
  };
  auto release = [&] {  // with m held
    for (; printed < n && done[printed]; ++printed)
      if (!print(lines[printed]) || !lines[printed].copied) status = 1;
    if (printed < n) show();
    cv.notify_all();
  };
  auto work = [&](unsigned t) {
    std::unique_lock<std::mutex> g(m);
    for (;;) {
      cv.wait(g, [&] { return next == n || (!solo && (done[next] || sizes[next] < large || running == 0)); });
      if (next == n) return;
      std::size_t i = next++;
      if (done[i]) {
        release();
        continue;
      }
      bool alone = sizes[i] >= large;
      solo = alone;
      ++running;
      g.unlock();
      // A pass may count more than the file's bytes (the neighbours' pass
      // counts each byte read, decided and written): its share of the file.
      Progress shown = [&, t, i](std::int64_t at, std::int64_t of) {
        std::lock_guard<std::mutex> h(m);
        flight[t] = of > 0 ? static_cast<std::int64_t>(static_cast<double>(sizes[i]) * std::min(at, of) / of) : at;
        show();
      };
      Lines l = copy(ins[i], outs[i], s, alone ? threads : 1, shown);
      g.lock();
      --running;
      solo = false;
      lines[i] = std::move(l);
      done[i] = true;
      flight[t] = 0;
      finished += sizes[i];
      release();
    }
  };
  {
    std::lock_guard<std::mutex> g(m);
    show();
  }
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < threads && t < n; ++t) helpers.emplace_back(work, t);
  work(0);
  for (std::thread& h : helpers) h.join();
  endprogress();
  return status;
}

}  // namespace

int commandline(int argc, char** argv) {
  if (argc < 2) {  // only the console program on Windows is started so
    sayerr(commands + std::string(usage));
    return 2;
  }
  Settings s;
  const char* dir = nullptr;
  opterr = 0;
  for (int c; (c = getopt_long(argc, argv, shorts, longs, nullptr)) != -1;) {
    switch (c) {
      case 'n':
        s.options.dropnormals = true;
        break;
      case 'a':
        if (!angle(optarg, s.options.limit))
          return misuse("the angle '" + std::string(optarg) + "' is not a decimal number");
        break;
      case 's':
        if (!angle(optarg, s.options.shape) || !(s.options.shape >= 0 && s.options.shape <= 90))
          return misuse("the shape limit '" + std::string(optarg) + "' is not a number from 0 to 90");
        break;
      case 'p':
        if (std::strcmp(optarg, "consecutive") == 0)
          s.options.pairs = facemeld::Pairs::consecutive;
        else if (std::strcmp(optarg, "neighbours") == 0 || std::strcmp(optarg, "neighbors") == 0)
          s.options.pairs = facemeld::Pairs::neighbours;
        else if (std::strcmp(optarg, "squarest") == 0)
          s.options.pairs = facemeld::Pairs::squarest;
        else
          return misuse("the pairing mode '" + std::string(optarg) + "' is not 'consecutive', 'neighbours' or 'squarest'");
        break;
      case 'o':
        dir = optarg;
        break;
      case 'j':
        if (!positive(optarg, s.options.threads))
          return misuse("the number of threads '" + std::string(optarg) +
                        "' is not a positive integer");
        break;
      case 'q':
        s.quiet = true;
        break;
      case 'h':
        say(commands + std::string(usage));
        return 0;
      case 'V':
        say("facemeld " FACEMELD_VERSION_STRING "\n");
        return 0;
      default:
        return misuse(badoption(argv, c));
    }
  }

  std::vector<std::string> paths(argv + optind, argv + argc);
  // A folder as the last of two or more paths takes the copies, as -o DIR
  // does, and as cp copies into a folder.
  std::string last;
  if (!dir && paths.size() >= 2 && paths.back() != "-" && isfolder(paths.back())) {
    last = paths.back();
    paths.pop_back();
    dir = last.c_str();
  }
  if (dir) {
    if (!isfolder(dir)) return misuse("'" + std::string(dir) + "' is not a folder");
    if (paths.empty()) return misuse("no input path");
    for (const std::string& p : paths)
      if (p == "-") return misuse("'-' cannot be copied in a batch");
  } else if (paths.size() != 2) {
    if (paths.size() > 2) return misuse("extra path '" + paths[2] + "' (a batch needs -o DIR, or a folder last)");
    return misuse(paths.empty() ? "no input or output path" : "no output path");
  }

  oninterrupt();
  keepmemory();
  if (!dir) {
    Lines l = copy(paths[0], paths[1], s, s.options.threads,
                   [&](std::int64_t done, std::int64_t size) { showprogress(paths[0], done, size); });
    endprogress();
    return print(l) && l.copied ? 0 : 1;
  }
  return batch(paths, dir, s);
}
