// One conversion without a window, timed inside the process, on every
// platform (convert_bench needs POSIX processes). On Windows it is the
// baseline for the window's cost: bench/wine_window_bench.sh converts the
// same log once here and once in the program's window.
//
//   headless_convert --write-log <megabytes> <log>   writes a generated log
//   headless_convert <log> <output>                  converts; prints the
//                                                    seconds and messages
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/log_generator.h"
#include "conversion/conversion_assembly.h"
#include "platform/file_system.h"
#include "runtime/runtime_error.h"

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--write-log") {
    const long megabytes = std::atol(argv[2]);
    if (megabytes <= 0) return 2;
    return tess::bench::writeGeneratedLog(argv[3],
                                          static_cast<size_t>(megabytes) << 20)
               ? 0
               : 1;
  }
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: headless_convert --write-log MB LOG | LOG OUTPUT\n");
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
