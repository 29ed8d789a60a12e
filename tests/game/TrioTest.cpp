#include <gtest/gtest.h>

#include <array>
#include <map>

#include "FakeGameHost.h"

namespace zolvex {
namespace {

using fake::Game;

bool Acceptable(int a, int b, int c) {
    return a != b && b != c && a != c && a + b != 10 && b + c != 10 && a + c != 10;
}

double ChiSquared(const std::vector<double>& observed, const std::vector<double>& expected) {
    double sum = 0;
    for (size_t i = 0; i < observed.size(); ++i) {
        const double d = observed[i] - expected[i];
        sum += d * d / expected[i];
    }
    return sum;
}

TEST(TrioTest, HundredThousandTriosAreHarmlessAndEvenlyDistributed) {
    constexpr int kTrios = 100000;
    Game g(1, 20240611);
    // Ordered value triples, each equally likely among the acceptable ones.
    std::map<std::array<int, 3>, double> tripleCount;
    for (int a = 1; a <= 9; ++a)
        for (int b = 1; b <= 9; ++b)
            for (int c = 1; c <= 9; ++c)
                if (Acceptable(a, b, c)) tripleCount[{a, b, c}] = 0;
    ASSERT_EQ(tripleCount.size(), 336u);
    std::vector<std::vector<double>> columnCount(3, std::vector<double>(8, 0));

    for (int n = 0; n < kTrios; ++n) {
        g.rules.GenerateNextTrio();
        const FallingBlock* t = g.model.nextTrio;
        for (int i = 0; i < 3; ++i) {
            ASSERT_GE(t[i].column, 0);
            ASSERT_LE(t[i].column, 7);
            ASSERT_GE(t[i].value, 1);
            ASSERT_LE(t[i].value, 9);
            ASSERT_EQ(t[i].y, 6);
            ASSERT_EQ(t[i].row, 11);
            ASSERT_EQ(t[i].falling, 1);
            columnCount[i][t[i].column] += 1;
        }
        ASSERT_TRUE(t[0].column != t[1].column && t[1].column != t[2].column &&
                    t[0].column != t[2].column);
        ASSERT_TRUE(Acceptable(t[0].value, t[1].value, t[2].value))
            << t[0].value << t[1].value << t[2].value;
        tripleCount[{t[0].value, t[1].value, t[2].value}] += 1;
    }

    // Per-value frequency at each position follows from the uniform triples.
    for (int pos = 0; pos < 3; ++pos) {
        std::vector<double> observed(9, 0), expected(9, 0);
        for (const auto& [triple, count] : tripleCount) {
            observed[triple[pos] - 1] += count;
            expected[triple[pos] - 1] += kTrios / 336.0;
        }
        EXPECT_LT(ChiSquared(observed, expected), 45.0) << "values at position " << pos;
        EXPECT_LT(ChiSquared(columnCount[pos], std::vector<double>(8, kTrios / 8.0)), 40.0)
            << "columns at position " << pos;
    }
    std::vector<double> observed, expected;
    for (const auto& [triple, count] : tripleCount) {
        observed.push_back(count);
        expected.push_back(kTrios / 336.0);
    }
    EXPECT_LT(ChiSquared(observed, expected), 520.0) << "joint value triples";
}

TEST(TrioTest, DrawsFollowTheColumnAndValueFormulasAndRedrawWholeValueSets) {
    Game g;
    g.host.Script({0, 4095, 4096, 4097, 32767,   // columns 0, (0 again), 1, (1 again), 7
                   0, 32761, 3640, 32760, 3641,  // (v 0), (v 10), 1, 9, 2: 1 + 9 rejected
                   7281, 10920, 18200});         // 3, 3, 5: two 3s rejected
    g.host.Script({7281, 10921, 18200});         // 3, 4, 5: accepted
    g.rules.GenerateNextTrio();
    const FallingBlock* t = g.model.nextTrio;
    EXPECT_EQ(t[0].column, 0);
    EXPECT_EQ(t[1].column, 1);
    EXPECT_EQ(t[2].column, 7);
    EXPECT_EQ(t[0].value, 3);
    EXPECT_EQ(t[1].value, 4);
    EXPECT_EQ(t[2].value, 5);
}

TEST(TrioTest, NewGameHasTwoSeparatelyDrawnTriosFirstAtTopOfScreen) {
    Game g;
    g.host.Script({0, 8192, 16384, 3640, 7280, 10920});        // columns 0, 2, 4; values 1, 2, 3
    g.host.Script({28672, 24576, 4096, 32760, 29120, 25480});  // columns 7, 6, 1; 9, 8, 7
    g.rules.InitBoardAndTrios();
    EXPECT_EQ(g.model.flipperLeft, 3);
    EXPECT_EQ(g.model.flipperRight, 4);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(g.model.currentTrio[i].y, 0);
        EXPECT_EQ(g.model.currentTrio[i].row, 11);
        EXPECT_EQ(g.model.currentTrio[i].falling, 1);
        EXPECT_EQ(g.model.currentTrio[i].value, i + 1);
        EXPECT_EQ(g.model.currentTrio[i].column, 2 * i);
        EXPECT_EQ(g.model.nextTrio[i].y, 6);
    }
    EXPECT_EQ(g.model.nextTrio[0].column, 7);
    EXPECT_EQ(g.model.nextTrio[2].column, 1);
    EXPECT_EQ(g.model.nextTrio[0].value, 9);
    EXPECT_EQ(g.model.nextTrio[2].value, 7);
    for (int c = 0; c < kColumns; ++c) {
        EXPECT_EQ(g.model.board[c][0].value, kFloorValue);
        for (int r = 1; r < kRows; ++r) EXPECT_EQ(g.model.board[c][r].value, 0);
    }
}

TEST(TrioTest, HandOverScoresPairCountSquaredTimesFiftyAndEntersAtTheTop) {
    struct Case {
        int32_t pairCount;
        uint32_t scoreBefore, scoreAfter;
    };
    for (Case c : {Case{0, 100, 100}, Case{2, 100, 300}, Case{4, 100, 900},
                   Case{2, 0xFFFFFF00u, 0xFFFFFFC8u}, Case{4, 0xFFFFFF00u, 0xFFFFFFFFu}}) {
        Game g;
        g.model.pairCount = c.pairCount;
        g.model.score = c.scoreBefore;
        FallingBlock shown[3];
        std::copy(g.model.nextTrio, g.model.nextTrio + 3, shown);
        g.rules.HandOverTrio();
        EXPECT_EQ(g.model.score, c.scoreAfter);
        EXPECT_EQ(g.model.pairCount, 0);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(g.model.currentTrio[i].column, shown[i].column);
            EXPECT_EQ(g.model.currentTrio[i].value, shown[i].value);
            EXPECT_EQ(g.model.currentTrio[i].y, 6);
            EXPECT_EQ(g.model.currentTrio[i].row, 11);
        }
    }
}

}  // namespace
}  // namespace zolvex
