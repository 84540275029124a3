// Matching a call's arguments against a signature as the host does.
#include <gtest/gtest.h>

#include "runtime/Signature.h"

namespace tintara {
namespace {

std::vector<Value> BindOrFail(const std::string& signature, const std::vector<Argument>& args, std::string* why) {
  std::vector<Parameter> params;
  EXPECT_TRUE(ParseSignature(signature, &params));
  std::vector<Value> bound;
  if (!Bind(params, args, &bound, why)) return {};
  return bound;
}

TEST(Binding, PlusGathersARunAndNamedOptionalsGoByName) {
  std::string why;
  PClip none;
  auto b = BindOrFail("cciii+[shift]b[st]i",
                      {{"", Value::Clip(none)}, {"", Value::Clip(none)}, {"", Value::Int(1)}, {"", Value::Int(2)},
                       {"", Value::Int(3)}, {"", Value::Int(4)}, {"", Value::Int(5)}, {"ST", Value::Int(9)}},
                      &why);
  ASSERT_EQ(b.size(), 7u) << why;
  EXPECT_EQ(b[2].integer, 1);
  EXPECT_EQ(b[3].integer, 2);
  ASSERT_EQ(b[4].kind, Value::Kind::Array);
  ASSERT_EQ(b[4].array.size(), 3u);
  EXPECT_EQ(b[4].array[2].integer, 5);
  EXPECT_FALSE(b[5].Defined());  // absent optional
  EXPECT_EQ(b[6].integer, 9);    // names are case-insensitive
}

TEST(Binding, IntIsAcceptedForFloatAndKeepsItsType) {
  std::string why;
  auto b = BindOrFail("c[sd]f", {{"", Value::Clip(PClip())}, {"sd", Value::Int(2)}}, &why);
  ASSERT_EQ(b.size(), 2u) << why;
  EXPECT_EQ(b[1].kind, Value::Kind::Int);
}

TEST(Binding, RefusalsSayWhy) {
  std::string why;
  EXPECT_TRUE(BindOrFail("c[sf]i", {{"", Value::Clip(PClip())}, {"zz", Value::Int(1)}}, &why).empty());
  EXPECT_EQ(why, "there is no argument named 'zz'");
  EXPECT_TRUE(BindOrFail("c[sf]i", {{"", Value::Clip(PClip())}, {"sf", Value::String("x")}}, &why).empty());
  EXPECT_EQ(why, "argument 'sf' (int) is given a string");
  EXPECT_TRUE(BindOrFail("c[sf]i", {}, &why).empty());
  EXPECT_EQ(why, "argument 1 (clip) is missing");
  // Optional parameters are given by name only.
  EXPECT_TRUE(BindOrFail("c[sf]i", {{"", Value::Clip(PClip())}, {"", Value::Int(3)}}, &why).empty());
  EXPECT_EQ(why, "too many arguments (2 given)");
  EXPECT_TRUE(BindOrFail("ci+", {{"", Value::Clip(PClip())}}, &why).empty());
  EXPECT_EQ(why, "argument 2 (ints) is missing");
}

TEST(Binding, MalformedSignaturesAreRefused) {
  std::vector<Parameter> p;
  EXPECT_FALSE(ParseSignature("c[sf", &p));
  EXPECT_FALSE(ParseSignature("cq", &p));
  EXPECT_FALSE(ParseSignature("c[]i", &p));
  EXPECT_TRUE(ParseSignature("c.*[x]s", &p));
  EXPECT_EQ(p.size(), 3u);
}

}  // namespace
}  // namespace tintara
