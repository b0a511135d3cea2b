#include <gtest/gtest.h>

#include "scene/scene.h"

using namespace walkers;

TEST(Random, FirstDrawsMatchTheClassicGenerator) {
    random_reset();
    // The first draws of the generator from state 1; masked with 7 they are the
    // nine walkers' start directions 1, 3, 6, 4, 1, 4, 6, 6, 2.
    const int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962};
    for (int32_t value : expected) EXPECT_EQ(random_next(), value);
    random_reset();
    const int32_t directions[] = {1, 3, 6, 4, 1, 4, 6, 6, 2};
    for (int32_t d : directions) EXPECT_EQ(random_next() & 7, d);
}
