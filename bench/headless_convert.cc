// One conversion without a window, timed inside the process, on every
// platform (convert_bench needs POSIX processes). On Windows it is the
// baseline for the window's cost: bench/wine_window_bench.sh converts the
// same log once here and once in the program's window.
//
//   headless_convert --write-log <megabytes> <log> [--shape L]
//                      writes a generated log of the shape L (a to e, the
//                      shapes of bench/log_shapes.h; a without --shape)
//   headless_convert <log> <output>
//                      converts; prints the seconds and messages
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "bench/log_shapes.h"
#include "conversion/conversion_assembly.h"
#include "platform/file_system.h"
#include "runtime/runtime_error.h"

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "--write-log") {
    const long megabytes = std::atol(argv[2]);
    std::optional<tess::bench::LogShape> shape = tess::bench::LogShape::Today;
    if (argc == 6 && std::string(argv[4]) == "--shape") {
      shape = tess::bench::shapeFromLetter(argv[5]);
    } else if (argc != 4) {
      shape.reset();
    }
    if (megabytes <= 0 || !shape) {
      std::fprintf(stderr,
                   "usage: headless_convert --write-log MB LOG "
                   "[--shape a|b|c|d|e]\n");
      return 2;
    }
    return tess::bench::writeShapedLog(
               argv[3], static_cast<size_t>(megabytes) << 20, *shape)
               ? 0
               : 1;
  }
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: headless_convert --write-log MB LOG [--shape L] | "
                 "LOG OUTPUT\n");
    return 2;
  }
  auto fs = tess::platform::makeRealFileSystem();
  tess::ConversionAssembly run(*fs);
  const auto start = std::chrono::steady_clock::now();
  try {
    run.convert(tess::ByteString(argv[1]), tess::ByteString(argv[2]),
                tess::ConversionAssembly::OutputMode::New);
  } catch (const tess::RuntimeError& e) {
    std::printf("run-time error %d at line %u\n", e.number(), e.line());
    return 1;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  std::printf("converted %d messages in %.3f s\n",
              run.converter().messageCount(), seconds);
  return 0;
}
