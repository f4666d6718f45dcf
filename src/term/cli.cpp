#include "cli.h"

#include <getopt.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "console.h"
#include "decimal.h"
#include "facemeld.h"
#include "input.h"
#include "platform.h"
#include "readobj.h"
#include "text.h"
#include "version.h"

namespace {

const char* const usage =
    "facemeld                                 the interactive menu\n"
    "facemeld [OPTIONS] INPUT.obj OUTPUT.obj  copy one file\n"
    "facemeld [OPTIONS] -o DIR INPUT.obj...   copy each input into DIR, under its own file name\n"
    "\n"
    "'-' as INPUT reads standard input, as OUTPUT writes standard output. An output\n"
    "file is replaced only once its copy is complete.\n"
    "\n"
    "  -n, --drop-normals      drop the vn lines and the normal part of every corner\n"
    "  -a, --angle DEG         largest fold angle in degrees that two triangles may have\n"
    "                          to be joined (default 5); a decimal number, as at the menu\n"
    "  -o, --output-dir DIR    the folder for a batch (it must exist)\n"
    "  -j, --threads N         threads to work with (default: one per core)\n"
    "  -q, --quiet             print failures only\n"
    "  -h, --help              print this help and exit\n"
    "  -V, --version           print the version and exit\n"
    "\n"
    "Exit status: 0 when every file was copied, 1 when any failed, 2 for a usage error.\n";

const char* const shorts = ":na:o:j:qhV";

const option longs[] = {{"drop-normals", no_argument, nullptr, 'n'},
                        {"angle", required_argument, nullptr, 'a'},
                        {"output-dir", required_argument, nullptr, 'o'},
                        {"threads", required_argument, nullptr, 'j'},
                        {"quiet", no_argument, nullptr, 'q'},
                        {"help", no_argument, nullptr, 'h'},
                        {"version", no_argument, nullptr, 'V'},
                        {nullptr, 0, nullptr, 0}};

// A usage error: one line that names the problem, and status 2.
int misuse(const std::string& problem) {
  sayerr("facemeld: " + problem + "; try 'facemeld --help'\n");
  return 2;
}

// The problem with the option that getopt_long has just refused, returning
// `c` (':' for a missing value, else '?'). optopt is 0 for an unknown long
// option, one of ours when a long option was given a value it takes none of,
// and else the unknown letter; a long option is the last argument read.
std::string badoption(char** argv, int c) {
  std::string arg = argv[optind - 1];
  arg = arg.substr(0, arg.find('='));
  bool ours = optopt != 0 && optopt != ':' && std::strchr(shorts, optopt);
  bool islong = c == ':' ? arg.compare(0, 2, "--") == 0 : optopt == 0 || ours;
  std::string name = islong ? arg : std::string("-") + static_cast<char>(optopt);
  if (c == ':') return "option '" + name + "' needs a value";
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

// Copies `in` to `out` ("-" for standard input or output). A failure
// leaves the output as it was, unless it is written in place.
Lines copy(const std::string& in, const std::string& out, const Settings& s) {
  Lines l;
  for (const std::string* p : {&in, &out})
    if (*p != "-" && !objsuffix(p->c_str())) return l.err = failure(*p, "bad suffix"), l;
  Stream F;
  Identity self;
  if (in == "-") {
    int e = 0;
    if (!(F.f = spoolinput(e))) return l.err = failure(in, "I can't read this file", e), l;
    self = identity(F.f);
  } else {
    if (!rereadable(in.c_str())) return l.err = failure(in, "I can't read this file"), l;
    if (!(F.f = std::fopen(in.c_str(), "rb"))) return l.err = failure(in, "I can't open this file", errno), l;
    self = identity(F.f);
  }
  if ((in == out && in != "-") || self == (out == "-" ? identity(stdout) : identity(out)))
    return l.err = failure(in, "I can't copy a file to itself"), l;

  Output o;
  std::string at;
  bool folder;
  if (int e = o.open(out, at, folder))
    return l.err = failure(at, folder ? "I can't make a new file in this folder" : "I can't open this file", e), l;
  facemeld::Options options = s.options;
  if (!s.quiet) options.progress = [&](std::int64_t done, std::int64_t size) { showprogress(in, done, size); };
  // Read by path the second time, or from its start again.
  facemeld::End from = in == "-" ? facemeld::End(F.f, nullptr, "-") : facemeld::End(F.f, in.c_str());
  facemeld::End to = o.stream() ? facemeld::End(o.stream(), nullptr, out.c_str()) : facemeld::End(out.c_str());
  facemeld::Result r = facemeld::quadrify(from, to, options);
  endprogress();
  if (r.failure != facemeld::Failure::none) return l.err = failure(r.path, complaint(r.failure), r.error), l;
  if (int e = o.commit()) return l.err = failure(out, complaint(facemeld::Failure::write), e), l;
  l.copied = true;
  if (s.quiet) return l;
  if (r.triangles == 0) l.err = failure(in, "this file may not be a mesh file");
  (out == "-" ? l.err : l.out) += printable(in) + ": " + summary(r) + "\n";
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

}  // namespace

int commandline(int argc, char** argv) {
  Settings s;
  const char* dir = nullptr;
  opterr = 0;
  for (int c; (c = getopt_long(argc, argv, shorts, longs, nullptr)) != -1;) {
    const char* end = nullptr;
    switch (c) {
      case 'n':
        s.options.dropnormals = true;
        break;
      case 'a':
        // All of it: "5deg" is a typo, not the angle 5.
        if (!scandecimal(optarg, s.options.limit, &end) || *end)
          return misuse("the angle '" + std::string(optarg) + "' is not a decimal number");
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
        say(usage);
        return 0;
      case 'V':
        say("facemeld " FACEMELD_VERSION "\n");
        return 0;
      default:
        return misuse(badoption(argv, c));
    }
  }

  std::vector<std::string> paths(argv + optind, argv + argc);
  if (dir) {
    if (!std::filesystem::is_directory(dir)) return misuse("'" + std::string(dir) + "' is not a folder");
    if (paths.empty()) return misuse("no input path");
    for (const std::string& p : paths)
      if (p == "-") return misuse("'-' cannot be copied in a batch");
  } else if (paths.size() != 2) {
    if (paths.size() > 2) return misuse("extra path '" + paths[2] + "' (a batch needs -o DIR)");
    return misuse(paths.empty() ? "no input or output path" : "no output path");
  }

  oninterrupt();
  int status = 0;
  if (!dir) {
    Lines l = copy(paths[0], paths[1], s);
    return print(l) && l.copied ? 0 : 1;
  }
  // Decided before any copy: an output that another input of the batch
  // would also land on, or that is another input, which a copy would
  // replace before it is read.
  std::vector<Identity> ins;
  for (const std::string& in : paths) ins.push_back(identity(in));
  std::set<std::string> outs;
  std::vector<Lines> refused(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    std::string out = infolder(dir, filename(paths[i]));
    Identity o = identity(out);
    bool other = false;
    for (std::size_t j = 0; j < paths.size(); ++j) other |= ins[j] == o && !(ins[i] == o);
    if (other) refused[i].err = failure(out, "I can't write over a file I am to copy");
    else if (!outs.insert(out).second) refused[i].err = failure(out, "I already copied another file to this one");
  }
  for (std::size_t i = 0; i < paths.size(); ++i) {
    Lines l = refused[i].err.empty() ? copy(paths[i], infolder(dir, filename(paths[i])), s) : refused[i];
    if (!print(l) || !l.copied) status = 1;
  }
  return status;
}
