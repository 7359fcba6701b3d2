#include "compiler/field_reader.h"

#include <gtest/gtest.h>

namespace binario {
namespace {

TEST(FieldReader, Placeholder) { EXPECT_TRUE(contains("abc", "b")); }

}  // namespace
}  // namespace binario
