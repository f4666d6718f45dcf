#include "cli.h"

#include <getopt.h>
#include <sys/stat.h>

#include <climits>
#include <csignal>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "console.h"
#include "decimal.h"
#include "paths.h"
#include "readobj.h"
#include "text.h"
#include "version.h"

Orders* orders;

namespace {

const char* const usage =
    "facemeld                                 the interactive menu\n"
    "facemeld [OPTIONS] INPUT.obj OUTPUT.obj  copy one file\n"
    "facemeld [OPTIONS] -o DIR INPUT.obj...   copy each input into DIR, under its own file name\n"
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

// DIR/NAME, where NAME is the file name of `in` without its folders.
std::string intodir(const std::string& dir, const std::string& in) {
  std::string name = in.substr(in.rfind('/') + 1);
  return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

// Copies `in` to `out` through the copy command the menu uses, with its
// paths in the same buffers; false when it failed.
bool copy(const std::string& in, const std::string& out, Work w) {
  orders->failed = false;
  *file = *File = '\0';
  for (const std::string* p : {&in, &out})
    if (p->size() >= pathmax) {
      report(p->c_str(), "this path is too long");
      return false;
    }
  std::memcpy(file, in.c_str(), in.size() + 1);
  std::memcpy(File, out.c_str(), out.size() + 1);
  bool copied = copyOBJ(nullptr, file, File, w) == 1;
  endprogress();
  return copied;
}

}  // namespace

void report(const char* text, const char* caption) {
  if (!*caption) {
    if (!orders->quiet) say(std::string(file) + ": " + text + "\n");
  } else if (std::strcmp(caption, file) == 0 || std::strcmp(caption, File) == 0) {
    if (!orders->quiet) sayerr("facemeld: " + std::string(caption) + ": " + text + "\n");
  } else if (!orders->failed) {
    // The copy command's closing box adds nothing to the pass's own.
    orders->failed = true;
    // The suffix box shows the input whichever path failed; a line on its
    // own must name the path at fault.
    if (std::strcmp(caption, "bad suffix") == 0 && objsuffix(file)) text = File;
    sayerr("facemeld: " + std::string(text) + ": " + caption + "\n");
  }
}

int commandline(int argc, char** argv) {
  static Orders o;
  Work w;
  const char* dir = nullptr;
  opterr = 0;
  for (int c; (c = getopt_long(argc, argv, shorts, longs, nullptr)) != -1;) {
    const char* end = nullptr;
    switch (c) {
      case 'n':
        o.dropnormals = 1;
        break;
      case 'a':
        // All of it: "5deg" is a typo, not the angle 5.
        if (!scandecimal(optarg, o.angle, &end) || *end)
          return misuse("the angle '" + std::string(optarg) + "' is not a decimal number");
        break;
      case 'o':
        dir = optarg;
        break;
      case 'j':
        if (!positive(optarg, w.threads))
          return misuse("the number of threads '" + std::string(optarg) +
                        "' is not a positive integer");
        break;
      case 'q':
        o.quiet = true;
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
    struct stat st;
    if (stat(dir, &st) != 0 || !S_ISDIR(st.st_mode))
      return misuse("'" + std::string(dir) + "' is not a folder");
    if (paths.empty()) return misuse("no input path");
  } else if (paths.size() != 2) {
    if (paths.size() > 2) return misuse("extra path '" + paths[2] + "' (a batch needs -o DIR)");
    return misuse(paths.empty() ? "no input or output path" : "no output path");
  }

  // A reader that has gone away makes the summary lines fail, not the copy.
  std::signal(SIGPIPE, SIG_IGN);
  orders = &o;
  if (!dir) return copy(paths[0], paths[1], w) ? 0 : 1;
  int status = 0;
  // Two inputs of the same file name would land on the same output, the
  // second replacing the first's copy; the second is refused instead.
  std::set<std::string> copied;
  for (const std::string& in : paths) {
    std::string out = intodir(dir, in);
    if (copied.count(out)) {
      sayerr("facemeld: " + out + ": I already copied another file to this one\n");
      status = 1;
    } else if (copy(in, out, w)) {
      copied.insert(out);
    } else {
      status = 1;
    }
  }
  return status;
}
