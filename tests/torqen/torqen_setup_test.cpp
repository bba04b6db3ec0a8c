// Rate-pair analysis, the set-up of both filter paths and the built-in tables.
#include "torqen/torqen_setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "torqen/torqen_signal.h"
#include "torqen/torqen_tables.h"

namespace {

using torqen_signal::Converter;

struct Wing {
  const int16_t* data;
  uint32_t phases;
};
const Wing kWings[] = {{SRCTable1, 24}, {SRCTable2, 441}, {SRCTable3, 1280}};

TEST(TorqenTables, ShapeOfEveryWing) {
  for (const Wing& w : kWings) {
    const uint32_t entries = 18 * w.phases + 1;
    EXPECT_EQ(32767, w.data[entries - 1]) << w.phases;
    for (uint32_t i = 0; i <= w.phases; ++i) {
      ASSERT_EQ(0, w.data[i]) << w.phases << " entry " << i;
    }
    // Every polyphase branch over both wings sums to about 1.023 in Q15, the inverse of the cut-off.
    for (uint32_t p = 0; p <= w.phases; ++p) {
      int32_t sum = 0;
      for (uint32_t k = 0; k < 17; ++k) {
        sum += w.data[w.phases + p + k * w.phases] + w.data[w.phases + (w.phases - p) + k * w.phases];
      }
      ASSERT_GT(sum, 32768 * 102 / 100) << w.phases << " phase " << p;
      ASSERT_LT(sum, 32768 * 107 / 100) << w.phases << " phase " << p;
    }
  }
}

TEST(TorqenTables, KnownRowsOfTheCoarsestTable) {
  const auto lowest = std::min_element(SRCTable1, SRCTable1 + 433);
  EXPECT_EQ(397, lowest - SRCTable1);
  EXPECT_EQ(-6923, *lowest);
  EXPECT_EQ((std::vector<int16_t>{31963, 32408, 32677, 32767}), std::vector<int16_t>(SRCTable1 + 429, SRCTable1 + 433));
}

struct TableCase {
  uint32_t a, b;
  int table;  // 0 for the arbitrary path
  uint32_t factor;
};

// The reduced ratio chooses the table and its phase factor, whichever way round the rates are.
TEST(TorqenSetup, RatePairChoosesTheTable) {
  const TableCase cases[] = {{44100, 48000, 3, 8}, {48000, 16000, 1, 8}, {48000, 8000, 1, 4},  {44100, 22050, 1, 12},
                             {32000, 48000, 1, 8}, {48000, 12000, 1, 6}, {44100, 32000, 2, 1}, {11025, 32000, 3, 1},
                             {48000, 4000, 0, 0},  {48000, 48000, 0, 0}, {22050, 37000, 0, 0}, {0, 0, 0, 0}};
  for (const TableCase& c : cases) {
    for (const auto& pair : {std::make_pair(c.a, c.b), std::make_pair(c.b, c.a)}) {
      EXPECT_EQ(c.table != 0 ? 1 : 0, CheckTableRelation(pair.first, pair.second)) << pair.first << " " << pair.second;
    }
    if (c.table == 0 || c.a == c.b) {
      continue;
    }
    // Upsampling shows the table's phases, T = D x factor.
    Converter up(torqen_param_t{std::min(c.a, c.b), 1, std::max(c.a, c.b), 1, 0});
    ASSERT_EQ(0, up.openResult());
    EXPECT_EQ(0u, up.handle()->arbitrary);
    EXPECT_EQ(kWings[c.table - 1].phases, up.handle()->phases) << c.a << " " << c.b;
    EXPECT_EQ(c.factor, kWings[c.table - 1].phases / (std::max(c.a, c.b) / std::__gcd(c.a, c.b)));
  }
}

TEST(TorqenSetup, TablePathFields) {
  Converter up(torqen_param_t{24000, 2, 48000, 2, 0});
  const torqen_handle_t* u = up.handle();
  EXPECT_EQ(24u, u->phases);
  EXPECT_EQ(-12, u->phase_step);
  EXPECT_EQ(17u, u->taps);
  EXPECT_EQ(18u, u->hist_keep);
  EXPECT_EQ(0u, u->advance);
  EXPECT_EQ(16008, u->gain);
  EXPECT_EQ(18u, u->hist_fill);
  EXPECT_EQ(18u, u->hist_center);

  Converter down(torqen_param_t{48000, 2, 44100, 2, 1});
  torqen_handle_t* d = down.handle();
  EXPECT_EQ(1176u, d->phases);
  EXPECT_EQ(19u, d->taps);
  EXPECT_EQ(20u, d->hist_keep);
  EXPECT_EQ(1u, d->advance);
  EXPECT_EQ(-104, d->phase_step);
  EXPECT_EQ(14707, d->gain);
  // The table path names table 3 and the entry where the wing the kernel spans begins; it ends at
  // the centre tap.
  EXPECT_EQ(3u, d->coef >> 16);
  const uint32_t first = d->coef & 0xFFFF;
  EXPECT_EQ(8u * (18 * 160 - 19 * 147), first);
  EXPECT_EQ(18u * 1280, first + d->taps * d->phases);
}

TEST(TorqenSetup, ArbitraryPathFieldsAndTables) {
  Converter down(torqen_param_t{44100, 1, 32000, 1, 0});
  // 44100 to 32000 is served by a table; the arbitrary arithmetic is set up on it directly.
  torqen_handle_t* h = down.handle();
  arbTorqReInit_32BIT(h, 44100);
  EXPECT_EQ(1u, h->arbitrary);
  EXPECT_EQ(45158, h->phase_step);
  EXPECT_EQ(23777u, h->phases);
  EXPECT_EQ(50u, h->hist_keep);
  EXPECT_EQ(45158u << 10, h->ratio_target);
  EXPECT_EQ(static_cast<int32_t>((44100 + 2ull * 16008 * 32000) / (2 * 44100)), h->gain);

  const int16_t* coef = torqen_signal::atOffset<int16_t>(h, h->coef);
  const int16_t* diff = torqen_signal::atOffset<int16_t>(h, h->coef_diff);
  EXPECT_EQ(coef + 4353, diff);
  EXPECT_EQ(32767, coef[0]);
  EXPECT_EQ(SRCTable3[23040 - 5 * 256], coef[256]);
  EXPECT_EQ(0, coef[4352]);
  for (int j = 0; j < 4352; ++j) {
    ASSERT_EQ(static_cast<int16_t>(coef[j + 1] - coef[j]), diff[j]) << j;
  }
  EXPECT_EQ(coef[4352], diff[4352]);
  // The tables lie right after the history, inside the work memory.
  uint32_t work = 0;
  uint32_t temp = 0;
  Torqen_GetBufferSize(&work, &temp, &down.param());
  EXPECT_EQ(sizeof(torqen_handle_t) + 1024 * 2, h->coef);
  EXPECT_LE(h->coef_diff + 4353 * 2, work);

  Converter up(torqen_param_t{22050, 2, 37000, 2, 3});
  EXPECT_EQ(1u, up.handle()->arbitrary);
  EXPECT_EQ(32768u, up.handle()->phases);
  EXPECT_EQ(37u, up.handle()->hist_keep);
  EXPECT_EQ(16008, up.handle()->gain);
  EXPECT_EQ(sizeof(torqen_handle_t) + 2 * 1024 * 4, up.handle()->coef);
  EXPECT_EQ(up.handle()->coef + 4353 * 2, up.handle()->coef_diff);
}

TEST(TorqenSetup, ResetsRefillTheHistoryWithSilence) {
  Converter conv(torqen_param_t{22050, 2, 37000, 2, 0});
  torqen_handle_t* h = conv.handle();
  int16_t* hist = torqen_signal::historyOf<int16_t>(h);
  std::fill(hist, hist + 2 * 1024, int16_t{0x5555});
  h->frac = 12345;
  ASSERT_EQ(0, Torqen_Reset(h));
  EXPECT_TRUE(std::all_of(hist, hist + 2 * 1024, [](int16_t v) { return v == 0; }));
  EXPECT_EQ(0u, h->frac);
  EXPECT_EQ(h->hist_keep, h->hist_fill);
  EXPECT_EQ(h->hist_keep, h->hist_center);

  // Equal rates clear the arbitrary path's span and hold no past at all.
  Converter same(torqen_param_t{48000, 1, 48000, 1, 2});
  int32_t* mono = torqen_signal::historyOf<int32_t>(same.handle());
  std::fill(mono, mono + 1024, 7);
  ASSERT_EQ(0, Torqen_Reset(same.handle()));
  EXPECT_TRUE(std::all_of(mono, mono + 1024, [](int32_t v) { return v == 0; }));
  EXPECT_EQ(0u, same.handle()->hist_fill);
}

}  // namespace
