// Matching a call's arguments against a signature as AviSynth+ does.
#include <gtest/gtest.h>

#include "runtime/Signature.h"

namespace tintara {
namespace {

std::vector<Parameter> Params(const std::string& signature) {
  std::vector<Parameter> params;
  EXPECT_TRUE(ParseSignature(signature, &params)) << signature;
  return params;
}

// Binds when the arguments fit; otherwise returns nothing and `why` says why.
std::vector<Value> BindOrFail(const std::string& signature, const std::vector<Argument>& args, std::string* why) {
  const std::vector<Parameter> params = Params(signature);
  if (!Fits(params, args, false, false)) {
    *why = "does not fit: " + Mismatch(params, args);
    return {};
  }
  std::vector<Value> bound;
  if (!Bind(params, args, "F", &bound, why)) return {};
  return bound;
}

Argument Pos(Value v) { return {"", std::move(v)}; }

TEST(Binding, PositionalValuesFillOptionalParametersInOrderAfterAGroup) {
  std::string why;
  PClip none;
  // The group takes the run of ints; the bool after it goes to the optional `shift`.
  auto b = BindOrFail("cciii+[shift]b[st]i",
                      {Pos(Value::Clip(none)),
                       Pos(Value::Clip(none)),
                       Pos(Value::Int(1)),
                       Pos(Value::Int(2)),
                       Pos(Value::Int(3)),
                       Pos(Value::Int(4)),
                       Pos(Value::Bool(true)),
                       {"ST", Value::Int(9)}},
                      &why);
  ASSERT_EQ(b.size(), 7u) << why;
  ASSERT_EQ(b[4].kind, Value::Kind::Array);
  ASSERT_EQ(b[4].array.size(), 2u);
  EXPECT_TRUE(b[5].boolean);
  EXPECT_EQ(b[6].integer, 9);  // names are case-insensitive
  // Named values set aside, positional ones fill in order: F(width=8, 3) sets the first.
  b = BindOrFail("[length]i[width]i", {{"width", Value::Int(8)}, Pos(Value::Int(3))}, &why);
  ASSERT_EQ(b.size(), 2u) << why;
  EXPECT_EQ(b[0].integer, 3);
  EXPECT_EQ(b[1].integer, 8);
  // A 64-bit int given for an int keeps its low 32 bits, as the host's AsInt does.
  b = BindOrFail("i", {Pos(Value::Integer(int64_t{1} << 32 | 5))}, &why);
  ASSERT_EQ(b.size(), 1u) << why;
  EXPECT_EQ(b[0].kind, Value::Kind::Int);
  EXPECT_EQ(b[0].integer, 5);
}

TEST(Binding, IntsPassForFloatsOnlyOutsideTheStrictPass) {
  const auto params = Params("c[sd]f");
  const std::vector<Argument> args = {Pos(Value::Clip(PClip())), Pos(Value::Int(2))};
  EXPECT_FALSE(Fits(params, args, true, true));
  EXPECT_TRUE(Fits(params, args, false, true));
  std::vector<Value> bound;
  std::string why;
  ASSERT_TRUE(Bind(params, args, "F", &bound, &why));
  EXPECT_EQ(bound[1].kind, Value::Kind::Int);
  // An unknown name fails the first choice but not the second, whose binding names it.
  const std::vector<Argument> named = {Pos(Value::Clip(PClip())), {"zz", Value::Int(1)}};
  EXPECT_FALSE(Fits(params, named, false, true));
  EXPECT_TRUE(Fits(params, named, false, false));
}

TEST(Binding, RefusalsUseTheHostsMessages) {
  std::string why;
  const Value clip = Value::Clip(PClip());
  EXPECT_TRUE(BindOrFail("c[sf]i", {Pos(clip), {"zz", Value::Int(1)}}, &why).empty());
  EXPECT_EQ(why, "Script error: F does not have a named argument \"zz\"");
  EXPECT_TRUE(BindOrFail("c[sf]i", {Pos(clip), {"SF", Value::String("x")}}, &why).empty());
  EXPECT_EQ(why, "Script error: the named argument \"SF\" to F had the wrong type (passed 's')");
  EXPECT_TRUE(BindOrFail("c[sf]f", {Pos(clip), {"sf", Value::Bool(true)}}, &why).empty());
  EXPECT_EQ(why, "Script error: the named argument \"sf\" to F had the wrong type (passed 'b')");
  EXPECT_TRUE(BindOrFail("c[sf]i", {Pos(clip), Pos(Value::Int(3)), {"sf", Value::Int(4)}}, &why).empty());
  EXPECT_EQ(why,
            "Script error: the named argument \"sf\" was passed more than once (twice as named or first unnamed then "
            "named) to F");
  EXPECT_TRUE(BindOrFail("c[sf]i", {}, &why).empty());
  EXPECT_EQ(why, "does not fit: argument 1 (a clip) is missing");
  EXPECT_TRUE(BindOrFail("c[sf]i", {Pos(clip), Pos(Value::Int(3)), Pos(Value::Int(4))}, &why).empty());
  EXPECT_EQ(why, "does not fit: 3 arguments are given, more than it takes");
  EXPECT_TRUE(BindOrFail("ci+", {Pos(clip)}, &why).empty());
  EXPECT_EQ(why, "does not fit: argument 2 (an int) is missing");
  EXPECT_TRUE(BindOrFail("cciii+[movex]i",
                         {Pos(clip), Pos(clip), Pos(Value::Int(0)), Pos(Value::Int(5)), Pos(Value::Int(10)),
                          Pos(Value::Float(1.5))},
                         &why)
                  .empty());
  EXPECT_EQ(why, "does not fit: argument 6 is a float where an int is expected");
  EXPECT_TRUE(BindOrFail("c[color]i", {Pos(clip), Pos(Value::String("$D03020"))}, &why).empty());
  EXPECT_EQ(why,
            "does not fit: argument 2 is the string \"$D03020\" where an int is expected; colours are ints "
            "written $RRGGBB, without quotes");
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
