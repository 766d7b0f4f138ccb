// The look of a block taken from its bit masks is the look that walking its
// characters gives: on blocks made to sit at the edges of every count (a
// lead byte at the end of 64 bytes, runs of lead bytes across them, a CR
// before the next 64, the last byte a lead byte) and on random blocks near
// each count's limit.
#include "runtime/log_look.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace tess {
namespace {

using namespace std::string_literals;

const char* name(LogLook look) {
  switch (look) {
    case LogLook::Plain:
      return "plain";
    case LogLook::LfEnds:
      return "LF ends";
    case LogLook::NotShiftJis:
      return "not Shift-JIS";
    case LogLook::NotText:
      return "not text";
  }
  return "?";
}

TEST(LogLookTest, EdgesOfTheCountsAndOfTheSixtyFourBytes) {
  const std::string a63(63, 'a');
  const std::string text(2000, 'a');
  struct Case {
    const char* what;
    std::string block;
    LineEnds lineEnds;
    LogLook expected;
  };
  const Case cases[] = {
      {"empty", "", LineEnds::Cr, LogLook::Plain},
      // Four lead bytes cut from their trail bytes by a blank.
      {"four cut leads", text + "\x82 \x82 \x82 \x82 ", LineEnds::Cr,
       LogLook::NotShiftJis},
      {"three cut leads", text + "\x82 \x82 \x82 ", LineEnds::Cr,
       LogLook::Plain},
      // A lead byte takes the lead byte after it: "\x82\x82" is one
      // character, and the blank after it starts one.
      {"leads in pairs", text + "\x82\x82 \x82\x82 \x82\x82 \x82\x82 ",
       LineEnds::Cr, LogLook::Plain},
      // A run of three leads: the third is cut by the blank.
      {"odd runs",
       text + "\x82\x82\x82 \x82\x82\x82 \x82\x82\x82 \x82\x82\x82 ",
       LineEnds::Cr, LogLook::NotShiftJis},
      // The same across the end of the first 64 bytes.
      {"odd runs across 64 bytes",
       a63 + "\x82\x82\x82 " + std::string(60, 'a') + "\x82\x82\x82 " +
           std::string(61, 'a') + "\x82\x82\x82 \x82\x82\x82 " + text,
       LineEnds::Cr, LogLook::NotShiftJis},
      {"even runs across 64 bytes",
       a63 + "\x82\x82\x82\x82 " + std::string(59, 'a') + "\x82\x82 " + text +
           "\x82 \x82 \x82 ",
       LineEnds::Cr, LogLook::Plain},
      // Bytes no character starts with, and the same as trail bytes.
      {"never first", text + "\x80\xA0\xFD\xFF", LineEnds::Cr,
       LogLook::NotShiftJis},
      {"as trail bytes", text + "\x82\x80\x82\xA0\x82\xFC\x82\xA0",
       LineEnds::Cr, LogLook::Plain},
      // A lead byte before a line end, and as the very last byte.
      {"leads before line ends", text + "\x82\r\n\x82\r\n\x82\n\x82\n\x82",
       LineEnds::Cr, LogLook::Plain},
      // LF ends: a lone LF after a CR that is a trail byte still follows a
      // CR; a CR taken as a trail byte is no line end.
      {"LF ends", text + "a\nb\nc\r\n", LineEnds::Cr, LogLook::LfEnds},
      {"read with LF ends", text + "a\nb\nc\r\n", LineEnds::Lf, LogLook::Plain},
      {"CR LF across 64 bytes", a63 + "\r\n" + a63 + "\r\n" + "x\n",
       LineEnds::Cr, LogLook::Plain},
      {"CR as trail bytes", a63 + "\x82\r\n\x82\r\nx\n", LineEnds::Cr,
       LogLook::LfEnds},
      {"trail CR before LF", "\x82\r\n\x82\r\n\x82\r\n", LineEnds::Cr,
       LogLook::Plain},
      // Sixteen stray control bytes, or more than one in a hundred.
      {"16 controls", text + std::string(16, '\x01'), LineEnds::Cr,
       LogLook::NotText},
      {"15 controls", text + std::string(15, '\x01'), LineEnds::Cr,
       LogLook::Plain},
      {"controls as trail bytes", text + "\x82\x01\x82\x01\x82\x01\x82\x01",
       LineEnds::Cr, LogLook::NotShiftJis},
      {"few but dense", "ab\x02", LineEnds::Cr, LogLook::NotText},
      {"tab, escape, form feed, mark", text + "\t\x1B\x0C\x1A", LineEnds::Cr,
       LogLook::Plain},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(name(lookByWalk(c.block, c.lineEnds)), name(c.expected))
        << c.what;
    EXPECT_STREQ(name(lookByMasks(c.block, c.lineEnds)), name(c.expected))
        << c.what;
  }
}

TEST(LogLookTest, MasksLookAsTheWalkOnRandomBlocks) {
  std::mt19937 random(1996);
  // How often each kind of byte comes, per thousand: lead bytes, trail
  // bytes, CR, LF, stray controls, bytes no character starts with.
  struct Mix {
    int lead, trail, cr, lf, control, neverFirst;
  };
  const Mix mixes[] = {
      {300, 200, 10, 10, 0, 0},  {400, 100, 20, 30, 0, 2},
      {200, 300, 15, 15, 3, 5},  {500, 0, 5, 5, 1, 1},
      {100, 100, 30, 40, 0, 10}, {450, 400, 20, 20, 8, 0},
  };
  const uint8_t leads[] = {0x81, 0x82, 0x9F, 0xE0, 0xFC};
  const uint8_t trails[] = {0x40, 0x5C, 0x7E, 0x80, 0xA0, 0xDF, 0xFC};
  const uint8_t controls[] = {0x00, 0x01, 0x08, 0x1F, 0x7F};
  const uint8_t nevers[] = {0x80, 0xA0, 0xFD, 0xFE, 0xFF};
  std::uniform_int_distribution<int> perMille(0, 999);
  int compared = 0;
  for (const Mix& mix : mixes) {
    for (int round = 0; round < 3000; ++round) {
      const size_t size =
          round % 100 == 0
              ? 65536
              : std::uniform_int_distribution<size_t>(0, 400)(random);
      std::string block(size, 'a');
      for (char& byte : block) {
        int r = perMille(random);
        auto pick = [&](const auto& from) {
          return static_cast<char>(from[random() % std::size(from)]);
        };
        if ((r -= mix.lead) < 0) {
          byte = pick(leads);
        } else if ((r -= mix.trail) < 0) {
          byte = pick(trails);
        } else if ((r -= mix.cr) < 0) {
          byte = '\r';
        } else if ((r -= mix.lf) < 0) {
          byte = '\n';
        } else if ((r -= mix.control) < 0) {
          byte = pick(controls);
        } else if ((r -= mix.neverFirst) < 0) {
          byte = pick(nevers);
        } else if (r < 20) {
          byte = static_cast<char>(random());
        }
      }
      for (const LineEnds ends : {LineEnds::Cr, LineEnds::Lf}) {
        ASSERT_STREQ(name(lookByMasks(block, ends)),
                     name(lookByWalk(block, ends)))
            << "block of " << size << " bytes, round " << round;
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 36000);
}

}  // namespace
}  // namespace tess
