// Writes random logs of three shapes for bench/compare_outputs.sh, which
// converts them with two builds of the program and compares the outputs:
//   short-NNN.LOG  short messages (bodies of 1 to 3 short lines, board lines
//                  switching conferences, page prompts);
//   long-NNN.LOG   long messages (bodies of 4 to 16 KB);
//   noisy-NNN.LOG  forum visits mostly made of lines outside messages, with
//                  stretches of awkward bytes between them (NUL, lone CR or
//                  LF, 0x1A, cut double-byte characters, false headers and
//                  bad date lines, lines longer than a file block).
// Half the short and long logs end at a random byte, inside a line or a
// double-byte character. The same count and seed always give the same
// files.
//
//   write_random_logs <folder> <count> <seed>   count logs of each shape

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench/log_shapes.h"
#include "tests/support/random_log.h"

namespace {

using tess::bench::LogShape;
using tess::bench::ShapeGenerator;

bool writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// A seed for one log (mt19937 draws 32 bits).
uint32_t seedFrom(std::mt19937& random) {
  return static_cast<uint32_t>(random());
}

// Half the time, the log cut at a random byte.
std::string maybeCut(std::string log, std::mt19937& random) {
  if (random() % 2 == 0 && !log.empty()) log.resize(random() % log.size());
  return log;
}

std::string shortLog(uint32_t seed, std::mt19937& random) {
  const int visits = 1 + static_cast<int>(random() % 6);
  return maybeCut(ShapeGenerator(LogShape::Short, seed).generateVisits(visits),
                  random);
}

std::string longLog(uint32_t seed, std::mt19937& random) {
  const int visits = 1 + static_cast<int>(random() % 2);
  return maybeCut(ShapeGenerator(LogShape::Long, seed).generateVisits(visits),
                  random);
}

std::string noisyLog(uint32_t seed, std::mt19937& random) {
  ShapeGenerator visits(LogShape::Noise, seed);
  tess::testing::RandomLog awkward(seed);
  std::string log;
  const int parts = 1 + static_cast<int>(random() % 6);
  for (int i = 0; i < parts; ++i) {
    log += visits.generateVisits(1);
    log += awkward.generate(random() % 4096);
  }
  return log;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || std::atoi(argv[2]) <= 0) {
    std::fprintf(stderr, "usage: write_random_logs FOLDER COUNT SEED\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  const int count = std::atoi(argv[2]);
  std::mt19937 random(
      static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10)));
  std::filesystem::create_directories(folder);
  for (int i = 0; i < count; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", i);
    const bool ok =
        writeFile(folder / ("short-" + std::string(number) + ".LOG"),
                  shortLog(seedFrom(random), random)) &&
        writeFile(folder / ("long-" + std::string(number) + ".LOG"),
                  longLog(seedFrom(random), random)) &&
        writeFile(folder / ("noisy-" + std::string(number) + ".LOG"),
                  noisyLog(seedFrom(random), random));
    if (!ok) {
      std::fprintf(stderr, "write_random_logs: cannot write in %s\n", argv[1]);
      return 1;
    }
  }
  return 0;
}
