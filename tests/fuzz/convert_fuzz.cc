// Arbitrary bytes as logs: one log, or two logs in a row (into one output by
// appending, or into two outputs), converted in one program run over the
// in-memory file system, read as decided from the log or in any of the
// encodings and line ends the command line can ask for. No log content may
// raise a run-time error, so any error that escapes is a crash.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "conversion/conversion_assembly.h"
#include "runtime/runtime_error.h"
#include "tests/support/fake_file_system.h"

namespace {

using tess::ByteString;
using tess::ConversionAssembly;
using Mode = ConversionAssembly::OutputMode;

[[noreturn]] void crash(const char* what, int number) {
  std::fprintf(stderr, "conversion failed: %s %d\n", what, number);
  std::abort();
}

void expectOutputClosed(tess::testing::FakeFileSystem& fs,
                        std::string_view path) {
  const auto bytes = fs.fileBytes(path);
  if (!bytes || bytes->empty() || bytes->back() != '\x1a') {
    crash("output does not end with the end-of-file mark", 0);
  }
  if (!fs.openHandles().empty()) crash("files left open", 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1),
                               size - 1);
  const int shape = data[0] % 3;  // 0: one log, 1: append, 2: two outputs
  const size_t half = bytes.size() / 2;
  tess::LogChoice choice;
  choice.encoding = static_cast<tess::LogEncoding>(data[0] / 3 % 5);
  choice.lineEnds = static_cast<tess::LineEnds>(data[0] / 15 % 3);

  tess::testing::FakeFileSystem fs;
  ConversionAssembly run(fs);
  run.files().setLogChoice(choice);
  try {
    if (shape == 0) {
      fs.setFile("/a.log", bytes);
      run.convert("/a.log", "/a.ren", Mode::New);
      expectOutputClosed(fs, "/a.ren");
    } else {
      fs.setFile("/a.log", bytes.substr(0, half));
      fs.setFile("/b.log", bytes.substr(half));
      run.convert("/a.log", "/a.ren", Mode::New);
      expectOutputClosed(fs, "/a.ren");
      const char* second = shape == 1 ? "/a.ren" : "/b.ren";
      run.convert("/b.log", second, shape == 1 ? Mode::Append : Mode::New);
      expectOutputClosed(fs, second);
    }
  } catch (const tess::RuntimeError& e) {
    crash("run-time error", e.number());
  }
  return 0;
}
